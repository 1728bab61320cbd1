// The durable write, the atomic replace and the folder's lock on POSIX systems.

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/errore.h"
#include "queue/blocco.h"
#include "queue/disco.h"

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
  PassoSuDisco("dati " + file.filename().string());
}

void RinominaSuDisco(const fs::path& da, const fs::path& a) {
  std::error_code ec;
  fs::rename(da, a, ec);
  if (ec) throw erroreDa(ec);
  RinominatoSuDisco(da, a);
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
  PassoSuDisco("cartella " + dir.filename().string());
}

void RinominaSenzaSostituire(const fs::path& da, const fs::path& a) {
  if (::renameat2(AT_FDCWD, da.c_str(), AT_FDCWD, a.c_str(), RENAME_NOREPLACE) != 0) {
    // NFS and older file systems have no such rename: a second name, which is never
    // made over another file, then the first one gone.
    if (errno != EINVAL && errno != ENOSYS) throw ErroreDiSistema();
    if (::link(da.c_str(), a.c_str()) != 0) throw ErroreDiSistema();
    if (::unlink(da.c_str()) != 0) {
      const Errore e = ErroreDiSistema();
      ::unlink(a.c_str());
      throw e;
    }
  }
  RinominatoSuDisco(da, a);
}

namespace {

class BloccoPosix : public BloccoCartella {
 public:
  explicit BloccoPosix(int fd) : fd_(fd) {}
  ~BloccoPosix() override { ::close(fd_); }
  bool ancoraSu(const fs::path& file) const override {
    struct stat mio {
    }, ora{};
    return ::fstat(fd_, &mio) == 0 && ::stat(file.c_str(), &ora) == 0 && mio.st_dev == ora.st_dev &&
           mio.st_ino == ora.st_ino;
  }

 private:
  int fd_;
};

// An open file description's own lock: it conflicts with every other description,
// this process's too, it is not lost when some other descriptor of the file closes,
// and NFS and SMB mounts pass it to the server. Kernels older than 3.15 have flock.
int Blocca(int fd) {
  struct flock l {};
  l.l_type = F_WRLCK;
  l.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &l) == 0) return 0;
  if (errno != EINVAL) return -1;
  return ::flock(fd, LOCK_EX | LOCK_NB);
}

}  // namespace

std::unique_ptr<BloccoCartella> PrendiCartella(const fs::path& dir, const std::string& ini,
                                               std::string& chi) {
  const fs::path file = dir / kFileBlocco;
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw ErroreDiSistema();
  if (Blocca(fd) != 0) {
    const int e = errno;
    if (e != EAGAIN && e != EACCES && e != EWOULDBLOCK) {
      ::close(fd);
      errno = e;
      throw ErroreDiSistema();
    }
    chi = ChiTieneLaCartella(Contenuto(file));
    ::close(fd);
    return nullptr;
  }
  // Who holds it is only a help to the one who finds it held: a failed write changes nothing.
  const std::string testo = ContenutoDelBlocco(static_cast<long>(::getpid()), ini);
  if (::ftruncate(fd, 0) == 0) {
    const ssize_t scritti = ::pwrite(fd, testo.data(), testo.size(), 0);
    static_cast<void>(scritti);
  }
  return std::make_unique<BloccoPosix>(fd);
}

}  // namespace quimbo
