#pragma once
// The main window's class and its controls' identifiers, by the names the program
// and its operators know them by. Outside programs find the window through these
// (the installer closes it by its class, the tests read its controls).

#include "base/disposizione.h"

namespace quimbo::win {

inline constexpr const wchar_t* kClasseFinestra = L"QuimboFinestra";

// A control's identifier: its place in the list of the window's controls.
constexpr int IdDi(Controllo c) { return 100 + static_cast<int>(c); }

}  // namespace quimbo::win
