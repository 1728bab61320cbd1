#pragma once
// Timer1 on Windows: a thread timer, and ReadDirectoryChangesW on the folder so
// that a receipt written or renamed in starts a scan at once.

#include <windows.h>

#include <functional>
#include <string>

#include "pompa_win.h"
#include "shell/piattaforma.h"

namespace quimbo::win {

class TimerWin : public TimerScansione {
 public:
  explicit TimerWin(PompaWin& pompa);
  ~TimerWin() override;
  TimerWin(const TimerWin&) = delete;
  TimerWin& operator=(const TimerWin&) = delete;

  void suScatto(std::function<void()> scatto) override { scatto_ = std::move(scatto); }
  void intervallo(int millisecondi) override;
  void abilita(bool abilitato) override;
  void subito() override;
  void osserva(const std::string& cartella) override;

 private:
  void aggiorna(bool riparti);
  void scatta();
  void sorveglia();
  void suCambiamento();
  void smettiDiSorvegliare();

  PompaWin& pompa_;
  std::function<void()> scatto_;
  UINT_PTR id_ = 0;
  int intervallo_ = 4000;
  bool abilitato_ = false;
  bool inScatto_ = false;
  bool ancora_ = false;
  bool previsto_ = false;
  std::string cartella_;
  HANDLE dir_ = INVALID_HANDLE_VALUE;
  bool armato_ = false;  // a ReadDirectoryChangesW is pending
  HANDLE evento_;
  OVERLAPPED ov_{};
  alignas(DWORD) char cambiamenti_[16384];
};

}  // namespace quimbo::win
