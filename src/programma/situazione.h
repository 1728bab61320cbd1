#pragma once
// The status line the operator and the service manager are shown.

#include <string>

#include "shell/stato.h"

namespace quimbo {

// "2 scontrini in attesa; ultimo inviato: a.sco alle 10:41:07; cassa collegata"
std::string DescriviSituazione(const Situazione& s);

}  // namespace quimbo
