#include "programma/programma.h"

#include <cstdio>

#include "base/chiusura.h"
#include "base/disposizione.h"
#include "base/errore.h"
#include "base/percorsi.h"
#include "base/sistema.h"
#include "base/testo.h"
#include "base/util.h"
#include "link/tasti.h"
#include "queue/dubbi.h"
#include "queue/scansione.h"

namespace quimbo {

namespace {

std::unique_ptr<FinestraHeadless> LogSenzaFinestra(const Opzioni& o, PartiDellaShell& p) {
  if (p.finestra) return nullptr;
  auto f = std::make_unique<FinestraHeadless>(p.orologio);
  if (o.prova) f->impostaProva(testo::daUtf8(*o.prova));
  f->impostaDettagli(o.dettagli);
  f->suSituazione([&servizio = p.servizio](const Situazione& s) {
    servizio.stato(testo::leggibile(DescriviSituazione(s)));
  });
  f->suErrore([&servizio = p.servizio](const std::string& riga) { servizio.errore(riga); });
  f->impostaTermine([&p] {
    p.servizio.inArresto();
    p.pompa.esci();
  });
  return f;
}

}  // namespace

Programma::Programma(const Opzioni& o, PartiDellaShell parti)
    : o_(o),
      parti_(parti),
      headless_(LogSenzaFinestra(o_, parti_)),
      st_(Piattaforma{parti_.porta, parti_.finestra ? *parti_.finestra : *headless_, parti_.timer,
                      parti_.pompa, parti_.orologio},
          imp_, coda_) {
  imp_.mbSenzaFinestra = o_.headless;
  imp_.mbSoloComando = o_.prova || o_.sblocca;
  if (headless_) headless_->collega(&st_);
  parti_.timer.suScatto([this] { Timer1_Timer(st_); });
}

int Programma::esegui(const std::string& ini, const std::string& erroreIni) {
  if (!erroreIni.empty()) {
    st_.finestra().chiedi("Errore file ini", testo::daUtf8(erroreIni), Icona::Critico, Pulsanti::Ok);
    ErroreSuStderr("quimbo: " + erroreIni);
    return uscita::Configurazione;
  }
  if (o_.inDubbio) return ElencaInDubbio(ini);
  if (o_.ristampa || o_.giaStampato) return SistemaInDubbio(ini);
  if (const std::optional<int> fine = FineDopoAvvio(Form_Load(st_, imp_, ini))) return *fine;
  st_.finestra().visualizza();
  parti_.servizio.pronto();
  return parti_.pompa.eseguiCicloPrincipale();
}

// A configuration that cannot be used ends the program; so does a port that did not
// open for the window or a command-line action (a service waits for it), and the
// command-line actions themselves. Its exit code, or none.
std::optional<int> Programma::FineDopoAvvio(const EsitoAvvio& esito) {
  if (!esito.erroreConfigurazione.empty()) {
    ErroreSuStderr("quimbo: " + testo::leggibile(esito.erroreConfigurazione));
    return uscita::Configurazione;
  }
  if (!esito.cartellaOccupata.empty()) {
    // Headless, the error log's line on standard error has said it.
    if (!o_.headless) st_.finestra().chiedi("", esito.cartellaOccupata, Icona::Critico, Pulsanti::Ok);
    return uscita::Fallito;
  }
  if (!esito.portaAperta && (!o_.headless || o_.prova || o_.sblocca)) {
    // Headless, the error log's line on standard error has said it.
    if (!o_.headless)
      st_.finestra().chiedi(
          "", "Impossibile aprire la porta " + esito.dispositivo + ":\n" + testo::daUtf8(esito.motivo),
          Icona::Critico, Pulsanti::Ok);
    return uscita::Fallito;
  }
  if (!o_.prova && !o_.sblocca) return std::nullopt;
  st_.timer().abilita(false);
  const bool ok = o_.prova ? ProvaDaRigaComandi(st_, testo::daUtf8(*o_.prova)) : SbloccaDaRigaComandi(st_);
  Form_Unload(st_);
  std::fflush(stdout);
  return ok ? uscita::Fatto : uscita::Fallito;
}

namespace {

// The receipt folder an INI names, and how its receipts are written, read alone: the
// port and the folder may be another program's now. None when the file cannot be read
// (said).
struct CartellaDelleRicevute {
  std::filesystem::path dir;
  std::string codifica;
};
std::optional<CartellaDelleRicevute> SoloCartella(const std::string& ini) {
  try {
    const util::FileIni f = util::FileIni::carica(ini);
    return CartellaDelleRicevute{cartella(f.leggi("Altri parametri", "DirPerFile", "f:\\quimbo")),
                                 f.leggi("Altri parametri", "Codifica", "auto")};
  } catch (const Errore& e) {
    ErroreSuStderr("quimbo: file ini " + ini + " illeggibile: " + testo::aUtf8(e.descrizione()));
    return std::nullopt;
  }
}

// On a terminal the operator confirms, as in the window; a script is not asked.
bool Confermato(const InDubbio& d, bool ristampa) {
  if (!DaTerminale()) return true;
  std::fputs((testo::aUtf8(DomandaSistema(d, ristampa)) + " [s/N] ").c_str(), stdout);
  std::fflush(stdout);
  char risposta[16] = {};
  if (!std::fgets(risposta, sizeof risposta, stdin)) return false;
  return risposta[0] == 's' || risposta[0] == 'S';
}

}  // namespace

int Programma::SistemaInDubbio(const std::string& ini) {
  const std::optional<CartellaDelleRicevute> c = SoloCartella(ini);
  if (!c) return uscita::Configurazione;
  const bool ristampa = o_.ristampa.has_value();
  const std::string nome = testo::daUtf8(ristampa ? *o_.ristampa : *o_.giaStampato);
  std::string errore;
  bool ambiguo = false;
  const std::optional<InDubbio> d = TrovaInDubbio(c->dir, c->codifica, nome, errore, ambiguo);
  if (!d) {
    // Settled already (a second click, another till's operator): nothing to do.
    if (const std::optional<std::string> come = ambiguo ? std::nullopt : ComeSistemato(c->dir, nome)) {
      std::printf(
          "%s\n",
          testo::aUtf8("Scontrino " + nome + " non pi\xf9 in dubbio, gi\xe0 sistemato: " + *come).c_str());
      std::fflush(stdout);
      return uscita::Fatto;
    }
    ErroreSuStderr("quimbo: " + testo::aUtf8(errore));
    return uscita::Fallito;
  }
  if (!Confermato(*d, ristampa)) {
    ErroreSuStderr("quimbo: nulla fatto: lo scontrino " + testo::aUtf8(d->nome) + " resta in dubbio");
    return uscita::Fallito;
  }
  const std::optional<std::string> fatto = Sistema(c->dir, *d, ristampa, parti_.orologio.adesso(), errore);
  if (fatto) {
    st_.finestra().annota(Livello::Informazione, *fatto);
    parti_.servizio.nota(*fatto);
  }
  if (!errore.empty()) ErroreSuStderr("quimbo: " + testo::aUtf8(errore));
  std::fflush(stdout);
  return fatto ? uscita::Fatto : uscita::Fallito;
}

int Programma::ElencaInDubbio(const std::string& ini) {
  const std::optional<CartellaDelleRicevute> c = SoloCartella(ini);
  if (!c) return uscita::Configurazione;
  const std::vector<InDubbio> elenco = ElencoInDubbio(c->dir, c->codifica);
  if (elenco.empty()) std::fputs((testo::aUtf8(kNessunoInDubbio) + "\n").c_str(), stdout);
  for (const InDubbio& d : elenco) std::fputs((testo::aUtf8(RigheInDubbio(d)) + "\n").c_str(), stdout);
  std::fflush(stdout);
  return uscita::Fatto;
}

}  // namespace quimbo
