#pragma once
// The program as a window's operator reaches it: the buttons, the close, the
// receipts in doubt.

#include "base/stato.h"

namespace quimbo {

class OperatoreDelProgramma final : public Operatore {
 public:
  OperatoreDelProgramma(Stato& st, Servizio& servizio) : st_(st), servizio_(servizio) {}
  void fine() override;
  void sblocca() override;
  void inviaTest() override;
  void chiudi() override;
  bool chiuso() const override { return st_.mbChiuso; }
  bool inPagamento() const override { return st_.mbInPagamento; }
  std::vector<InDubbio> inDubbio() override;
  bool sistema(const InDubbio& d, bool ristampa) override;

 private:
  Stato& st_;
  Servizio& servizio_;
};

}  // namespace quimbo
