#pragma once
// The list behind "Scontrini in dubbio (N)": each receipt in doubt with what the
// operator needs to find it in the register's journal, and the two ways to settle it.

#include <windows.h>

#include "base/piattaforma.h"

namespace quimbo::win {

// The list's class and its controls' identifiers, for the tests that read it.
inline constexpr int kIdElenco = 200, kIdDettaglio = 201, kIdGiaStampato = 202, kIdRistampa = 203;

// Modal to `padrone` until the operator closes it, in the window's font. The caller
// keeps the port's events served meanwhile.
void MostraDubbi(HWND padrone, Operatore& op, HFONT carattere, UINT dpi);

}  // namespace quimbo::win
