#pragma once
#include <string>

#include "drivers/canale.h"

namespace quimbo {

// One receipt record to Olivetti command bodies, each framed and sent through
// OlivSpedStr. Returns 0, or the first positive result of a send.
int TrasOlivetti(Canale& canale, const std::string& psCosa);

}  // namespace quimbo
