#pragma once
// Olivetti framing (length-prefixed fields, hexadecimal checksum), the paced
// writer and the answer handshake. None of these waits lets events through.

#include <string>

#include "base/stato.h"
#include "link/famiglia.h"
#include "link/invio.h"

namespace quimbo {

struct StatoOlivetti : StatoDellaFamiglia {
  // Olivetti answers not yet read: the receive handler (answers not checked) and
  // OliRispReg fill it; OliScartaRisposte, OliRispReg, the quiet line and
  // the synchronisation empty it.
  std::string msOliBuffer;
  // An Olivetti answer frame has begun (STX seen, ETX not yet): OliRispReg sets and
  // clears it; OliScartaRisposte, the quiet line and the synchronisation
  // clear it.
  bool mbOliStx = false;
};

// One field: the character (length + 32) and the text. Over 223 characters is error 5.
std::string AggCarContr(const std::string& psStr);
// Sum of the byte codes as four upper-case hexadecimal digits (last four kept).
std::string ctr(const std::string& psAppo);
// STX, body, ctr(body), ETX, sent through InviaCar.
int OlivSpedStr(Stato& st, const std::string& psAp, bool pvScontrino);
// The same, with what happened to the command.
Comando OlivSpedComando(Stato& st, const std::string& psAp, bool pvScontrino);
// With answers read ("AttRisposta" S), before a frame goes out: whatever the line,
// the driver and msOliBuffer hold answers an earlier frame, and would be read as
// this one's answer.
void OliScartaRisposte(Stato& st);
// Writes in pieces of 10 characters, each after a pause of mdPausa.
void OliInviaStr(Stato& st, const std::string& pStringa);
// One answer frame, STX to ETX, or "" when none was complete within 2 s.
std::string OliRispReg(Stato& st);
// Reads, acknowledges and checks the answers to psCom; true = accepted.
bool OliControlloOk(Stato& st, const std::string& psCom);

// One command, framed by the caller: written up to ten times while its answers
// are read and refused.
int InviaOlivetti(Stato& st, const std::string& psCar, bool pvScontrino);
// With answers read they are checked as the Vandoni ones; otherwise kept for OliRispReg.
void RicezioneOlivetti(Stato& st, const std::string& ricevuto);
// "1322" before a receipt, with whatever an earlier one left half read gone.
Sincronia SincronizzaOlivetti(Stato& st, EsitoComando& esito);
// What a quiet line dropped began no frame that is still to be read.
void QuietaOlivetti(Stato& st, const std::string& caduti);

}  // namespace quimbo
