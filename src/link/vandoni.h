#pragma once
// The Vandoni link: numbered frames, an ACK or a NAK for each, the frame again while
// it is refused, then the unlock and the operator's choice.

#include <cstdint>
#include <optional>
#include <string>

#include "base/stato.h"
#include "link/famiglia.h"

namespace quimbo {

struct StatoVandoni : StatoDellaFamiglia {
  // The sequence code of the next frame (32 to 126): made at 32, f_trasmreg advances it.
  int16_t miProgr = 32;
  // The code of the last answer character that was not an ACK (6 when all were):
  // set by the receive handler, read by f_trasmreg.
  int16_t miRisposta = 0;
  // The last frame written, for the display: f_trasmreg.
  std::string msUltimaTrama;
};

// The Vandoni frame for one command: STX, sequence, length, data, ETX, check.
// More than 219 data characters is error 5; a sum past 32767 is error 6.
std::string TramaVandoni(int16_t progr, const std::string& dati);

// Frames and sends one command and waits for the answer; returns its code
// (6 ACK, 21 NAK, other = unexpected) or no code when the exchange failed.
std::optional<int16_t> f_trasmreg(Stato& st, const std::string& psDati);

// One command, refused up to "Ritenta" times before the operator is asked.
int InviaVandoni(Stato& st, const std::string& psCar, bool pvScontrino);

// The answers, kept for f_trasmreg.
void RicezioneVandoni(Stato& st, const std::string& ricevuto);

// Two "415" before a receipt; the operator is asked when the second is refused.
Sincronia SincronizzaVandoni(Stato& st, EsitoComando& esito);

// Two "497"; true when both were accepted.
bool SbloccaVandoni(Stato& st);

}  // namespace quimbo
