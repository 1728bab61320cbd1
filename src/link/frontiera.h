#pragma once
// The Frontiera link: bare commands, a character at a time, held by the register's
// DC3 and released by its DC1; no answers.

#include <string>

#include "base/stato.h"
#include "link/famiglia.h"

namespace quimbo {

int InviaFrontiera(Stato& st, const std::string& psCar, bool pvScontrino);

// DC3 holds the sender, DC1 releases it; the last of them counts.
void ControlloDiFlusso(Stato& st, const std::string& ricevuto);

// "K" before a receipt.
Sincronia SincronizzaFrontiera(Stato& st, EsitoComando& esito);

// "K"; true when it got through.
bool SbloccaFrontiera(Stato& st);

}  // namespace quimbo
