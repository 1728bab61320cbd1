#include "link/comm.h"

#include <algorithm>

#include "base/errore.h"
#include "base/impostazioni_porta.h"
#include "base/registro.h"
#include "base/sistema.h"
#include "link/famiglia.h"
#include "link/scrittura.h"

namespace quimbo {

namespace {

const char* MessaggioEvento(int codice) {
  switch (codice) {
    case evento::Send:
      return "There are SThreshold number of";
    case evento::CTS:
      return "Change in the CTS line.";
    case evento::DSR:
      return "Change in the DSR line.";
    case evento::CD:
      return "Change in the CD line";
    case evento::Ring:
      return "Change in the Ring Indicator.";
    case evento::Break:
      return "' A Break was received.";
    case evento::CTSTO:
      return "CTS Timeout.";
    case evento::DSRTO:
      return "DSR Timeout.";
    case evento::Frame:
      return "Framing Error";
    case evento::Overrun:
      return "Data Lost.";
    case evento::CDTO:
      return "CD (RLSD) Timeout.";
    case evento::RxOver:
      return "Receive buffer overflow.";
    case evento::RxParity:
      return "Parity Error.";
    case evento::TxFull:
      return "Transmit buffer full.";
    default:
      return nullptr;
  }
}

void Ricezione(Stato& st) {
  std::string ricevuto;
  while (st.porta().inBufferCount() > 0) ricevuto += st.porta().input();
  Link(st).mlRicevuti += static_cast<long>(ricevuto.size());

  if (st.imp.mpFamiglia) st.imp.mpFamiglia->ricevi(st, ricevuto);
}

}  // namespace

double TempoCarattere(const std::string& impostazioni) {
  ImpostazioniPorta imp;
  std::string errore;
  if (!leggiImpostazioniPorta(impostazioni, imp, errore) || imp.baud <= 0) imp = ImpostazioniPorta{};
  return (1 + imp.bitDati + (imp.parita == 'N' ? 0 : 1) + imp.bitStop) / imp.baud;
}

void LineaQuieta(Stato& st) {
  // The bytes of one answer follow each other within a character time, plus the
  // latency timer of a USB adapter (16 ms): ten character times, and never less
  // than 0.1 s, of silence mean that the register has finished what it was saying.
  const double quiete = std::max(0.1, 10 * TempoCarattere(st.imp.msSettings));
  // A line that never falls silent (noise, a register that keeps talking) still
  // gets its receipts, after a second.
  const double limite = st.orologio().secondi() + 1.0;
  Porta& porta = st.porta();
  porta.attendiDati(0);  // what the driver holds already comes into the program first
  std::string caduti = porta.input();
  while (porta.attendiDati(quiete) && st.orologio().secondi() < limite) caduti += porta.input();
  porta.scarta();
  // What was dropped may have left its mark on the link state: a status section cut
  // in half, an Olivetti frame. A Frontiera hold is the register's state now, not an
  // answer: the last DC3 or DC1 on the line says whether it holds (a hold whose
  // release was lost while the port was closed never reaches this run either).
  Link(st).mbAttesa = false;
  if (st.imp.mpFamiglia && st.imp.mpFamiglia->quieta) st.imp.mpFamiglia->quieta(st, caduti);
}

bool PortaPronta(Stato& st, std::string* perche) {
  if (st.porta().aperta()) return true;
  std::string motivo;
  const std::string dispositivo = dispositivoPorta(st);
  if (st.porta().apri(dispositivo, st.imp.msSettings, motivo)) {
    LineaQuieta(st);
    if (!Link(st).msPortaNonDisponibile.empty()) {
      Link(st).msPortaNonDisponibile.clear();
      const std::string msg = "Porta seriale " + dispositivo + " di nuovo disponibile";
      ImpostaTesto(st, Campo::TxtMsg, msg);
      Annota(st, Livello::Informazione, msg);
    }
    return true;
  }
  const std::string msg = "Porta seriale " + dispositivo + " non disponibile: " + motivo;
  if (perche) *perche = motivo + SuggerimentoPorta(dispositivo, motivo);
  if (!perche && st.TxtMsg != msg) ImpostaTesto(st, Campo::TxtMsg, msg);
  // Once per cause, not on every tick while the adapter stays away.
  if (Link(st).msPortaNonDisponibile != msg) {
    Link(st).msPortaNonDisponibile = msg;
    if (!perche) Annota(st, Livello::Errore, msg + SuggerimentoPorta(dispositivo, motivo));
  }
  return false;
}

void SegnaEsito(Stato& st, EsitoComando e) { Link(st).meEsitoComando = Peggiore(Link(st).meEsitoComando, e); }

bool eTipoRisposta(const Stato& st) { return st.imp.msAttRisposta == "S" || st.imp.msAttRisposta == "s"; }

void Comm1_OnComm(Stato& st, int codice) {
  try {
    if (codice == evento::Receive) {
      Ricezione(st);
    } else if (codice == evento::PortaPersa) {
      const std::string motivo = st.porta().motivoChiusura();
      // Said here once; the tick that opens it again says that it is back.
      Link(st).msPortaNonDisponibile = "Porta seriale non disponibile: " + motivo;
      ImpostaTesto(st, Campo::TxtMsg, Link(st).msPortaNonDisponibile);
      ScriviErrore(st, err::ErroreIO, Link(st).msPortaNonDisponibile, "Comm1_OnComm");
      // Whatever was in flight did not reach the register.
      Link(st).mbErrTx = true;
      SegnaEsito(st, EsitoComando::LineaPersa);
    } else if (const char* msg = MessaggioEvento(codice)) {
      ImpostaTesto(st, Campo::TxtMsg, msg);
    }
  } catch (const Errore& e) {
    ScriviErrore(st, e, "Comm1_OnComm");
  }
}

EsitoAttesa AttendiCassa(Stato& st, const std::function<bool()>& fatto, double limite) {
  std::optional<double> scadenza;
  if (limite > 0) scadenza = st.orologio().secondi() + limite;
  Porta& porta = st.porta();
  st.pompa().attendi([&] { return fatto() || !porta.aperta(); }, scadenza);
  if (fatto()) return EsitoAttesa::Fatto;
  if (!porta.aperta()) return EsitoAttesa::PortaChiusa;
  return EsitoAttesa::Scaduto;
}

bool PortaPersa(Stato& st, const Errore& e) {
  return e.numero() == err::PortaNonAperta && !st.porta().aperta();
}

int16_t RispostaRicevuta(Stato& st, const std::string& ricevuto) {
  int16_t risposta = 6;
  for (unsigned char c : ricevuto) {
    AggiungiTesto(st, Campo::TxtRit, std::to_string(c) + " , ");
    if (c != 6) {
      risposta = c;
      if (c == 21) continue;
      Link(st).mbErrTx = true;
      Link(st).mbInattesa = true;
      SegnaEsito(st, EsitoComando::Rifiutato);
    }
  }
  Link(st).mbAttesa = false;
  return risposta;
}

void NessunaRisposta(Stato& st, const std::string& procedura) {
  Link(st).mbErrTx = true;
  SegnaEsito(st, EsitoComando::SenzaRisposta);
  // Once per exchange and per outage: a register switched off would fill the log
  // with a line for every command on every tick.
  const bool detto = Link(st).mbNessunaRisposta || st.mbCassaMuta;
  Link(st).mbNessunaRisposta = true;
  // For Frontiera the flag is the register's own DC3 hold: only its DC1 ends it.
  if (!Trattenuto(st)) Link(st).mbAttesa = false;
  if (detto) return;
  ImpostaTesto(st, Campo::TxtMsg, "Nessuna risposta dalla cassa");
  ScriviErrore(st, err::ErroreIO, "Nessuna risposta dalla cassa", procedura);
}

CollegamentoOccupato::CollegamentoOccupato(Stato& st) : st_(st) {
  if (Link(st_).miOccupato++ != 0) return;
  st_.finestra().collegamentoOccupato(true);
  Link(st_).mbNessunaRisposta = false;  // a new exchange: the register has not failed to answer it yet
}

CollegamentoOccupato::~CollegamentoOccupato() {
  if (--Link(st_).miOccupato == 0) st_.finestra().collegamentoOccupato(false);
}

}  // namespace quimbo
