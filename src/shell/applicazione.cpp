#include "shell/applicazione.h"

namespace quimbo {

void Command1_Click(Stato& st) {
  st.finestra().abilitaTimer(false);
  st.mbErrTx = true;
  Form_Unload(st);
  st.finestra().termina();
}

void Form_Unload(Stato& st) {
  st.porta().chiudi();
  st.finestra().abilitaTimer(false);
}

}  // namespace quimbo
