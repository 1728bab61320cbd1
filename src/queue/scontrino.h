#pragma once
#include <string>

#include "shell/stato.h"

namespace quimbo {

// Sends one receipt file: synchronisation, then every non-empty line through the
// dispatcher, with restarts on the operator's request. True when the end of the
// file was reached with every line handed over.
bool ElaboraScontrino(Stato& st, const std::string& percorso);

}  // namespace quimbo
