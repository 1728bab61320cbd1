#pragma once
// The folder scan: every tick sends up to 10 receipt files, deletes those sent
// and sets failed ones aside.

#include <filesystem>
#include <optional>
#include <string>

#include "base/stato.h"
#include "queue/elenco.h"

namespace quimbo {

inline constexpr int kFilePerGiro = 10;

// One tick of Timer1 (and of the folder's watch): a scan of the folder.
void Timer1_Timer(Stato& st);

}  // namespace quimbo
