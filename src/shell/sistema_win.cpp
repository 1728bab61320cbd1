// What the program asks of a Windows system.

#include <windows.h>

#include "shell/larghe.h"
#include "shell/sistema.h"

namespace quimbo {

std::string SeparatoreDecimaleAmbiente() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 1) return ".";
  // The settings and the commands are Windows-1252 bytes.
  const std::string s = Stretto(sep, 1252);
  return s.empty() ? "." : s;
}

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
