#pragma once
// Timer1 on Qt: a QTimer, and inotify on the folder through a QSocketNotifier.

#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "base/timer1.h"

class QSocketNotifier;

namespace quimbo::app {

class TimerQt : public Timer1 {
 public:
  TimerQt();
  ~TimerQt() override;

  const QTimer& timer() const { return timer_; }

 private:
  void avviaGiri(int millisecondi) override { timer_.start(millisecondi); }
  void fermaGiri() override { timer_.stop(); }
  bool giriAttivi() const override { return timer_.isActive(); }
  void appena(std::function<void()> azione) override;
  // Only "*.sco" names cost a scan.
  void sorveglia() override;
  void smettiDiSorvegliare() override;
  void leggiEventi();

  QTimer timer_;
  int inotify_ = -1;
  int sorveglianza_ = -1;
  std::unique_ptr<QSocketNotifier> notifica_;
};

}  // namespace quimbo::app
