#pragma once
#include <string>

#include "drivers/canale.h"
#include "link/famiglia.h"
#include "receipt/record.h"

namespace quimbo {

// One receipt record to Olivetti command bodies, each framed and sent through
// OlivSpedStr. Returns 0, or the first positive result of a send.
int TrasOlivetti(Canale& canale, const RigaScontrino& riga);

// Checksummed frames of length-prefixed fields, paced in pieces; "1322" before a receipt.
extern const Famiglia kOlivetti;

}  // namespace quimbo
