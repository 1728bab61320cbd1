#pragma once
// Helpers of the tests that run the real Qt code: waits that let events through, pseudo-terminals,
// temporary folders and INI files, the core over the real port, and the simulator as a child process.

#include <gtest/gtest.h>
#include <pty.h>
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

#include "fakes.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "programma/avvio.h"

namespace quimbo::prova_qt {

namespace fs = std::filesystem;
using prova::CartellaTemporanea;
using prova::leggi;

// Lets events through until `cond` holds or `ms` pass; a heartbeat keeps the wait from blocking past the end.
inline bool finche(const std::function<bool()>& cond, int ms) {
  QTimer battito;
  battito.start(5);
  QElapsedTimer t;
  t.start();
  while (!cond() && !t.hasExpired(ms)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return cond();
}

inline double tempoCpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// A raw pseudo-terminal: the program opens the slave by its path, the test plays the register on the master.
struct Pty {
  int master = -1, slave = -1;
  std::string nome;
  Pty() {
    termios t{};
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || tcgetattr(slave, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    nome = ttyname(slave);
  }
  ~Pty() { chiudiMaster(), close(slave); }
  void chiudiMaster() { close(std::exchange(master, -1)); }
  void scrivi(const std::string& s) const { ASSERT_EQ(write(master, s.data(), s.size()), ssize_t(s.size())); }
};

inline std::string scriviIni(const CartellaTemporanea& dir, const std::string& tipo,
                             const std::string& dispositivo, int attesaTimer = 600000,
                             const std::string& altro = "") {
  const fs::path ini = dir.p / "quimbo.ini";
  std::ofstream(ini) << "[Altri parametri]\n"
                     << altro << "Registratore=" << tipo << "\nDirPerFile=" << dir.p.string()
                     << "\nAttesaTimer=" << attesaTimer
                     << "\n[Parametri Seriale]\nDispositivo=" << dispositivo << "\nSettings=9600,n,8,1\n";
  return ini.string();
}

// The core over the real port and pump, with the window F and Timer1 T.
template <class F, class T = prova::TimerFinto>
struct SuPortaVera {
  CartellaTemporanea dir;
  OrologioSistema orologio;
  app::PortaQt porta;
  F finestra;
  T timer;
  app::PompaQt pompa{orologio};
  Impostazioni imp;
  StatoCoda coda;
  Stato st{Piattaforma{porta, finestra, timer, pompa, orologio}, imp, coda};
  prova::ServizioFinto servizio;
};

// The register simulator as a child process on its own pseudo-terminal, with its journal in a file.
class Simulatore {
 public:
  Simulatore(const QStringList& argomenti, std::string giornale) : giornale_(std::move(giornale)) {
    p_.start(QStringLiteral(SIMCASSA), QStringList(argomenti)
                                           << "--giornale" << QString::fromStdString(giornale_));
    QByteArray riga;  // "PORTA /dev/pts/N"
    while (!riga.contains('\n') && p_.waitForReadyRead(5000)) riga += p_.readAllStandardOutput();
    if (riga.startsWith("PORTA ")) dispositivo_ = riga.mid(6, riga.indexOf('\n') - 6).trimmed().toStdString();
  }
  ~Simulatore() { ferma(); }
  // SIGTERM lets it finish its journal; SIGKILL hangs up at once.
  void ferma() {
    if (p_.state() != QProcess::NotRunning && (p_.terminate(), !p_.waitForFinished(5000))) uccidi();
  }
  void uccidi() { p_.kill(), p_.waitForFinished(5000); }
  const std::string& dispositivo() const { return dispositivo_; }
  std::vector<std::string> righe() const {
    std::vector<std::string> r;
    std::ifstream f(giornale_);
    for (std::string riga; std::getline(f, riga);) r.push_back(riga);
    return r;
  }
  bool aspettaRighe(size_t n, int ms) const {
    return finche([&] { return righe().size() >= n; }, ms);
  }

 private:
  QProcess p_;
  std::string giornale_, dispositivo_;
};

}  // namespace quimbo::prova_qt
