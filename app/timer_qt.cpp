#include "timer_qt.h"

#include <utility>

namespace quimbo::app {

TimerScansione::TimerScansione(std::function<void()> scatto) {
  timer_.setObjectName(QStringLiteral("Timer1"));
  timer_.setSingleShot(false);
  // A coarse timer may tick up to 5% early; a scan is due a full interval later.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [scatto = std::move(scatto)] {
    if (scatto) scatto();
  });
}

void TimerScansione::intervallo(int millisecondi) {
  const bool cambiato = millisecondi != intervallo_;
  intervallo_ = millisecondi;
  aggiorna(cambiato);
}

void TimerScansione::abilita(bool abilitato) {
  abilitato_ = abilitato;
  aggiorna(false);
}

void TimerScansione::aggiorna(bool riparti) {
  if (!abilitato_ || intervallo_ <= 0) {
    timer_.stop();
    return;
  }
  if (riparti || !timer_.isActive()) timer_.start(intervallo_);
}

}  // namespace quimbo::app
