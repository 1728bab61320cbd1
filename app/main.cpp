// quimbo [options] [INI path]: the Qt shell around the core.

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "finestra_headless.h"
#include "finestra_qt.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "segnali.h"
#include "shell/applicazione.h"
#include "shell/testo.h"

namespace {

constexpr const char* kUso =
    "Uso: quimbo [opzioni] [percorso del file INI]\n"
    "\n"
    "Invia gli scontrini (*.sco) della cartella DirPerFile al registratore di cassa\n"
    "sulla porta seriale. Senza percorso legge quimbo.ini accanto al programma;\n"
    "tutto il resto della riga di comando, anche con spazi, e' il percorso.\n"
    "\n"
    "Opzioni:\n"
    "  --headless      senza finestra: i testi vanno sullo standard output e le\n"
    "                  domande si rispondono da sole\n"
    "  --prova TESTO   (con --headless) manda TESTO come InviaTest ed esce:\n"
    "                  0 se il registratore accetta, 1 altrimenti\n"
    "  --sblocca       (con --headless) sblocca la tastiera ed esce (0 o 1)\n"
    "  --help          questo testo\n"
    "  --version       la versione\n"
    "\n"
    "File INI, sezione [Altri parametri]:\n"
    "  Registratore (Vandoni, Frontiera, Olivetti, Kabel), DirPerFile, AttesaTimer (ms),\n"
    "  Ritenta, Decimali, SepDecimaliQta, AttRisposta, Pausa, PausaReady, FrontMaxDesc,\n"
    "  FrontMaxLotteria, LungMaxDesc, RepDef, ConfBase, TotDisplay,\n"
    "  TempoMaxRisposta (secondi di attesa massima della cassa; 0 = senza limite),\n"
    "  RisposteAutomatiche (--headless: quante volte \"riprova\" per lavoro),\n"
    "  Codifica (auto, windows-1252, utf-8: il testo dei file degli scontrini),\n"
    "  AttesaTotale (secondi senza riga di totale prima di mettere da parte)\n"
    "Sezione [Parametri Seriale]:\n"
    "  Dispositivo (per es. /dev/ttyUSB0), CommPort (N = /dev/ttyS<N-1> se manca\n"
    "  Dispositivo), Settings (per es. 1200,e,7,1)\n"
    "\n"
    "SIGTERM e SIGINT chiudono il programma come la chiusura della finestra.\n";

struct Opzioni {
  bool headless = false;
  bool aiuto = false;
  bool versione = false;
  bool sblocca = false;
  std::optional<std::string> prova;
  std::vector<std::string> parole;  // the INI path, word by word
  std::string errore;
};

Opzioni leggiOpzioni(int argc, char** argv) {
  Opzioni o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--", 0) != 0) {
      o.parole.push_back(a);
    } else if (a == "--headless") {
      o.headless = true;
    } else if (a == "--help") {
      o.aiuto = true;
    } else if (a == "--version") {
      o.versione = true;
    } else if (a == "--sblocca") {
      o.sblocca = true;
    } else if (a == "--prova") {
      if (i + 1 >= argc) {
        o.errore = "--prova vuole un testo";
        return o;
      }
      o.prova = argv[++i];
    } else {
      o.errore = "opzione sconosciuta: " + a;
      return o;
    }
  }
  if (o.errore.empty() && (o.prova || o.sblocca) && !o.headless)
    o.errore = "--prova e --sblocca vanno con --headless";
  if (o.errore.empty() && o.prova && o.sblocca) o.errore = "--prova e --sblocca insieme";
  return o;
}

std::string unisci(const std::vector<std::string>& parole) {
  std::string r;
  for (const auto& p : parole) {
    if (!r.empty()) r += ' ';
    r += p;
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quimbo;
  using namespace quimbo::app;

  // Looked at before Qt starts, so that --help works without a display.
  Opzioni o = leggiOpzioni(argc, argv);
  if (!o.errore.empty()) {
    std::fprintf(stderr, "quimbo: %s\n\n%s", o.errore.c_str(), kUso);
    return 2;
  }
  if (o.aiuto) {
    std::fputs(kUso, stdout);
    return 0;
  }
  if (o.versione) {
    std::printf("quimbo %s\n", QUIMBO_VERSIONE);
    return 0;
  }

  std::unique_ptr<QCoreApplication> app;
  if (o.headless)
    app = std::make_unique<QCoreApplication>(argc, argv);
  else
    app = std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quimbo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUIMBO_VERSIONE));
  // Qt has taken its own arguments (-platform and the like) out by now.
  o = leggiOpzioni(argc, argv);

  std::string ini = unisci(o.parole);
  if (ini.empty()) ini = percorsoIniPredefinito(QCoreApplication::applicationDirPath().toStdString());

  OrologioSistema orologio;
  PortaQt porta;
  std::unique_ptr<FinestraQt> finestraQt;
  std::unique_ptr<FinestraHeadless> finestraHeadless;
  Finestra* finestra = nullptr;
  if (o.headless) {
    finestraHeadless = std::make_unique<FinestraHeadless>();
    if (o.prova) finestraHeadless->impostaProva(testo::daUtf8(*o.prova));
    finestra = finestraHeadless.get();
  } else {
    finestraQt = std::make_unique<FinestraQt>();
    finestra = finestraQt.get();
  }
  PompaQt pompa(orologio);
  Stato st(Piattaforma{porta, *finestra, pompa, orologio});
  st.mbSenzaFinestra = o.headless;
  if (finestraQt) finestraQt->collega(&st, &pompa);
  if (finestraHeadless) finestraHeadless->collega(&st, &pompa);

  bool chiuso = false;
  auto chiudi = [&] {
    if (chiuso) return;
    chiuso = true;
    if (finestraQt) {
      finestraQt->scarica();
    } else {
      Form_Unload(st);
      terminaProgramma(&pompa);
    }
  };
  installaUscitaSuSegnali(app.get(), [&] {
    // During a receipt's payment the close waits for the receipt, up to a limit.
    if (!chiuso && !RichiestaChiusura(st))
      QTimer::singleShot(static_cast<int>(AttesaMassimaChiusura(st) * 1000), app.get(), chiudi);
    else
      chiudi();
  });

  const EsitoAvvio esito = Form_Load(st, ini);
  if (!esito.portaAperta) {
    const std::string dispositivo = testo::aUtf8(esito.dispositivo);
    if (finestraQt) {
      finestraQt->chiedi("",
                         testo::daUtf8("Impossibile aprire la porta " + dispositivo + ":\n" + esito.motivo),
                         Icona::Critico, Pulsanti::Ok);
    } else {
      std::fprintf(stderr, "quimbo: impossibile aprire la porta %s: %s\n", dispositivo.c_str(),
                   esito.motivo.c_str());
    }
    return 1;
  }

  if (o.prova || o.sblocca) {
    finestra->abilitaTimer(false);
    const bool ok = o.prova ? ProvaDaRigaComandi(st, testo::daUtf8(*o.prova)) : SbloccaDaRigaComandi(st);
    Form_Unload(st);
    std::fflush(stdout);
    return ok ? 0 : 1;
  }

  if (finestraQt) finestraQt->show();
  return pompa.eseguiCicloPrincipale();
}
