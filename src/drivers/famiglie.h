#pragma once
// The register families this program can drive.

#include <string>

#include "link/famiglia.h"

namespace quimbo {

// The family that "Registratore" names (any case); none for a name of no family.
const Famiglia* FamigliaDi(const std::string& registratore);

}  // namespace quimbo
