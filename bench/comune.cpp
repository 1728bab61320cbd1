#include "comune.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quimbo::banco {

namespace fs = std::filesystem;

Cartella::Cartella() {
  std::string modello = (fs::temp_directory_path() / "quimbo-banco-XXXXXX").string();
  if (!mkdtemp(modello.data())) throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
  percorso_ = modello;
}

Cartella::~Cartella() {
  std::error_code ec;
  fs::remove_all(percorso_, ec);
}

void scriviFile(const std::string& percorso, const std::string& testo) {
  std::ofstream f(percorso, std::ios::binary | std::ios::trunc);
  f << testo;
  if (!f) throw std::runtime_error("non riesco a scrivere " + percorso);
}

std::string leggiFile(const std::string& percorso) {
  std::ifstream f(percorso, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

double adesso() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Figlio::Figlio(const std::vector<std::string>& argomenti, const std::string& uscita) {
  const std::string errori = uscita + ".err";
  std::vector<char*> argv;
  for (const auto& a : argomenti) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t genitore = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
  if (pid_ == 0) {
    // Only async-signal-safe calls from here to exec.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != genitore) _exit(127);
    int nulla = open("/dev/null", O_RDONLY);
    if (nulla >= 0) dup2(nulla, 0);
    int out = open(uscita.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) dup2(out, 1);
    int err = open(errori.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) dup2(err, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

Figlio::~Figlio() { termina(); }

bool Figlio::vivo() {
  if (pid_ <= 0) return false;
  int s = 0;
  pid_t r = waitpid(pid_, &s, WNOHANG);
  if (r == pid_) {
    stato_ = s;
    pid_ = -1;
    return false;
  }
  return true;
}

int Figlio::termina(std::chrono::milliseconds pazienza) {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const double limite = adesso() + std::chrono::duration<double>(pazienza).count();
    while (vivo() && adesso() < limite) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (pid_ > 0) {
      uccisoAForza_ = true;
      kill(pid_, SIGKILL);
      int s = 0;
      waitpid(pid_, &s, 0);
      pid_ = -1;
      stato_ = -1;
    }
  }
  if (stato_ != -1 && WIFEXITED(stato_)) return WEXITSTATUS(stato_);
  return -1;
}

Simulatore::Simulatore(const std::vector<std::string>& opzioni, const std::string& famiglia)
    : uscita_(cartella_ / "giornale.txt"),
      figlio_(
          [&] {
            std::vector<std::string> a{SIMCASSA, famiglia};
            a.insert(a.end(), opzioni.begin(), opzioni.end());
            return a;
          }(),
          uscita_) {
  const double limite = adesso() + 5.0;
  for (;;) {
    const std::string testo = leggiFile(uscita_);
    const auto fine = testo.find('\n');
    if (fine != std::string::npos) {
      if (testo.rfind("PORTA ", 0) != 0) throw std::runtime_error("simcassa: " + testo.substr(0, fine));
      porta_ = testo.substr(6, fine - 6);
      return;
    }
    if (!figlio_.vivo() || adesso() > limite)
      throw std::runtime_error("simcassa non si e' avviato: " + testo);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::vector<std::string> Simulatore::giornale() const {
  std::vector<std::string> righe;
  std::istringstream s(leggiFile(uscita_));
  std::string riga;
  bool prima = true;
  while (std::getline(s, riga)) {
    if (prima) {
      prima = false;
      continue;
    }
    righe.push_back(riga);
  }
  return righe;
}

}  // namespace quimbo::banco
