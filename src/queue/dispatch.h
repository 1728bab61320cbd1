#pragma once
#include <string>

#include "shell/stato.h"

namespace quimbo {

// Hands one receipt line to the driver of the configured family.
int Trasmetti(Stato& st, const std::string& psCosa);

// Whether the configured family has a driver in this build; receipts of a family
// without one stay in the folder.
bool DriverDisponibile(const Stato& st);

}  // namespace quimbo
