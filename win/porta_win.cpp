#include "porta_win.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/errore.h"
#include "base/impostazioni_porta.h"
#include "base/larghe.h"

namespace quimbo::win {

std::string MotivoWin32(DWORD errore) {
  wchar_t* testo = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, errore, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&testo),
                 0, nullptr);
  std::string r;
  if (testo) {
    r = Stretto(testo, 1252);
    LocalFree(testo);
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ' || r.back() == '.'))
      r.pop_back();
  }
  return (r.empty() ? "errore di sistema" : r) + " (errore " + std::to_string(errore) + ")";
}

namespace {

std::wstring NomeWin32(const std::string& dispositivo) {
  std::string nome = dispositivo;
  // COM10 and above can only be opened by the device namespace's name.
  if (nome.rfind("\\\\.\\", 0) != 0) nome = "\\\\.\\" + nome;
  return Largo(nome, 1252);
}

// Waits for an overlapped operation to end; the bytes it moved, or none on failure.
bool Completa(HANDLE h, OVERLAPPED& ov, BOOL avviata, DWORD& n) {
  if (!avviata && GetLastError() != ERROR_IO_PENDING) return false;
  return GetOverlappedResult(h, &ov, &n, TRUE) != 0;
}

}  // namespace

PortaWin::PortaWin(PompaWin& pompa)
    : pompa_(pompa),
      eventoLettura_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      eventoAvviso_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  pompa_.osserva(eventoAvviso_, [this] { suAvviso(); });
}

PortaWin::~PortaWin() {
  chiudi();
  pompa_.dimentica(eventoAvviso_);
  CloseHandle(eventoLettura_);
  CloseHandle(eventoAvviso_);
}

bool PortaWin::apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) {
  chiudi();
  ImpostazioniPorta imp;
  if (!leggiImpostazioniPorta(impostazioni, imp, motivo)) return false;
  HANDLE h = CreateFileW(NomeWin32(dispositivo).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    motivo = MotivoWin32(GetLastError());
    return false;
  }
  // Only the line settings change: asking for other DTR/RTS modes than the port has
  // fails (error 87). No software flow control: XON/XOFF must reach the program as data.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  // A read waits for its first byte, then ends at the first pause of a millisecond:
  // the receiving side is one read always pending, with no polling. (Waiting with
  // WaitCommEvent instead spins under wine on a pseudo-terminal: it ends at once
  // with no event, over and over.)
  COMMTIMEOUTS primoByte{1, 0, 0, 0, 0};
  bool ok = GetCommState(h, &dcb) != 0;
  if (ok) {
    dcb.BaudRate = static_cast<DWORD>(imp.baud);
    dcb.ByteSize = static_cast<BYTE>(imp.bitDati);
    const std::string parita = "NOEMS";
    dcb.Parity = static_cast<BYTE>(parita.find(imp.parita));
    dcb.StopBits = imp.bitStop == 1 ? ONESTOPBIT : imp.bitStop == 2 ? TWOSTOPBITS : ONE5STOPBITS;
    dcb.fOutX = dcb.fInX = FALSE;
    ok = SetCommState(h, &dcb) && SetCommTimeouts(h, &primoByte);
  }
  if (!ok) {
    const DWORD codice = GetLastError();
    // Opened, and the settings refused (error 87): said as such, with what to try.
    motivo = codice == ERROR_INVALID_PARAMETER ? ImpostazioniRifiutate(impostazioni, MotivoWin32(codice))
                                               : MotivoWin32(codice);
    CloseHandle(h);
    return false;
  }
  h_ = h;
  buffer_.clear();
  motivoChiusura_.clear();
  perdita_ = false;
  pompa_.osserva(eventoLettura_, [this] { suLettura(); });
  armaLettura();
  return true;
}

void PortaWin::chiudi() {
  if (!aperta()) return;
  pompa_.dimentica(eventoLettura_);
  CancelIo(h_);
  DWORD n = 0;
  if (inLettura_) GetOverlappedResult(h_, &lettura_, &n, TRUE);
  inLettura_ = false;
  CloseHandle(h_);
  h_ = INVALID_HANDLE_VALUE;
  ResetEvent(eventoLettura_);
}

void PortaWin::armaLettura() {
  while (aperta() && !inLettura_) {
    lettura_ = OVERLAPPED{};
    lettura_.hEvent = eventoLettura_;
    ResetEvent(eventoLettura_);
    DWORD n = 0;
    if (ReadFile(h_, blocco_, sizeof blocco_, &n, &lettura_)) {
      if (!GetOverlappedResult(h_, &lettura_, &n, TRUE)) return persa(GetLastError());
      buffer_.append(blocco_, n);
      continue;  // more may be waiting
    }
    if (GetLastError() != ERROR_IO_PENDING) return persa(GetLastError());
    inLettura_ = true;
  }
}

bool PortaWin::raccogli() {
  if (!aperta() || !inLettura_) return aperta();
  DWORD n = 0;
  if (!GetOverlappedResult(h_, &lettura_, &n, FALSE)) {
    const DWORD errore = GetLastError();
    if (errore == ERROR_IO_INCOMPLETE) return true;
    inLettura_ = false;
    // A purge of the input ends the read: the port is still there.
    if (errore != ERROR_OPERATION_ABORTED) {
      persa(errore);
      return false;
    }
  } else {
    inLettura_ = false;
    buffer_.append(blocco_, n);
  }
  armaLettura();
  return aperta();
}

void PortaWin::suLettura() {
  raccogli();
  if (!buffer_.empty() && gestore_) gestore_(evento::Receive);
}

void PortaWin::suAvviso() {
  ResetEvent(eventoAvviso_);
  if (perdita_) {
    perdita_ = false;
    if (gestore_) gestore_(evento::PortaPersa);
    return;
  }
  if (!buffer_.empty() && gestore_) gestore_(evento::Receive);
}

void PortaWin::persa(DWORD errore) {
  if (!aperta()) return;
  motivoChiusura_ = MotivoWin32(errore);
  chiudi();
  // Said from the pump, never from inside a call of the core.
  perdita_ = true;
  SetEvent(eventoAvviso_);
}

int PortaWin::inBufferCount() {
  raccogli();
  return static_cast<int>(buffer_.size());
}

std::string PortaWin::input() {
  raccogli();
  return std::exchange(buffer_, {});
}

void PortaWin::scarta() {
  if (aperta()) {
    // The pending read ends first (not every driver ends it at the purge): what it
    // had read goes too.
    DWORD n = 0;
    if (inLettura_ && CancelIo(h_)) GetOverlappedResult(h_, &lettura_, &n, TRUE);
    PurgeComm(h_, PURGE_RXABORT | PURGE_RXCLEAR);
    inLettura_ = false;
    armaLettura();
  }
  buffer_.clear();
}

void PortaWin::output(std::string_view dati) {
  if (!aperta()) throw Errore(err::PortaNonAperta);
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD scritti = 0;
  const bool ok =
      Completa(h_, ov, WriteFile(h_, dati.data(), static_cast<DWORD>(dati.size()), nullptr, &ov), scritti);
  const DWORD errore = GetLastError();
  CloseHandle(ov.hEvent);
  if (!ok || scritti != dati.size()) {
    persa(ok ? ERROR_WRITE_FAULT : errore);
    throw Errore(err::PortaNonAperta);
  }
}

bool PortaWin::attendiDati(double secondi) {
  const ULONGLONG fine = GetTickCount64() + static_cast<ULONGLONG>(std::max(0.0, secondi) * 1000);
  for (;;) {
    if (!raccogli() || !buffer_.empty()) break;
    const ULONGLONG ora = GetTickCount64();
    if (ora >= fine) break;
    WaitForSingleObject(eventoLettura_, static_cast<DWORD>(fine - ora));
  }
  // Announced afterwards, if still unread then.
  if (!buffer_.empty()) SetEvent(eventoAvviso_);
  return !buffer_.empty();
}

int PortaWin::inUscita() {
  if (!aperta()) return 0;
  DWORD errori = 0;
  COMSTAT stato{};
  return ClearCommError(h_, &errori, &stato) ? static_cast<int>(stato.cbOutQue) : 0;
}

}  // namespace quimbo::win
