#pragma once
// A register family, described once: how a command goes out and the answers come
// in, how the register is made ready for a receipt and its keyboard unlocked, how
// a receipt line becomes its commands, and what its window shows. Each family's
// row lives in its driver's file; Form_Load picks one by "Registratore", and
// nothing chooses by family after that. A new family is one file per layer and
// one row. A part a family does not have is left empty.

#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "base/stato.h"

namespace quimbo {

class Canale;          // where a driver's commands go (the drivers' layer)
struct RigaScontrino;  // a receipt line read once (the receipt layer)

enum class Sincronia { Fatta, Ricomincia, Interrompi };

struct Famiglia {
  const char* nome = "";  // as "Registratore" names it, in any case
  // Its own link state, fresh: made at start-up.
  std::unique_ptr<StatoDellaFamiglia> (*nuovoStato)() = nullptr;

  // One command out, with the family's frame, pacing and wait for an answer:
  // kContinua, or the operator's choice after the refusals.
  int (*invia)(Stato& st, const std::string& psCar, bool pvScontrino) = nullptr;
  // What the register said, as it arrives.
  void (*ricevi)(Stato& st, const std::string& ricevuto) = nullptr;
  // The line fell quiet after the port opened: `caduti` is what it carried, dropped
  // unread; the family's own state forgets what those bytes began.
  void (*quieta)(Stato& st, const std::string& caduti) = nullptr;
  // mbAttesa is the register's own hold (DC3 until DC1), not an awaited answer: a
  // failure or a silence leaves it set.
  bool trattiene = false;
  // The keyboard unlock: true when the register took it.
  bool (*sblocca)(Stato& st) = nullptr;

  // The register made ready for a receipt; `esito` gets what happened to the commands
  // the receipt's lines must not go after.
  Sincronia (*sincronizza)(Stato& st, EsitoComando& esito) = nullptr;
  // A receipt starts, or starts again: nothing sent before it is awaited any more.
  void (*nuovoScontrino)(Stato& st) = nullptr;
  // Commands of this receipt still without their answer, which comes after the
  // command was taken as sent.
  int (*inSospeso)(const Stato& st) = nullptr;
  // The receipt is over, printed or not: what it changed in the register goes back.
  void (*fineScontrino)(Stato& st) = nullptr;

  // One receipt line into commands; the driver's result code.
  int (*traduci)(Canale& canale, const RigaScontrino& riga) = nullptr;
  // The elements of the window this family shows; the others are hidden.
  std::span<const Elemento> elementi{};
};

// mbAttesa is the chosen family's hold, which only the register ends.
inline bool Trattenuto(const Stato& st) { return st.imp.mpFamiglia && st.imp.mpFamiglia->trattiene; }

// The family's own state, `S` of the family chosen; the state a family's code finds
// is always its own, made by Form_Load.
template <class S>
S& StatoProprio(const Stato& st) {
  auto* s = dynamic_cast<S*>(st.mpStatoFamiglia.get());
  if (!s) throw std::logic_error("stato di un'altra famiglia di registratori");
  return *s;
}

// A fresh state for `famiglia` (none for a family that keeps none, or no family).
inline std::unique_ptr<StatoDellaFamiglia> NuovoStato(const Famiglia* famiglia) {
  return famiglia && famiglia->nuovoStato ? famiglia->nuovoStato() : nullptr;
}

}  // namespace quimbo
