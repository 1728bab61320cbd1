#include "drivers/canale.h"

#include "base/errore.h"
#include "base/util.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "receipt/formato.h"

namespace quimbo {

int Canale::invia(const std::string& comando) {
  if (!reale()) {
    tradotti_->push_back(comando);
    return kContinua;
  }
  return static_cast<int16_t>(registra(InviaComando(st_, comando, true)));
}

int Canale::inviaOlivetti(const std::string& corpo) {
  if (!reale()) {
    tradotti_->push_back(corpo);
    return kContinua;
  }
  return static_cast<int16_t>(registra(OlivSpedComando(st_, corpo, true)));
}

void Canale::mostra(Campo campo, const std::string& testo) {
  if (reale()) ImpostaTesto(st_, campo, testo);
}

void LetteraNonValida(const std::string& lettera) {
  throw Errore(err::ChiamataNonValida, "Lettera di pagamento non valida: \"" + lettera + "\"");
}

std::string Colonna(const std::string& s, int n) {
  if (n < 0) throw Errore(err::ChiamataNonValida);
  std::string r = s.substr(0, static_cast<std::size_t>(n));
  r.resize(static_cast<std::size_t>(n), ' ');
  return r;
}

std::string ParteQuantita(const Stato& st, double quantita, const char* segno) {
  std::string q = StrConZero(quantita) + segno;
  q = st.imp.msSepDecimaliQta == "," ? util::Sostituisci(q, ".", ",") : util::Sostituisci(q, ",", ".");
  return q == std::string("1") + segno ? std::string() : q;
}

}  // namespace quimbo
