#pragma once
// The service manager's side of the program (systemd's notify protocol): ready
// once the port is open and the first scan armed, a status line, the watchdog's
// pings from the event loop, and the stop. Does nothing outside a service, or
// where the program was built without libsystemd.

#include <QTimer>
#include <string>

#include "base/piattaforma.h"

namespace quimbo::app {

class ServizioSystemd : public Servizio {
 public:
  ServizioSystemd();
  void pronto() override;
  void stato(const std::string& testo) override;
  void inArresto() override;
  void nota(const std::string& testo) override;

 private:
  QTimer cane_;  // the watchdog's pings: a program stuck outside the event loop stops sending them
};

}  // namespace quimbo::app
