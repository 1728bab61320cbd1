#pragma once
// The folder scan: every tick sends up to 10 receipt files, deletes those sent
// and sets failed ones aside.

#include <string>

namespace quimbo {

inline constexpr int kFilePerGiro = 10;

// Whether a file of that name is a receipt ("*.sco", any case).
bool NomeDiScontrino(const std::string& nome);

}  // namespace quimbo
