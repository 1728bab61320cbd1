#pragma once
// The Vandoni link: numbered frames, an ACK or a NAK for each, the frame again while
// it is refused, then the unlock and the operator's choice.

#include <cstdint>
#include <optional>
#include <string>

#include "shell/stato.h"

namespace quimbo {

// The Vandoni frame for one command: STX, sequence, length, data, ETX, check.
// More than 219 data characters is error 5; a sum past 32767 is error 6.
std::string TramaVandoni(int16_t progr, const std::string& dati);

// Frames and sends one command and waits for the answer; returns its code
// (6 ACK, 21 NAK, other = unexpected) or no code when the exchange failed.
std::optional<int16_t> f_trasmreg(Stato& st, const std::string& psDati);

// One command, refused up to "Ritenta" times before the operator is asked.
int InviaVandoni(Stato& st, const std::string& psCar, bool pvScontrino);

// Vandoni, and Olivetti with its answers read: each character's code, the last that is
// not an ACK as the answer; one that is no NAK either is unexpected.
void RicezioneRisposte(Stato& st, const std::string& ricevuto);

// Two "497"; true when both were accepted.
bool SbloccaVandoni(Stato& st);

}  // namespace quimbo
