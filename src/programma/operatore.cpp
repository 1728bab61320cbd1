#include "programma/operatore.h"

#include "link/tasti.h"
#include "shell/chiusura.h"

namespace quimbo {

void OperatoreDelProgramma::fine() { Command1_Click(st_); }
void OperatoreDelProgramma::sblocca() { CmdSblocca_click(st_); }
void OperatoreDelProgramma::inviaTest() { comTest_Click(st_); }
void OperatoreDelProgramma::chiudi() { ChiediChiusura(st_); }

}  // namespace quimbo
