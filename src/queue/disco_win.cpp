// The durable write and the atomic replace on Windows: the data flushed to the
// device, and the rename written through. NTFS keeps the folder's entries in its
// journal, so there is no folder to sync.

#include <windows.h>

#include <algorithm>

#include "queue/giornale.h"
#include "shell/errore.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {
Errore ErroreDiSistema(DWORD codice = GetLastError()) {
  return erroreDa(std::error_code(static_cast<int>(codice), std::system_category()));
}
}  // namespace

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
}

void RinominaSuDisco(const fs::path& da, const fs::path& a) {
  if (!MoveFileExW(da.c_str(), a.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw ErroreDiSistema();
}

void SincronizzaCartella(const fs::path&) {}

}  // namespace quimbo
