#pragma once
// The one send operation for every family: framing, acknowledgement, pacing,
// retries and the operator's choice when the register keeps refusing.

#include <string>

#include "base/stato.h"

namespace quimbo {

// Result codes: 0 go on; 1 the operator answered No (whole receipt again, or give
// up this command outside a receipt); 2 the operator answered Cancel (stop).
inline constexpr int kContinua = 0;
inline constexpr int kRipetiScontrino = 1;
inline constexpr int kInterrompi = 2;

// One command sent: what happened to it, the original's result code (kContinua
// unless the operator stopped it), and whether the register answered it with what no
// command expects.
struct Comando {
  EsitoComando esito = EsitoComando::Accettato;
  int codice = kContinua;
  bool inattesa = false;
};
Comando InviaComando(Stato& st, const std::string& psCar, bool pvScontrino);
// The same, with the original's result code alone.
inline int InviaCar(Stato& st, const std::string& psCar, bool pvScontrino) {
  return InviaComando(st, psCar, pvScontrino).codice;
}

// A receipt starts, or starts again: what went wrong before it, and whatever was
// still awaited, no longer counts.
void NuovoScontrino(Stato& st);

// The keyboard unlock behind "&Sblocca tastiera"; true when both unlock commands
// were accepted.
bool Sblocca(Stato& st);

}  // namespace quimbo
