#pragma once
#include <string>

#include "drivers/canale.h"
#include "link/famiglia.h"
#include "receipt/record.h"

namespace quimbo {

// One receipt record to Frontiera commands: bare characters, paced by InviaCar.
// Returns 0, or the first positive result of a send.
int TrasFrontiera(Canale& canale, const RigaScontrino& riga);

// The display text of a total: the amount read as hundredths, rounded to a whole
// number first (half away from zero): 5 -> "0,05", 1234 -> "12,34", -5 -> "-0,05".
std::string TestoDisplayFrontiera(double importo);

// Bare commands paced by the register's DC3 and DC1, never answered; "K" before a
// receipt and to unlock.
extern const Famiglia kFrontiera;

}  // namespace quimbo
