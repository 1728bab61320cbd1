#pragma once
#include <string>

#include "drivers/canale.h"
#include "link/famiglia.h"
#include "receipt/record.h"

namespace quimbo {

// One receipt record to Vandoni commands. Returns 0, or the first positive result
// of a send (1 or 2), after which nothing more of the record is sent.
int TrasVandoni(Canale& canale, const RigaScontrino& riga);

// The payment command of a total line; error 5 for a letter that has none.
std::string PagamentoVandoni(const std::string& lettera, bool conAnticipo);

// Numbered frames, each acknowledged; "415" twice before a receipt, "497" twice to unlock.
extern const Famiglia kVandoni;

}  // namespace quimbo
