#pragma once
// The folder scan: every tick sends up to 10 receipt files, deletes those sent
// and sets failed ones aside.

#include <filesystem>
#include <optional>
#include <string>

#include "shell/stato.h"

namespace quimbo {

inline constexpr int kFilePerGiro = 10;

// One tick of Timer1 (and of the folder's watch): a scan of the folder.
void Timer1_Timer(Stato& st);

// What to say of a receipt folder that cannot be reached at all (a name too long, a
// folder on the way that may not be entered), as the system says it; none for one that
// is there or is missing (a missing folder lists nothing).
std::optional<std::string> CartellaInaccessibile(const std::filesystem::path& dir);

}  // namespace quimbo
