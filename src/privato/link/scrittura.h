#pragma once
// The link's own hold on the exchange with the register: on the include path of the
// link's sources alone (src/privato), so that a write to the exchange from any other
// part of the program does not build.

#include "base/stato.h"

namespace quimbo {

class ScritturaCollegamento {
 public:
  static auto& di(Stato& st) { return st.link.c_; }
};

// The exchange's fields, for the link's code to move.
inline auto& Link(Stato& st) { return ScritturaCollegamento::di(st); }

}  // namespace quimbo
