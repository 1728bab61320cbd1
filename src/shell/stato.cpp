#include "shell/stato.h"

#include <strings.h>

namespace quimbo {

static std::string* copiaDi(Stato& st, Campo campo) {
  switch (campo) {
    case Campo::TxtManda:
      return &st.TxtManda;
    case Campo::TxtRit:
      return &st.TxtRit;
    case Campo::TxtMsg:
      return &st.TxtMsg;
    case Campo::txtTipo:
      return &st.txtTipo;
    case Campo::Caption:
      return nullptr;
  }
  return nullptr;
}

void ImpostaTesto(Stato& st, Campo campo, const std::string& testo) {
  if (std::string* c = copiaDi(st, campo)) *c = testo;
  st.finestra().scrivi(campo, testo);
}

void AggiungiTesto(Stato& st, Campo campo, const std::string& testo) {
  std::string* c = copiaDi(st, campo);
  if (!c) return;
  *c += testo;
  st.finestra().scrivi(campo, *c);
}

bool eTipo(const Stato& st, const char* famiglia) { return strcasecmp(st.msTipoReg.c_str(), famiglia) == 0; }

CollegamentoOccupato::CollegamentoOccupato(Stato& st) : st_(st) {
  if (st_.miOccupato++ != 0) return;
  st_.finestra().collegamentoOccupato(true);
  st_.mbNessunaRisposta = false;  // a new exchange: the register has not failed to answer it yet
}

CollegamentoOccupato::~CollegamentoOccupato() {
  if (--st_.miOccupato == 0) st_.finestra().collegamentoOccupato(false);
}

}  // namespace quimbo
