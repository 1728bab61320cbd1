#include "servizio.h"

#ifdef QUIMBO_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace quimbo::app {

namespace {
void notifica([[maybe_unused]] const std::string& riga) {
#ifdef QUIMBO_SYSTEMD
  sd_notify(0, riga.c_str());
#endif
}
}  // namespace

ServizioSystemd::ServizioSystemd() {
#ifdef QUIMBO_SYSTEMD
  uint64_t microsecondi = 0;
  if (sd_watchdog_enabled(0, &microsecondi) > 0 && microsecondi > 0) {
    // Twice per period, as the manager recommends, so one late ping is no restart.
    cane_.setInterval(static_cast<int>(microsecondi / 2000));
    QObject::connect(&cane_, &QTimer::timeout, [] { notifica("WATCHDOG=1"); });
    cane_.start();
  }
#endif
}

void ServizioSystemd::pronto() { notifica("READY=1"); }

void ServizioSystemd::stato(const std::string& testo) { notifica("STATUS=" + testo); }

void ServizioSystemd::inArresto() { notifica("STOPPING=1"); }

}  // namespace quimbo::app
