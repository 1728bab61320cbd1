#pragma once
// Timer1 on Qt: a QTimer, and inotify on the folder through a QSocketNotifier.

#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "shell/piattaforma.h"

class QSocketNotifier;

namespace quimbo::app {

class TimerQt : public TimerScansione {
 public:
  TimerQt();
  ~TimerQt() override;

  void suScatto(std::function<void()> scatto) override { scatto_ = std::move(scatto); }
  void intervallo(int millisecondi) override;
  void abilita(bool abilitato) override;
  // Asked for during a tick, it comes right after that tick; with the timer off, it
  // does not come.
  void subito() override;
  // Only "*.sco" names cost a scan. Where the folder cannot be watched (missing, no
  // inotify), the timer alone scans it, and the watch is tried again at each tick.
  void osserva(const std::string& cartella) override;

  bool abilitato() const { return abilitato_; }
  const QTimer& timer() const { return timer_; }

 private:
  void aggiorna(bool riparti);
  void scatta();
  void sorveglia();
  void leggiEventi();

  std::function<void()> scatto_;
  QTimer timer_;
  int intervallo_ = 4000;
  bool abilitato_ = false;
  bool inScatto_ = false;
  bool ancora_ = false;
  bool previsto_ = false;
  std::string cartella_;
  int inotify_ = -1;
  int sorveglianza_ = -1;
  std::unique_ptr<QSocketNotifier> notifica_;
};

}  // namespace quimbo::app
