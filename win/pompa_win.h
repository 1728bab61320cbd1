#pragma once
// The event pump of the Windows shell: MsgWaitForMultipleObjects over the port's
// and the folder watch's events, the console's stop, and the thread's messages
// (the timers). The CPU stays idle while nothing happens.

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/piattaforma.h"

namespace quimbo::win {

class PompaWin : public Pompa {
 public:
  explicit PompaWin(Orologio& orologio) : orologio_(orologio) {}

  // `quando` runs each time `evento` is signalled (it must reset a manual-reset event).
  void osserva(HANDLE evento, std::function<void()> quando);
  void dimentica(HANDLE evento);

  // A thread timer: `azione` every `millisecondi` until fermaTimer (id 0: a new one).
  UINT_PTR timer(UINT_PTR id, int millisecondi, std::function<void()> azione);
  void fermaTimer(UINT_PTR id);

  // The window whose keyboard (Tab, arrows, Alt+letter) is handled as a dialog's.
  void dialogo(HWND finestra) { dialogo_ = finestra; }
  // Runs what the events already signalled ask for, without waiting.
  void serviEventi();
  // A loop of the system's own runs inside (a message box, a window being moved, a
  // menu), serving messages and timers but not the events: these are served from a
  // timer meanwhile. It counts as a wait: an end asked for inside it leaves the
  // process on the spot. Nested entries are counted.
  void entraInCicloDiSistema();
  void esciDalCicloDiSistema();

  bool attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) override;
  void dopo(double secondi, std::function<void()> azione) override;
  int eseguiCicloPrincipale() override;
  void esci() override;

 private:
  struct Sorgente {
    HANDLE evento;
    std::function<void()> quando;
  };
  std::vector<HANDLE> eventi() const;
  void servi(HANDLE evento);
  void serviMessaggi();
  Orologio& orologio_;
  std::vector<Sorgente> sorgenti_;
  int profondita_ = 0;
  bool cicloPrincipale_ = false;
  bool uscito_ = false;
  HWND dialogo_ = nullptr;
  int cicliDiSistema_ = 0;
  UINT_PTR servizio_ = 0;  // the timer that serves the events inside them
};

// One loop of the system's own, for its life.
class CicloDiSistema {
 public:
  explicit CicloDiSistema(PompaWin& pompa) : pompa_(pompa) { pompa_.entraInCicloDiSistema(); }
  ~CicloDiSistema() { pompa_.esciDalCicloDiSistema(); }
  CicloDiSistema(const CicloDiSistema&) = delete;
  CicloDiSistema& operator=(const CicloDiSistema&) = delete;

 private:
  PompaWin& pompa_;
};

}  // namespace quimbo::win
