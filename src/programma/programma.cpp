#include "programma/programma.h"

#include <cstdio>

#include "link/tasti.h"
#include "queue/dubbi.h"
#include "queue/scansione.h"
#include "shell/chiusura.h"
#include "shell/errore.h"
#include "shell/percorsi.h"
#include "shell/testo.h"
#include "shell/util.h"

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
          imp_) {
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

// The receipt folder an INI names, read alone: the port and the folder may be another
// program's now. None when the file cannot be read (said).
std::optional<std::filesystem::path> SoloCartella(const std::string& ini) {
  try {
    return cartella(util::FileIni::carica(ini).leggi("Altri parametri", "DirPerFile", "f:\\quimbo"));
  } catch (const Errore& e) {
    ErroreSuStderr("quimbo: file ini " + ini + " illeggibile: " + testo::aUtf8(e.descrizione()));
    return std::nullopt;
  }
}

}  // namespace

int Programma::SistemaInDubbio(const std::string& ini) {
  const std::optional<std::filesystem::path> dir = SoloCartella(ini);
  if (!dir) return uscita::Configurazione;
  std::string errore;
  const std::string nome = testo::daUtf8(o_.ristampa ? *o_.ristampa : *o_.giaStampato);
  const std::optional<std::string> fatto =
      Sistema(*dir, nome, o_.ristampa.has_value(), parti_.orologio.adesso(), errore);
  if (fatto) {
    st_.finestra().annota(Livello::Informazione, *fatto);
    parti_.servizio.nota(*fatto);
  }
  if (!errore.empty()) ErroreSuStderr("quimbo: " + testo::aUtf8(errore));
  std::fflush(stdout);
  return fatto ? uscita::Fatto : uscita::Fallito;
}

int Programma::ElencaInDubbio(const std::string& ini) {
  const std::optional<std::filesystem::path> dir = SoloCartella(ini);
  if (!dir) return uscita::Configurazione;
  for (const InDubbio& d : ElencoInDubbio(*dir))
    std::fputs((testo::aUtf8(RigaInDubbio(d)) + "\n").c_str(), stdout);
  std::fflush(stdout);
  return uscita::Fatto;
}

}  // namespace quimbo
