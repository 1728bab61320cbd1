#include "base/timer1.h"

namespace quimbo {

void Timer1::intervallo(int millisecondi) {
  const bool cambiato = millisecondi != intervallo_;
  intervallo_ = millisecondi;
  aggiorna(cambiato);
}

void Timer1::abilita(bool abilitato) {
  abilitato_ = abilitato;
  aggiorna(false);
}

void Timer1::aggiorna(bool riparti) {
  if (!abilitato_ || intervallo_ <= 0) return fermaGiri();
  if (riparti || !giriAttivi()) avviaGiri(intervallo_);
}

void Timer1::scatta() {
  // The scan lets events through while it waits for the register: a tick that
  // comes then must not start a scan inside the scan.
  if (inScatto_) {
    ancora_ = true;
    return;
  }
  if (!cartella_.empty()) sorveglia();
  inScatto_ = true;
  ancora_ = false;
  if (scatto_) scatto_();
  inScatto_ = false;
  if (ancora_) subito();
}

void Timer1::subito() {
  if (inScatto_) {
    ancora_ = true;
    return;
  }
  if (previsto_ || !abilitato_ || intervallo_ <= 0) return;
  previsto_ = true;
  appena([this] {
    previsto_ = false;
    if (abilitato_ && intervallo_ > 0) scatta();
  });
}

void Timer1::osserva(const std::string& cartella) {
  smettiDiSorvegliare();
  cartella_ = cartella;
  sorveglia();
}

}  // namespace quimbo
