#pragma once
// Timer1 on Windows: a thread timer, and ReadDirectoryChangesW on the folder so
// that a receipt written or renamed in starts a scan at once.

#include <windows.h>

#include <functional>
#include <string>

#include "base/timer1.h"
#include "pompa_win.h"

namespace quimbo::win {

class TimerWin : public Timer1 {
 public:
  explicit TimerWin(PompaWin& pompa);
  ~TimerWin() override;
  TimerWin(const TimerWin&) = delete;
  TimerWin& operator=(const TimerWin&) = delete;

 private:
  void avviaGiri(int millisecondi) override;
  void fermaGiri() override;
  bool giriAttivi() const override { return id_ != 0; }
  void appena(std::function<void()> azione) override { pompa_.dopo(0, std::move(azione)); }
  void sorveglia() override;
  void smettiDiSorvegliare() override;
  void suCambiamento();

  PompaWin& pompa_;
  UINT_PTR id_ = 0;
  HANDLE dir_ = INVALID_HANDLE_VALUE;
  bool armato_ = false;  // a ReadDirectoryChangesW is pending
  HANDLE evento_;
  OVERLAPPED ov_{};
  alignas(DWORD) char cambiamenti_[16384];
};

}  // namespace quimbo::win
