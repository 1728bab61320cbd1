#pragma once
// The Kabel link: STX, command, ETX; the register answers each command with a
// status section (DC3 to DC4) and says it is ready with a "z".

#include <string>

#include "shell/stato.h"

namespace quimbo {

int InviaKabel(Stato& st, const std::string& psCar, bool pvScontrino);
void RicezioneKabel(Stato& st, const std::string& ricevuto);

}  // namespace quimbo
