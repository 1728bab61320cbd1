#include "pompa_qt.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace quimbo::app {

bool PompaQt::attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) {
  const LivelloDiAttesa livello(profondita_);
  QTimer sveglia;
  sveglia.setSingleShot(true);
  sveglia.setTimerType(Qt::PreciseTimer);
  for (;;) {
    if (fatto()) return true;
    if (scadenza) {
      const double resta = *scadenza - orologio_.secondi();
      if (resta <= 0) return fatto();
      // Rounded up: waking a little late is harmless, waking early costs a lap.
      const double ms = std::ceil(resta * 1000.0);
      sveglia.start(ms > 2e9 ? 2000000000 : static_cast<int>(ms));
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

int PompaQt::eseguiCicloPrincipale() {
  cicloPrincipale_ = true;
  const int codice = QCoreApplication::exec();
  cicloPrincipale_ = false;
  return codice;
}

void PompaQt::dopo(double secondi, std::function<void()> azione) {
  QTimer::singleShot(static_cast<int>(std::ceil(secondi * 1000)), QCoreApplication::instance(),
                     std::move(azione));
}

void PompaQt::esci() { terminaProgramma(this); }

void terminaProgramma(const PompaQt* pompa) {
  const bool soloIlCicloPrincipale = pompa != nullptr && pompa->nelCicloPrincipale() &&
                                     pompa->profondita() == 0 && QThread::currentThread()->loopLevel() == 1;
  if (!soloIlCicloPrincipale) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
  }
  QCoreApplication::exit(0);
}

}  // namespace quimbo::app
