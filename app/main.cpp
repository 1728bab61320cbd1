// quimbo [options] [INI path]: the Qt shell around the core.

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "domanda_qt.h"
#include "finestra_headless.h"
#include "finestra_qt.h"
#include "link/tasti.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "programma/avvio.h"
#include "segnali.h"
#include "servizio.h"
#include "shell/chiusura.h"
#include "shell/testo.h"

namespace {

namespace fs = std::filesystem;
using namespace quimbo;

constexpr const char* kUso =
    "Uso: quimbo [opzioni] [percorso del file INI]\n"
    "\n"
    "Invia gli scontrini (*.sco) della cartella DirPerFile al registratore di cassa\n"
    "sulla porta seriale. Senza percorso legge quimbo.ini accanto al programma, o\n"
    "altrimenti /etc/quimbo/quimbo.ini; tutto il resto della riga di comando, anche\n"
    "con spazi, è il percorso, e il file deve esistere.\n"
    "\n"
    "Opzioni:\n"
    "  --headless      senza finestra: una riga per scontrino e per cambiamento del\n"
    "                  collegamento sullo standard output, gli errori sullo standard\n"
    "                  error; le domande si rispondono da sole\n"
    "  --verbose       (con --headless) anche ogni comando mandato e ogni risposta\n"
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
    "Una nuova ricevuta nella cartella parte subito; AttesaTimer resta come riserva.\n"
    "SIGTERM e SIGINT chiudono il programma come la chiusura della finestra.\n"
    "\n"
    "Codici d'uscita: 0 fine normale; 1 porta non apribile, o --prova/--sblocca non\n"
    "accettati; 2 riga di comando sbagliata o nessun display per la finestra;\n"
    "78 configurazione: file ini mancante, illeggibile o con un valore non valido.\n";

// What a service manager can act on (sysexits' EX_CONFIG: restarting cannot help).
constexpr int kEsitoConfigurazione = 78;
constexpr int kEsitoUso = 2;

struct Opzioni {
  bool headless = false;
  bool dettagli = false;
  bool aiuto = false;
  bool versione = false;
  bool sblocca = false;
  std::optional<std::string> prova;
  std::vector<std::string> parole;  // the INI path, word by word
  std::string errore;
};

// Qt's own options, which QApplication takes out of the command line itself.
bool OpzioneDiQt(const std::string& a, bool& conValore) {
  static const char* const conArgomento[] = {"-platform",        "-platformpluginpath",
                                             "-platformtheme",   "-plugin",
                                             "-qwindowgeometry", "-qwindowicon",
                                             "-qwindowtitle",    "-display",
                                             "-geometry",        "-style",
                                             "-stylesheet",      "-session"};
  static const char* const senza[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
  conValore = std::find(std::begin(conArgomento), std::end(conArgomento), a) != std::end(conArgomento);
  return conValore || std::find(std::begin(senza), std::end(senza), a) != std::end(senza);
}

Opzioni leggiOpzioni(int argc, char** argv) {
  Opzioni o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    bool conValore = false;
    if (a.empty() || a[0] != '-') {
      o.parole.push_back(a);
    } else if (a == "--headless") {
      o.headless = true;
    } else if (a == "--verbose") {
      o.dettagli = true;
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
    } else if (OpzioneDiQt(a, conValore)) {
      if (conValore) ++i;
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

std::string cartellaEseguibile(const char* argv0) {
  std::error_code ec;
  const fs::path io = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::absolute(argv0, ec) : io).parent_path().string();
}

// Qt's own messages: the warnings about XDG_RUNTIME_DIR (a service has none) and
// the offscreen platform's size hints say nothing to a user of this program, and
// a window that cannot be shown ends with what to do instead of Qt's abort.
QtMessageHandler gestorePrecedente = nullptr;
bool creandoFinestra = false;
void messaggiQt(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo) {
  if (testo.contains(QLatin1String("XDG_RUNTIME_DIR")) || testo.contains(QLatin1String("propagateSizeHints")))
    return;
  if (tipo == QtFatalMsg && creandoFinestra) {
    app::ErroreSuStderr("quimbo: impossibile mostrare la finestra (" +
                        testo.section(QLatin1Char('\n'), 0, 0).toStdString() +
                        "): senza display usare --headless");
    std::_Exit(kEsitoUso);
  }
  // Into the journal every line carries its priority, Qt's own too.
  if (app::AlGiornaleDiSistema(stderr) && tipo != QtFatalMsg && tipo != QtDebugMsg && tipo != QtInfoMsg)
    return app::ErroreSuStderr(qFormatLogMessage(tipo, contesto, testo).toStdString());
  if (gestorePrecedente) gestorePrecedente(tipo, contesto, testo);
}

// The configuration's path: one that was named must exist; without one, beside the
// program, then the system's. The window may run on the defaults; a service must not.
// `errore` says why there is none to use.
std::string TrovaIni(const Opzioni& o, const char* argv0, std::string& errore) {
  std::string ini = unisci(o.parole);
  if (!ini.empty()) {
    std::error_code ec;
    if (!fs::exists(ini, ec)) errore = "il file ini " + ini + " non esiste";
  } else if (const std::optional<std::string> trovato = CercaIni(cartellaEseguibile(argv0))) {
    ini = *trovato;
  } else {
    ini = percorsoIniPredefinito(cartellaEseguibile(argv0));
    if (o.headless)
      errore = "nessun file ini: non ci sono n\u00e9 " + ini + " n\u00e9 " + kIniDiSistema +
               "; indicarne uno: quimbo --headless FILE.ini";
  }
  return ini;
}

// What ends the program before Qt starts: a wrong command line, --help, --version, no
// configuration for a service, a window without a display. Its exit code, or none.
std::optional<int> FinePrimaDiQt(const Opzioni& o, const std::string& erroreIni) {
  if (!o.errore.empty()) {
    app::ErroreSuStderr("quimbo: " + o.errore + "\nPer l'aiuto: quimbo --help");
    return kEsitoUso;
  }
  if (o.aiuto) {
    std::fputs(kUso, stdout);
    return 0;
  }
  if (o.versione) {
    std::printf("quimbo %s\n", QUIMBO_VERSIONE);
    return 0;
  }
  if (!erroreIni.empty() && o.headless) {
    app::ErroreSuStderr("quimbo: " + erroreIni);
    return kEsitoConfigurazione;
  }
  if (!o.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    app::ErroreSuStderr("quimbo: nessun display per la finestra: senza display usare --headless");
    return kEsitoUso;
  }
  return std::nullopt;
}

// After the start-up: a configuration that cannot be used ends the program; so does a
// port that did not open for the window or a command-line action (a service waits for
// it), and the command-line actions themselves. Its exit code, or none.
std::optional<int> FineDopoAvvio(Stato& st, const EsitoAvvio& esito, const Opzioni& o,
                                 app::FinestraQt* finestraQt) {
  if (!esito.erroreConfigurazione.empty()) {
    app::ErroreSuStderr("quimbo: " + testo::leggibile(esito.erroreConfigurazione));
    return kEsitoConfigurazione;
  }
  if (!esito.portaAperta && (finestraQt || o.prova || o.sblocca)) {
    const std::string dispositivo = testo::aUtf8(esito.dispositivo);
    if (finestraQt) {
      finestraQt->chiedi("",
                         testo::daUtf8("Impossibile aprire la porta " + dispositivo + ":\n" + esito.motivo),
                         Icona::Critico, Pulsanti::Ok);
    }  // headless: the error log's line on standard error has said it
    return 1;
  }
  if (!o.prova && !o.sblocca) return std::nullopt;
  st.finestra().abilitaTimer(false);
  const bool ok = o.prova ? ProvaDaRigaComandi(st, testo::daUtf8(*o.prova)) : SbloccaDaRigaComandi(st);
  Form_Unload(st);
  std::fflush(stdout);
  return ok ? 0 : 1;
}

// The program itself, once Qt runs: the platform, the start-up, then the event loop.
int Esegui(const Opzioni& o, const std::string& ini, QCoreApplication& app) {
  using namespace quimbo::app;
  OrologioSistema orologio;
  PortaQt porta;
  std::unique_ptr<FinestraQt> finestraQt;
  std::unique_ptr<FinestraHeadless> finestraHeadless;
  Finestra* finestra = nullptr;
  Servizio servizio;
  if (o.headless) {
    finestraHeadless = std::make_unique<FinestraHeadless>();
    if (o.prova) finestraHeadless->impostaProva(testo::daUtf8(*o.prova));
    finestraHeadless->impostaDettagli(o.dettagli);
    finestraHeadless->suSituazione(
        [&servizio](const Situazione& s) { servizio.stato(testo::leggibile(DescriviSituazione(s))); });
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
    servizio.inArresto();
    if (finestraQt) {
      finestraQt->scarica();
    } else {
      Form_Unload(st);
      terminaProgramma(&pompa);
    }
  };
  installaUscitaSuSegnali(&app, [&] {
    // During a receipt's payment the close waits for the receipt, up to a limit.
    if (!chiuso && !RichiestaChiusura(st))
      QTimer::singleShot(static_cast<int>(AttesaMassimaChiusura(st) * 1000), &app, chiudi);
    else
      chiudi();
  });

  if (const std::optional<int> fine = FineDopoAvvio(st, Form_Load(st, ini), o, finestraQt.get()))
    return *fine;
  if (finestraQt) finestraQt->show();
  servizio.pronto();
  return pompa.eseguiCicloPrincipale();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quimbo;
  // Looked at before Qt starts, so that --help works without a display.
  const Opzioni o = leggiOpzioni(argc, argv);
  std::string erroreIni;
  const std::string ini = o.errore.empty() ? TrovaIni(o, argv[0], erroreIni) : "";
  if (const std::optional<int> fine = FinePrimaDiQt(o, erroreIni)) return *fine;

  gestorePrecedente = qInstallMessageHandler(messaggiQt);
  std::unique_ptr<QCoreApplication> app;
  creandoFinestra = !o.headless;
  if (o.headless)
    app = std::make_unique<QCoreApplication>(argc, argv);
  else
    app = std::make_unique<QApplication>(argc, argv);
  creandoFinestra = false;
  QCoreApplication::setApplicationName(QStringLiteral("quimbo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUIMBO_VERSIONE));

  if (!erroreIni.empty()) {
    app::Domanda d = app::costruisciDomanda(nullptr, "Errore file ini", testo::daUtf8(erroreIni),
                                            Icona::Critico, Pulsanti::Ok);
    d.box->exec();
    app::ErroreSuStderr("quimbo: " + erroreIni);
    return kEsitoConfigurazione;
  }
  return Esegui(o, ini, *app);
}
