#include "pompa_win.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace quimbo::win {

namespace {

// Thread timers call back through a plain function: their actions by id.
std::map<UINT_PTR, std::function<void()>>& Azioni() {
  static std::map<UINT_PTR, std::function<void()>> azioni;
  return azioni;
}

void CALLBACK Scatto(HWND, UINT, UINT_PTR id, DWORD) {
  const auto it = Azioni().find(id);
  if (it == Azioni().end()) return;
  const std::function<void()> azione = it->second;  // the action may stop its own timer
  azione();
}

}  // namespace

void PompaWin::osserva(HANDLE evento, std::function<void()> quando) {
  dimentica(evento);
  sorgenti_.push_back({evento, std::move(quando)});
}

void PompaWin::dimentica(HANDLE evento) {
  std::erase_if(sorgenti_, [&](const Sorgente& s) { return s.evento == evento; });
}

UINT_PTR PompaWin::timer(UINT_PTR id, int millisecondi, std::function<void()> azione) {
  const UINT_PTR nuovo =
      SetTimer(nullptr, id, static_cast<UINT>(millisecondi < 1 ? 1 : millisecondi), &Scatto);
  if (nuovo != 0) Azioni()[nuovo] = std::move(azione);
  return nuovo;
}

void PompaWin::fermaTimer(UINT_PTR id) {
  if (id == 0) return;
  KillTimer(nullptr, id);
  Azioni().erase(id);
}

std::vector<HANDLE> PompaWin::eventi() const {
  std::vector<HANDLE> r;
  for (const Sorgente& s : sorgenti_) r.push_back(s.evento);
  return r;
}

void PompaWin::servi(HANDLE evento) {
  // Looked up again: a callback may have changed the list.
  for (const Sorgente& s : sorgenti_)
    if (s.evento == evento) {
      const std::function<void()> quando = s.quando;
      quando();
      return;
    }
}

namespace {
// The keys a dialog moves by: Tab and the arrows, and Alt with a letter for a button's
// access key. A plain letter is not one of them: a dialog would press the button of
// that letter when a button has the focus, and a cashier's "f" would end the program.
bool TastoDiDialogo(const MSG& m) {
  return m.message == WM_SYSCHAR || m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP ||
         (m.message == WM_KEYDOWN && (m.wParam == VK_TAB || (m.wParam >= VK_LEFT && m.wParam <= VK_DOWN)));
}
}  // namespace

void PompaWin::serviMessaggi() {
  MSG msg;
  // Once the program has ended nothing more is dispatched: a click still queued would
  // start an exchange on a closed port.
  while (!uscito_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (dialogo_ && TastoDiDialogo(msg) && IsDialogMessageW(dialogo_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PompaWin::entraInCicloDiSistema() {
  ++profondita_;
  if (cicliDiSistema_++ == 0) servizio_ = timer(0, 15, [this] { serviEventi(); });
}

void PompaWin::esciDalCicloDiSistema() {
  --profondita_;
  if (--cicliDiSistema_ == 0) {
    fermaTimer(servizio_);
    servizio_ = 0;
  }
}

void PompaWin::serviEventi() {
  // Bounded: an event its callback does not reset must not hold the box's loop.
  for (int giro = 0; giro < 64; ++giro) {
    const std::vector<HANDLE> h = eventi();
    if (h.empty()) return;
    const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(h.size()), h.data(), FALSE, 0);
    if (r >= WAIT_OBJECT_0 + h.size()) return;
    servi(h[r - WAIT_OBJECT_0]);
  }
}

bool PompaWin::attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) {
  const LivelloDiAttesa livello(profondita_);
  for (;;) {
    if (fatto()) return true;
    DWORD attesa = INFINITE;
    if (scadenza) {
      const double resta = *scadenza - orologio_.secondi();
      if (resta <= 0) {
        // What arrived in time but has not been served yet (the last lap was spent
        // elsewhere, in a loop of the system's own) still counts.
        serviEventi();
        return fatto();
      }
      // Rounded up: waking a little late is harmless, waking early costs a lap.
      const double ms = std::ceil(resta * 1000.0);
      attesa = ms > 2e9 ? 2000000000u : static_cast<DWORD>(ms);
    }
    const std::vector<HANDLE> h = eventi();
    // MWMO_INPUTAVAILABLE: messages a loop of the system's own has looked at and left
    // in the queue wake this wait too.
    const DWORD r = MsgWaitForMultipleObjectsEx(static_cast<DWORD>(h.size()), h.data(), attesa, QS_ALLINPUT,
                                                MWMO_INPUTAVAILABLE);
    if (r < WAIT_OBJECT_0 + h.size())
      servi(h[r - WAIT_OBJECT_0]);
    else if (r == WAIT_OBJECT_0 + h.size())
      serviMessaggi();
    else if (r == WAIT_FAILED)
      Sleep(1);  // a handle closed under the wait: the list is rebuilt at the next lap
  }
}

void PompaWin::dopo(double secondi, std::function<void()> azione) {
  auto id = std::make_shared<UINT_PTR>(0);
  *id = timer(0, static_cast<int>(std::ceil(secondi * 1000)), [this, id, azione = std::move(azione)] {
    fermaTimer(*id);
    azione();
  });
}

int PompaWin::eseguiCicloPrincipale() {
  cicloPrincipale_ = true;
  attendi([this] { return uscito_; }, std::nullopt);
  cicloPrincipale_ = false;
  return 0;
}

void PompaWin::esci() {
  // From the main loop itself (one wait deep) the loop ends; from anywhere else
  // nothing that was in progress may resume.
  if (cicloPrincipale_ && profondita_ <= 1) {
    uscito_ = true;
    return;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  ExitProcess(0);
}

}  // namespace quimbo::win
