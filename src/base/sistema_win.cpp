// What the program asks of a Windows system.

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "base/larghe.h"
#include "base/percorsi.h"
#include "base/sistema.h"

namespace quimbo {

std::string MotivoCartellaMancante(const std::string& dir) {
  // A service is started with "--servizio NAME" (the command line it was installed with).
  std::string servizio;
  int n = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 1; i + 1 < n; ++i)
      if (std::wstring(argv[i]) == L"--servizio") servizio = Stretto(argv[i + 1], 1252);
    LocalFree(argv);
  }
  Unita unita = Unita::Locale;
  if (dir.size() >= 2 && dir[1] == ':') {
    const wchar_t radice[] = {static_cast<wchar_t>(static_cast<unsigned char>(dir[0])), L':', L'\\', 0};
    const UINT tipo = GetDriveTypeW(radice);
    unita = tipo == DRIVE_NO_ROOT_DIR ? Unita::Nessuna : tipo == DRIVE_REMOTE ? Unita::Rete : Unita::Locale;
  }
  return MotivoCartellaMancante(dir, unita, servizio);
}

std::string SeparatoreDecimaleAmbiente() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 1) return ".";
  // The settings and the commands are Windows-1252 bytes.
  const std::string s = Stretto(sep, 1252);
  return s.empty() ? "." : s;
}

bool DaTerminale() { return _isatty(_fileno(stdin)) != 0; }

std::tm OraLocale(std::time_t t) {
  std::tm tm{};
  localtime_s(&tm, &t);
  return tm;
}

std::error_condition CondizioneDiSistema(const std::error_code& ec) {
  if (ec.category() != std::system_category()) return ec.default_error_condition();
  using E = std::errc;
  switch (ec.value()) {
    case ERROR_FILE_NOT_FOUND:
      return E::no_such_file_or_directory;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
      return E::not_a_directory;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return E::permission_denied;
    case ERROR_SHARING_VIOLATION:  // a file another program holds open: in use, not forbidden
    case ERROR_LOCK_VIOLATION:
      return E::device_or_resource_busy;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, which MinGW does not name
      return E::no_space_on_device;
    case ERROR_FILENAME_EXCED_RANGE:
      return E::filename_too_long;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return E::invalid_argument;
    case ERROR_TOO_MANY_OPEN_FILES:
      return E::too_many_files_open;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
      return E::io_error;
    default:
      return {ec.value(), std::system_category()};
  }
}

}  // namespace quimbo
