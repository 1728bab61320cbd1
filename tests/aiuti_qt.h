#pragma once
// Helpers of the tests that run the real Qt code: waits that let events through,
// pseudo-terminals, temporary folders, configuration files, and the simulator
// and the program as child processes.

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quimbo::prova_qt {

namespace fs = std::filesystem;

// Lets events through until `cond` holds or `ms` pass; a heartbeat timer keeps
// the wait from blocking past the deadline.
inline bool finche(const std::function<bool()>& cond, int ms) {
  QTimer battito;
  battito.start(5);
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.hasExpired(ms)) return cond();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

inline void lasciaScorrere(int ms) {
  finche([] { return false; }, ms);
}

// A pseudo-terminal: the program opens the slave by its path, the test plays
// the register on the master.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string nome;
  Pty() {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    nome = ttyname(slave);
  }
  ~Pty() {
    chiudiMaster();
    if (slave >= 0) close(slave);
  }
  void chiudiMaster() {
    if (master >= 0) close(master);
    master = -1;
  }
  void scrivi(const std::string& s) const {
    ASSERT_EQ(::write(master, s.data(), s.size()), static_cast<ssize_t>(s.size()));
  }
  std::string leggi(size_t n, int ms) const {
    std::string r;
    QElapsedTimer t;
    t.start();
    while (r.size() < n && !t.hasExpired(ms)) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char buf[512];
      const ssize_t k = ::read(master, buf, sizeof buf);
      if (k > 0) r.append(buf, static_cast<size_t>(k));
    }
    return r;
  }
};

inline double tempoCpu() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct CartellaTemporanea {
  fs::path p;
  CartellaTemporanea() {
    char modello[] = "/tmp/quimbo-finestra-XXXXXX";
    p = mkdtemp(modello);
  }
  ~CartellaTemporanea() {
    std::error_code ec;
    fs::remove_all(p, ec);
  }
};

inline std::string scriviIni(const CartellaTemporanea& dir, const std::string& tipo, const std::string& dispositivo,
                      int attesaTimer = 600000, const std::string& altro = "") {
  const fs::path ini = dir.p / "quimbo.ini";
  std::ofstream f(ini);
  f << "[Altri parametri]\n" << altro << "Registratore=" << tipo << "\nDirPerFile=" << dir.p.string()
    << "\nAttesaTimer=" << attesaTimer << "\n[Parametri Seriale]\nDispositivo=" << dispositivo
    << "\nSettings=9600,n,8,1\n";
  return ini.string();
}

// Reads the program's standard output until `testo` appears.
inline bool aspettaUscita(QProcess& p, QByteArray& visto, const char* testo, int ms) {
  QElapsedTimer t;
  t.start();
  while (!visto.contains(testo)) {
    if (t.hasExpired(ms)) return false;
    p.waitForReadyRead(50);
    visto += p.readAllStandardOutput();
  }
  return true;
}

// The register simulator as a child process on its own pseudo-terminal, with its
// journal in a file.
class Simulatore {
 public:
  explicit Simulatore(const QStringList& argomenti, const std::string& giornale) : giornale_(giornale) {
    p_.start(QStringLiteral(SIMCASSA), QStringList(argomenti) << "--giornale" << QString::fromStdString(giornale));
    QByteArray riga;
    if (aspettaUscita(p_, riga, "\n", 5000) && riga.startsWith("PORTA "))
      dispositivo_ = riga.mid(6, riga.indexOf('\n') - 6).trimmed().toStdString();
  }
  ~Simulatore() { ferma(); }
  void ferma() {
    if (p_.state() == QProcess::NotRunning) return;
    p_.terminate();
    if (!p_.waitForFinished(5000)) p_.kill();
  }
  void uccidi() {
    p_.kill();
    p_.waitForFinished(5000);
  }
  const std::string& dispositivo() const { return dispositivo_; }
  std::vector<std::string> righe() const {
    std::vector<std::string> r;
    std::ifstream f(giornale_);
    for (std::string riga; std::getline(f, riga);) r.push_back(riga);
    return r;
  }
  // Waits (events flowing) until the journal has at least n lines.
  bool aspettaRighe(size_t n, int ms) const {
    return finche([&] { return righe().size() >= n; }, ms);
  }

 private:
  QProcess p_;
  std::string giornale_;
  std::string dispositivo_;
};

}  // namespace quimbo::prova_qt
