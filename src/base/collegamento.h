#pragma once
// The exchange with the register, one command at a time, as the link keeps it: the
// link alone moves it (its sources reach the fields through a header of their own,
// which no other part of the program can include), every part reads it.

#include <string>

namespace quimbo {

// What happened to one command, as the link saw it; in order of weight, the worst
// last (a receipt goes on only while every command was Accettato or Inviato).
enum class EsitoComando {
  Accettato,      // the register took it: an ACK, a "!0" status, a ready sign; Frontiera,
                  // which never answers: every byte written
  Inviato,        // Kabel with "Pausa": written, its status comes later (counted before the payment)
  Rifiutato,      // refused past the retries, never accepted, or answered unexpectedly
  SenzaRisposta,  // the register kept silent past the time limit
  LineaPersa,     // the port was not open, or went away
  Fermato,        // the operator stopped it: No or Cancel after the refusals, or "&FINE"
};
inline EsitoComando Peggiore(EsitoComando a, EsitoComando b) { return a < b ? b : a; }
inline bool Passato(EsitoComando e) { return e == EsitoComando::Accettato || e == EsitoComando::Inviato; }

// The exchange as one state: what the command being sent, or the last one, came to.
enum class StatoScambio {
  Inattivo,          // nothing under way, the last command not positively taken
  InAttesa,          // an answer is awaited (Frontiera: the register holds the sender)
  Accettato,         // the register positively took the last command
  Rifiutato,         // refused past the retries, or never accepted
  SenzaRisposta,     // the register kept silent past the time limit
  RispostaInattesa,  // it answered what no command expects
  PortaPersa,        // the port went away under it
};

class ScritturaCollegamento;

class Collegamento {
 public:
  // The flags under the names the original's procedures test.
  bool mbAttesa() const { return c_.mbAttesa; }
  bool mbErrTx() const { return c_.mbErrTx; }
  bool mbNessunaRisposta() const { return c_.mbNessunaRisposta; }
  bool mbConfermato() const { return c_.mbConfermato; }
  long mlRicevuti() const { return c_.mlRicevuti; }
  int miComandi() const { return c_.miComandi; }
  // "&FINE", the operator's request to the link to stop: a wait for a missing receipt
  // file ends, and nothing more of a receipt counts as sent. Never withdrawn.
  void chiediFine() { c_.mbFine = true; }
  bool mbFine() const { return c_.mbFine; }
  // An exchange (a button's, or a receipt's) is under way.
  bool occupato() const { return c_.miOccupato > 0; }
  StatoScambio stato() const {
    if (c_.mbAttesa) return StatoScambio::InAttesa;
    switch (c_.meEsitoComando) {
      case EsitoComando::LineaPersa:
        return StatoScambio::PortaPersa;
      case EsitoComando::SenzaRisposta:
        return StatoScambio::SenzaRisposta;
      case EsitoComando::Rifiutato:
      case EsitoComando::Fermato:
        return c_.mbInattesa ? StatoScambio::RispostaInattesa : StatoScambio::Rifiutato;
      case EsitoComando::Accettato:
      case EsitoComando::Inviato:
        break;
    }
    return c_.mbConfermato ? StatoScambio::Accettato : StatoScambio::Inattivo;
  }

 private:
  friend class ScritturaCollegamento;
  struct Campi {
    // Vandoni, Olivetti and Kabel: an answer is awaited. f_trasmreg and InviaKabel set
    // it before writing; the receive handler clears it at the answer (Kabel: the ready
    // sign), and so do NessunaRisposta, a failed exchange and LineaQuieta.
    // Frontiera: the register holds the sender. DC3 sets it and DC1 clears it, in the
    // receive handler and in LineaQuieta; InviaFrontiera waits while it is set.
    bool mbAttesa = false;
    // Something did not get through. Only the link writes it: set by the receive
    // handler (an unexpected answer), NessunaRisposta, a failed f_trasmreg or InviaCar,
    // the port lost, an Olivetti command never accepted; cleared by NuovoScontrino (each
    // receipt's start and restart), before the second "415", by Sblocca and by --prova.
    // A receipt reads it only for what happened between two commands.
    bool mbErrTx = false;
    // The register did not answer within the time limit, in this receipt (each receipt
    // clears it); and whether it is silent since then (cleared by its next answer).
    // NessunaRisposta sets it; NuovoScontrino, and the start of an exchange (the
    // outermost CollegamentoOccupato), clear it.
    bool mbNessunaRisposta = false;
    // Bytes received from the register since start-up: a receipt that got none went
    // to a register that is switched off, even where no single wait could tell. The
    // receive handler and the readers that bypass it count them; never cleared.
    long mlRicevuti = 0;
    // The register positively took the last command (an ACK, a "!0" status, a ready
    // sign); "no answer in time" does not count. InviaComando clears it at its start,
    // the family's sender sets it.
    bool mbConfermato = false;
    // What has happened so far to the command InviaComando is sending: set by the
    // link where it sees a failure, worst first; read only through InviaComando's result.
    EsitoComando meEsitoComando = EsitoComando::Accettato;
    // An exchange with the register is under way (a button's, or a receipt's):
    // CollegamentoOccupato counts it.
    int miOccupato = 0;
    // Depth of keyboard unlocks started from inside a send; bounds their nesting.
    int miSbloccoInCorso = 0;
    // The last "port not available" said to the integrator's log.
    std::string msPortaNonDisponibile;
    // Commands handed to the register (InviaCar) since start-up: a receipt's log line
    // counts its own from the difference. Only InviaComando writes it.
    int miComandi = 0;
    bool mbFine = false;
    // The command being sent got an answer no command expects (not an ACK or a NAK).
    bool mbInattesa = false;
  };
  Campi c_;
};

}  // namespace quimbo
