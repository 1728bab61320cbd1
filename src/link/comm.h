#pragma once
// The serial port's events, the waits for the register and what every family's link shares.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/errore.h"
#include "base/stato.h"

namespace quimbo {

// Marks the link busy for the life of the object (buttons disabled, scan skipped).
class CollegamentoOccupato {
 public:
  explicit CollegamentoOccupato(Stato& st);
  ~CollegamentoOccupato();
  CollegamentoOccupato(const CollegamentoOccupato&) = delete;
  CollegamentoOccupato& operator=(const CollegamentoOccupato&) = delete;

 private:
  Stato& st_;
};

// A failure of the command being sent, seen by the link: kept unless a worse one
// was seen already.
void SegnaEsito(Stato& st, EsitoComando e);

// The port's events (codes of evento::), wired at start-up: received bytes, the
// line's errors, the port lost.
void Comm1_OnComm(Stato& st, int codice);

enum class EsitoAttesa { Fatto, Scaduto, PortaChiusa };

// Lets events through until `fatto` holds, the port goes away, or `limite`
// seconds pass (0 or less: no limit).
EsitoAttesa AttendiCassa(Stato& st, const std::function<bool()>& fatto, double limite);

// Seconds one character takes on the line with these settings ("1200,e,7,1":
// 10 bits, 8.3 ms); a text that cannot be read counts as 1200,e,7,1.
double TempoCarattere(const std::string& impostazioni);

// Right after the port opened: nothing may go out while the line still carries
// what the register said to an earlier run (an answer to the frame that run wrote
// last). Waits, processing no events, until the line has been silent for a few
// character times, then drops everything received and the link state it touched.
void LineaQuieta(Stato& st);

// Opens the port when it is not open, at start-up and at every tick after it went
// away (far end hung up, adapter pulled, not plugged in yet): true when it is open.
// Why not is said once per cause, with what to do; or, with `perche`, put there for
// the caller to say. That it is back is said once.
bool PortaPronta(Stato& st, std::string* perche = nullptr);

// "AttRisposta" is "S" (either case): Olivetti answers are read and checked.
bool eTipoRisposta(const Stato& st);

// The error only says that the port is gone, which was logged when it went.
bool PortaPersa(Stato& st, const Errore& e);

// Vandoni, and Olivetti with its answers read: each character's code shown, the
// last that is not an ACK returned as the answer (6 when all were); one that is no
// NAK either is unexpected. The answer is in: mbAttesa ends.
int16_t RispostaRicevuta(Stato& st, const std::string& ricevuto);

// The register kept silent past "TempoMaxRisposta": the command stops as if it
// had answered an unexpected character.
void NessunaRisposta(Stato& st, const std::string& procedura);

}  // namespace quimbo
