#pragma once
// The serial port on Windows: \\.\COMn with overlapped I/O. Received characters
// reach the core through the pump, as receive events; a device that goes away (a
// USB adapter pulled) closes the port and is announced once.

#include <windows.h>

#include <string>

#include "base/piattaforma.h"
#include "pompa_win.h"

namespace quimbo::win {

class PortaWin : public Porta {
 public:
  explicit PortaWin(PompaWin& pompa);
  ~PortaWin() override;
  PortaWin(const PortaWin&) = delete;
  PortaWin& operator=(const PortaWin&) = delete;

  void suEvento(Gestore gestore) override { gestore_ = std::move(gestore); }
  bool apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) override;
  void chiudi() override;
  bool aperta() const override { return h_ != INVALID_HANDLE_VALUE; }
  std::string motivoChiusura() const override { return motivoChiusura_; }

  int inBufferCount() override;
  std::string input() override;
  void scarta() override;
  void output(std::string_view dati) override;
  bool attendiDati(double secondi) override;
  int inUscita() override;

 private:
  // Keeps one read pending: it ends with the first bytes that arrive.
  void armaLettura();
  // Takes in what the pending read got, if it ended; false when the port is gone.
  bool raccogli();
  void suLettura();
  void suAvviso();
  void persa(DWORD errore);

  PompaWin& pompa_;
  Gestore gestore_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  HANDLE eventoLettura_;  // the pending read's completion
  HANDLE eventoAvviso_;   // what the core has yet to hear: bytes read in a wait, a loss
  OVERLAPPED lettura_{};
  bool inLettura_ = false;
  char blocco_[4096];
  std::string buffer_;
  std::string motivoChiusura_;
  bool perdita_ = false;  // to be announced
};

// The system's reason for a Win32 error code, with the code: "... (errore 5)".
std::string MotivoWin32(DWORD errore);

}  // namespace quimbo::win
