// What to do about a serial port that did not open: the system's reason alone
// ("Permission error while locking the device") rarely tells an integrator.

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/sistema.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The PID in a lock file of the kind serial programs leave ("LCK..ttyUSB0"), when
// that process is still alive. The lock name is the device path without "/dev/",
// with "/" turned into "_".
std::optional<long> PidDelBlocco(const std::string& dispositivo) {
  std::string nome = dispositivo.rfind("/dev/", 0) == 0 ? dispositivo.substr(5) : dispositivo;
  std::replace(nome.begin(), nome.end(), '/', '_');
  for (const char* dir :
       {"/run/lock", "/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp"}) {
    std::ifstream f(std::string(dir) + "/LCK.." + nome);
    long pid = 0;
    if (f >> pid && pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) return pid;
  }
  return std::nullopt;
}

std::string NomeProcesso(long pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/comm");
  std::string nome;
  std::getline(f, nome);
  return nome.empty() ? "" : " (" + nome + ")";
}

std::string NomeGruppo(gid_t gid) {
  const group* g = ::getgrgid(gid);
  return g ? g->gr_name : std::to_string(gid);
}

std::string NomeUtente(uid_t uid) {
  const passwd* p = ::getpwuid(uid);
  return p ? p->pw_name : std::to_string(uid);
}

}  // namespace

std::string NomeUtente() { return NomeUtente(::geteuid()); }

std::string SuggerimentoPorta(const std::string& dispositivo, const std::string& motivo) {
  std::error_code ec;
  const fs::path vero = fs::canonical(dispositivo, ec);
  struct stat s {};
  if (ec || ::stat(vero.c_str(), &s) != 0)
    return ". Dispositivo inesistente: adattatore scollegato o nome sbagliato? I nomi stabili degli "
           "adattatori USB sono in /dev/serial/by-id/";
  const std::string base = vero.filename().string();
  const bool pseudo = vero.parent_path() == "/dev/pts";
  if (!S_ISCHR(s.st_mode) || (!pseudo && !fs::exists("/sys/class/tty/" + base, ec)))
    return ". " + dispositivo + " non \xe8 una porta seriale";
  for (const std::string& nome : {dispositivo, vero.string()}) {
    if (const std::optional<long> pid = PidDelBlocco(nome)) {
      if (*pid == ::getpid()) break;
      return ". Porta occupata da un altro programma o da un'altra istanza: processo " +
             std::to_string(*pid) + NomeProcesso(*pid);
    }
  }
  if (::access(vero.c_str(), R_OK | W_OK) != 0 && errno == EACCES && pseudo)
    // A pseudo-terminal belongs to whoever made it (mode 620): no group helps.
    return ". Permesso negato: " + dispositivo + " \xe8 uno pseudo-terminale dell'utente " +
           NomeUtente(s.st_uid) +
           ": lo pu\xf2 aprire solo lui; avviare chi lo crea (simcassa) come l'utente " + NomeUtente();
  if (::access(vero.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
    return ". Permesso negato: l'utente " + NomeUtente() + " deve essere nel gruppo " + NomeGruppo(s.st_gid) +
           " (di solito dialout; poi uscire e rientrare, o riavviare il servizio)";
  if (motivo.find("busy") != std::string::npos || motivo.find("locking") != std::string::npos)
    return ". Porta occupata da un altro programma o da un'altra istanza";
  return "";
}

bool NonEUnDispositivo(const std::string& dispositivo) {
  struct stat s {};
  return ::stat(dispositivo.c_str(), &s) == 0 && !S_ISCHR(s.st_mode);
}

std::string DispositivoDelNumero(long n) { return "/dev/ttyS" + std::to_string(n - 1); }

}  // namespace quimbo
