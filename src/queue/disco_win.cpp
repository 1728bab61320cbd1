// The durable write, the atomic replace and the folder's lock on Windows: the data
// flushed to the device, and the rename written through. NTFS keeps the folder's
// entries in its journal, in order; a folder is flushed as well where the system lets
// a folder be opened for it, in the same steps as on POSIX systems.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "base/errore.h"
#include "queue/blocco.h"
#include "queue/disco.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {
Errore ErroreDiSistema(DWORD codice = GetLastError()) {
  return erroreDa(std::error_code(static_cast<int>(codice), std::system_category()));
}
}  // namespace

bool NumeroDiFile(const fs::path& file, std::uint64_t& dispositivo, std::uint64_t& numero) {
  // No access asked, only the attributes: a writer that shares nothing does not stop it.
  HANDLE h = CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return false;
  dispositivo = info.dwVolumeSerialNumber;
  numero = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::FILE* ApriInLettura(const fs::path& file, std::error_code& ec) {
  // The system's own error, not the C library's: a file its writer still holds (32, 33)
  // is not one this user may not read.
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    ec = std::make_error_code(std::errc::too_many_files_open);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "rb");
  if (!f) {
    _close(fd);
    ec = std::make_error_code(std::errc::too_many_files_open);
  }
  return f;
}

void ScriviSuDisco(const fs::path& file, const std::string& testo) {
  HANDLE h =
      CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw ErroreDiSistema();
  // A full disk shows at the write or only at the flush.
  auto fallito = [&] {
    const Errore e = ErroreDiSistema();
    CloseHandle(h);
    DeleteFileW(file.c_str());
    return e;
  };
  for (std::size_t fatto = 0; fatto < testo.size();) {
    const DWORD pezzo = static_cast<DWORD>(std::min<std::size_t>(testo.size() - fatto, 1u << 20));
    DWORD scritti = 0;
    if (!WriteFile(h, testo.data() + fatto, pezzo, &scritti, nullptr)) throw fallito();
    fatto += scritti;
  }
  if (!FlushFileBuffers(h)) throw fallito();
  CloseHandle(h);
  PassoSuDisco("dati " + file.filename().string());
}

void RinominaSuDisco(const fs::path& da, const fs::path& a) {
  if (!MoveFileExW(da.c_str(), a.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw ErroreDiSistema();
  RinominatoSuDisco(da, a);
}

void SincronizzaCartella(const fs::path& dir) {
  // Best effort: a folder this user may not open for writing still has its entries in
  // the journal, in order.
  HANDLE h = CreateFileW(dir.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(h);
    CloseHandle(h);
  }
  PassoSuDisco("cartella " + dir.filename().string());
}

void RinominaSenzaSostituire(const fs::path& da, const fs::path& a) {
  if (!MoveFileExW(da.c_str(), a.c_str(), MOVEFILE_WRITE_THROUGH)) throw ErroreDiSistema();
  RinominatoSuDisco(da, a);
}

namespace {

class BloccoWin : public BloccoCartella {
 public:
  explicit BloccoWin(HANDLE h) : h_(h) {}
  ~BloccoWin() override { CloseHandle(h_); }

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<BloccoCartella> PrendiCartella(const fs::path& dir, const std::string& ini,
                                               std::string& chi) {
  const fs::path file = dir / kFileBlocco;
  // Written by one handle at a time, read by anyone: a second program's handle is a
  // sharing violation, on a share for every client, until this process ends.
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    if (e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION) throw ErroreDiSistema(e);
    chi = ChiTieneLaCartella(Contenuto(file));
    return nullptr;
  }
  const std::string testo = ContenutoDelBlocco(static_cast<long>(GetCurrentProcessId()), ini);
  DWORD scritti = 0;
  if (SetEndOfFile(h)) WriteFile(h, testo.data(), static_cast<DWORD>(testo.size()), &scritti, nullptr);
  return std::make_unique<BloccoWin>(h);
}

}  // namespace quimbo
