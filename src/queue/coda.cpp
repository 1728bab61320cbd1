#include "queue/coda.h"

#include "shell/sistema.h"

namespace quimbo {

StatoCoda& Coda(Stato& st) {
  if (!st.mpCoda) st.mpCoda = std::make_unique<StatoCoda>();
  return static_cast<StatoCoda&>(*st.mpCoda);  // only this function makes it
}

void MostraSituazione(Stato& st) {
  StatoCoda& c = Coda(st);
  Situazione& s = c.mSituazione;
  s.portaAssente = !st.mbChiuso && !st.porta().aperta();
  s.dispositivo = s.portaAssente ? dispositivoPorta(st) : "";
  s.cassaMuta = st.mbCassaMuta;
  if (c.mSituazioneMostrata == s) return;
  c.mSituazioneMostrata = s;
  st.finestra().situazione(s);
}

void GiaDetto(Stato& st, const std::string& chiave) { Coda(st).masAvvisati.insert(chiave); }

}  // namespace quimbo
