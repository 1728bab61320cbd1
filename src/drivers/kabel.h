#pragma once
#include <string>

#include "drivers/canale.h"
#include "link/famiglia.h"
#include "receipt/record.h"

namespace quimbo {

// One receipt record to Kabel commands, each sent between STX and ETX by InviaCar.
// Returns 0, or the first positive result of a send.
int TrasKabel(Canale& canale, const RigaScontrino& riga);

// The base configuration with its third character set to "1": the VAT summary on.
std::string DetIva(const std::string& psConfBase);

// A number as the user's locale writes it: its decimal separator (`sepDecimali`),
// a zero before the separator below 1, no thousands separators.
std::string NumeroLocale(double valore, const std::string& sepDecimali);

// STX-framed commands, each answered by a status section; no synchronisation.
extern const Famiglia kKabel;

}  // namespace quimbo
