#pragma once
// The program as a window's operator reaches it: the buttons, the close, the timer.

#include "shell/stato.h"

namespace quimbo {

class OperatoreDelProgramma final : public Operatore {
 public:
  explicit OperatoreDelProgramma(Stato& st) : st_(st) {}
  void fine() override;
  void sblocca() override;
  void inviaTest() override;
  void chiudi() override;
  bool chiuso() const override { return st_.mbChiuso; }
  bool inPagamento() const override { return st_.mbInPagamento; }

 private:
  Stato& st_;
};

}  // namespace quimbo
