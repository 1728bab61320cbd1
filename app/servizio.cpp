#include "servizio.h"

#ifdef QUIMBO_SYSTEMD
#include <systemd/sd-daemon.h>
#include <systemd/sd-journal.h>
#endif

#include "base/testo.h"
#include "programma/programma.h"

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

// A program whose output the journal reads (a service) has said it in its log; one
// started from a terminal tells the journal itself.
void ServizioSystemd::nota([[maybe_unused]] const std::string& testo) {
#ifdef QUIMBO_SYSTEMD
  if (AlGiornaleDiSistema(stdout)) return;
  sd_journal_send("MESSAGE=%s", testo::aUtf8(testo).c_str(), "PRIORITY=5", "SYSLOG_IDENTIFIER=quimbo",
                  nullptr);
#endif
}

}  // namespace quimbo::app
