#pragma once
// The one send operation for every family: framing, acknowledgement, pacing,
// retries and the operator's choice when the register keeps refusing.

#include <string>

#include "shell/stato.h"

namespace quimbo {

// Result codes: 0 go on; 1 the operator answered No (whole receipt again, or give
// up this command outside a receipt); 2 the operator answered Cancel (stop).
inline constexpr int kContinua = 0;
inline constexpr int kRipetiScontrino = 1;
inline constexpr int kInterrompi = 2;

int InviaCar(Stato& st, const std::string& psCar, bool pvScontrino);

// The keyboard unlock behind "&Sblocca tastiera"; true when both unlock commands
// were accepted.
bool Sblocca(Stato& st);

}  // namespace quimbo
