#pragma once
#include <string>
#include <vector>

#include "base/stato.h"
#include "link/invio.h"
#include "receipt/record.h"

namespace quimbo {

// Hands one receipt line, as it was read, to the driver of the configured family: the
// worst that happened to its commands, and the driver's result code.
Comando Trasmetti(Stato& st, const RigaScontrino& riga);
// The same for a line's text, read here (its errors raised).
Comando Trasmetti(Stato& st, const std::string& psCosa);

// The same line translated by the same driver with nothing sent and nothing on
// the display, the flags or the settings changed: the commands it would send.
// A line that cannot be translated (or, as text, read) raises its error here.
std::vector<std::string> Traduci(Stato& st, const RigaScontrino& riga);
std::vector<std::string> Traduci(Stato& st, const std::string& psCosa);

}  // namespace quimbo
