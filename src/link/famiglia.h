#pragma once
// A register family, described once: how a command goes out and the answers come
// in, how the register is made ready for a receipt and its keyboard unlocked, how
// a receipt line becomes its commands, and what its window shows. Each family's
// row lives in its driver's file; Form_Load picks one by "Registratore", and
// nothing chooses by family after that. A new family is one file per layer and
// one row.

#include <span>
#include <string>

#include "shell/stato.h"

namespace quimbo {

class Canale;  // where a driver's commands go (the drivers' layer)

enum class Sincronia { Fatta, Ricomincia, Interrompi };

struct Famiglia {
  const char* nome;  // as "Registratore" names it, in any case
  // One command out, with the family's frame, pacing and wait for an answer:
  // kContinua, or the operator's choice after the refusals.
  int (*invia)(Stato& st, const std::string& psCar, bool pvScontrino);
  // What the register said, as it arrives.
  void (*ricevi)(Stato& st, const std::string& ricevuto);
  // mbAttesa is the register's own hold (DC3 until DC1), not an awaited answer: a
  // failure or a silence leaves it set, and what a quiet line dropped still counts.
  bool trattiene;
  // The keyboard unlock: true when the register took it. None: nothing to unlock.
  bool (*sblocca)(Stato& st);
  // The register made ready for a receipt; `esito` gets what happened to the commands
  // the receipt's lines must not go after. None: nothing to do.
  Sincronia (*sincronizza)(Stato& st, EsitoComando& esito);
  // One receipt line into commands; the driver's result code.
  int (*traduci)(Canale& canale, const std::string& psCosa);
  // The elements of the window this family shows; the others are hidden.
  std::span<const Elemento> elementi;
};

// mbAttesa is the chosen family's hold, which only the register ends.
inline bool Trattenuto(const Stato& st) { return st.imp.mpFamiglia && st.imp.mpFamiglia->trattiene; }

}  // namespace quimbo
