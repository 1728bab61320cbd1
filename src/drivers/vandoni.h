#pragma once
#include <string>

#include "shell/stato.h"

namespace quimbo {

// One receipt record to Vandoni commands, each sent through InviaCar. Returns 0,
// or the first positive result of a send (1 or 2), after which nothing more of
// the record is sent.
int TrasVandoni(Stato& st, const std::string& psCosa);

// The payment command of a total line; error 5 for a letter that has none.
std::string PagamentoVandoni(const std::string& lettera, bool conAnticipo);

}  // namespace quimbo
