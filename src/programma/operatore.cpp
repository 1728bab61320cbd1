#include "programma/operatore.h"

#include "link/tasti.h"
#include "queue/scansione.h"
#include "shell/chiusura.h"

namespace quimbo {

void OperatoreDelProgramma::fine() { Command1_Click(st_); }
void OperatoreDelProgramma::sblocca() { CmdSblocca_click(st_); }
void OperatoreDelProgramma::inviaTest() { comTest_Click(st_); }
void OperatoreDelProgramma::chiudi() { ChiediChiusura(st_); }
void OperatoreDelProgramma::scansione() { Timer1_Timer(st_); }

}  // namespace quimbo
