#include "timer_win.h"

#include <filesystem>

#include "base/percorsi.h"

namespace quimbo::win {

TimerWin::TimerWin(PompaWin& pompa) : pompa_(pompa), evento_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

TimerWin::~TimerWin() {
  pompa_.fermaTimer(id_);
  smettiDiSorvegliare();
  CloseHandle(evento_);
}

void TimerWin::avviaGiri(int millisecondi) {
  fermaGiri();
  id_ = pompa_.timer(0, millisecondi, [this] { scatta(); });
}

void TimerWin::fermaGiri() {
  pompa_.fermaTimer(id_);
  id_ = 0;
}

void TimerWin::smettiDiSorvegliare() {
  if (dir_ == INVALID_HANDLE_VALUE) return;
  pompa_.dimentica(evento_);
  CancelIo(dir_);
  DWORD n = 0;
  GetOverlappedResult(dir_, &ov_, &n, TRUE);
  CloseHandle(dir_);
  dir_ = INVALID_HANDLE_VALUE;
  armato_ = false;
}

void TimerWin::sorveglia() {
  if (cartella().empty()) return;
  if (dir_ == INVALID_HANDLE_VALUE) {
    dir_ = CreateFileW(std::filesystem::path(cartella()).c_str(), FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (dir_ == INVALID_HANDLE_VALUE) return;  // the timer alone scans it, and the watch is tried again
    pompa_.osserva(evento_, [this] { suCambiamento(); });
    armato_ = false;
  }
  if (armato_) return;
  ov_ = OVERLAPPED{};
  ov_.hEvent = evento_;
  ResetEvent(evento_);
  if (!ReadDirectoryChangesW(dir_, cambiamenti_, sizeof cambiamenti_, FALSE,
                             FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr, &ov_,
                             nullptr))
    smettiDiSorvegliare();
  else
    armato_ = true;
}

void TimerWin::suCambiamento() {
  armato_ = false;
  DWORD n = 0;
  if (!GetOverlappedResult(dir_, &ov_, &n, FALSE)) {
    if (GetLastError() == ERROR_IO_INCOMPLETE) return;
    smettiDiSorvegliare();
    return;
  }
  // n == 0: too many changes for the buffer; a scan finds them all the same.
  bool scontrino = n == 0;
  for (DWORD pos = 0; n > 0;) {
    const auto* c = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(cambiamenti_ + pos);
    const std::wstring nome(c->FileName, c->FileNameLength / sizeof(wchar_t));
    if ((c->Action == FILE_ACTION_ADDED || c->Action == FILE_ACTION_MODIFIED ||
         c->Action == FILE_ACTION_RENAMED_NEW_NAME) &&
        NomeDiScontrino(std::filesystem::path(nome).string()))
      scontrino = true;
    if (c->NextEntryOffset == 0) break;
    pos += c->NextEntryOffset;
  }
  sorveglia();
  if (scontrino) subito();
}

}  // namespace quimbo::win
