// The durable write and the atomic replace on POSIX systems.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "queue/giornale.h"
#include "shell/errore.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {
Errore ErroreDiSistema() { return erroreDa(std::error_code(errno, std::generic_category())); }
}  // namespace

bool NumeroDiFile(const fs::path& file, std::uint64_t& dispositivo, std::uint64_t& numero) {
  struct stat s {};
  if (::stat(file.c_str(), &s) != 0) return false;
  dispositivo = static_cast<std::uint64_t>(s.st_dev);
  numero = static_cast<std::uint64_t>(s.st_ino);
  return true;
}

std::FILE* ApriInLettura(const fs::path& file, std::error_code& ec) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) ec = std::error_code(errno, std::generic_category());
  return f;
}

void ScriviSuDisco(const fs::path& file, const std::string& testo) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw ErroreDiSistema();
  // A full disk shows at the write or, on some file systems, only at the sync.
  auto fallito = [&] {
    const Errore e = ErroreDiSistema();
    ::close(fd);
    ::unlink(file.c_str());
    return e;
  };
  for (size_t fatto = 0; fatto < testo.size();) {
    const ssize_t n = ::write(fd, testo.data() + fatto, testo.size() - fatto);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw fallito();
    fatto += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) throw fallito();
  ::close(fd);
}

void RinominaSuDisco(const fs::path& da, const fs::path& a) {
  std::error_code ec;
  fs::rename(da, a, ec);
  if (ec) throw erroreDa(ec);
  SincronizzaCartella(a.parent_path());
}

void SincronizzaCartella(const fs::path& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw ErroreDiSistema();
  // Some file systems cannot sync a folder at all (EINVAL): their renames are as
  // durable as they get. Any other failure means the change may not be on disk.
  const int esito = ::fsync(fd);
  const int numero = errno;
  ::close(fd);
  if (esito != 0 && numero != EINVAL && numero != ENOTSUP)
    throw erroreDa(std::error_code(numero, std::generic_category()));
}

}  // namespace quimbo
