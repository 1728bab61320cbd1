#pragma once
// Timer1, the folder-scan timer, shared by the window and the headless shell.

#include <QTimer>
#include <functional>

namespace quimbo::app {

class TimerScansione {
 public:
  explicit TimerScansione(std::function<void()> scatto);

  // Like the original control: a new interval takes effect at once on a running
  // timer, and an interval of 0 stops it.
  void intervallo(int millisecondi);
  // Enabling counts one full interval from now; enabling a running timer leaves
  // it as it is.
  void abilita(bool abilitato);

  bool abilitato() const { return abilitato_; }
  const QTimer& timer() const { return timer_; }

 private:
  void aggiorna(bool riparti);

  QTimer timer_;
  int intervallo_ = 4000;
  bool abilitato_ = false;
};

}  // namespace quimbo::app
