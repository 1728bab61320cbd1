#pragma once
// Timer1, the folder-scan timer, shared by the window and the headless shell;
// with the watch on the folder that starts a scan as soon as a receipt lands.

#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace quimbo::app {

class TimerScansione {
 public:
  explicit TimerScansione(std::function<void()> scatto);
  ~TimerScansione();

  // Like the original control: a new interval takes effect at once on a running
  // timer, and an interval of 0 stops it.
  void intervallo(int millisecondi);
  // Enabling counts one full interval from now; enabling a running timer leaves
  // it as it is.
  void abilita(bool abilitato);

  // A tick as soon as the events waiting have been processed. Asked for during a
  // tick, it comes right after that tick; with the timer off, it does not come.
  void subito();
  // Watches the folder: a receipt ("*.sco") closed after writing or moved in asks
  // for a tick at once. Other files cost nothing. Where the folder cannot be
  // watched (missing, no inotify), the timer alone scans it, and the watch is
  // tried again at each tick.
  void osserva(const std::string& cartella);

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
