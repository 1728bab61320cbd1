#pragma once
// The number of the error a call raises, 0 when it raises none.

#include "base/errore.h"

namespace quimbo {

inline int numeroErrore(auto&& f) {
  try {
    f();
  } catch (const Errore& e) {
    return e.numero();
  }
  return 0;
}

}  // namespace quimbo
