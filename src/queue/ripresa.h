#pragma once
// A payment cut short by a stop: what the payment mark left names a receipt that may
// have been printed, settled before anything else goes out.

#include <filesystem>

#include "base/stato.h"

namespace quimbo {

// The receipt of a payment mark left by a stop is set aside in doubt, unless the
// journal says it was sent whole; the mark goes. False while a mark is there that
// cannot be read: it names a receipt nobody can tell, so nothing goes out until it can
// be (said once).
bool RisolviPagamentoInterrotto(Stato& st, const std::filesystem::path& cartella);

}  // namespace quimbo
