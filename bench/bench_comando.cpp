// One Vandoni command, round trip over a pseudo-terminal to simcassa:
//  - BM_AndataRitornoPty: the bare round trip, frame written and ACK read with
//    plain POSIX calls (the floor any program pays on this line);
//  - BM_InviaCar / BM_f_trasmreg: the same command through the real code (Qt
//    serial port, Qt event pump, system clock, the core's send path);
//  - BM_Confronto_*: both, alternating command by command against two
//    simulators, so that the difference is taken under the same machine load;
//  - BM_AttesaCassaMuta: process CPU while the core waits for a register that
//    never answers (simcassa --muto), over one 5-second wait.
// Every benchmark plays its own simulator; times are wall-clock.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/chiusura.h"
#include "base/stato.h"
#include "comune.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/vandoni.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "programma/avvio.h"
#include "queue/coda.h"
#include "registratore.h"

namespace {

using namespace quimbo;
using banco::adesso;

constexpr int kComandi = 5000;  // commands per measurement
const std::string kComando = "497";

// A window that shows nothing and gives up whenever it is asked.
class FinestraMuta : public Finestra {
 public:
  void scrivi(Campo, const std::string&) override {}
  void mostra(Elemento, bool) override {}
  std::string confBase() override { return {}; }
  void impostaConfBase(const std::string&) override {}
  bool aggConf() override { return false; }
  void impostaAggConf(bool) override {}
  std::string prova() override { return {}; }
  Risposta chiedi(const std::string&, const std::string&, Icona, Pulsanti) override {
    ++domande;
    return Risposta::Annulla;
  }
  void collegamentoOccupato(bool) override {}
  void termina() override {}
  int domande = 0;
};

// The program's own send path over the real Qt port, pump and clock, started by
// Form_Load from a temporary INI.
struct Programma {
  explicit Programma(const std::string& dispositivo) {
    banco::scriviFile(cartella / "quimbo.ini",
                      "[Altri parametri]\r\nRegistratore=Vandoni\r\nDirPerFile=" + cartella.percorso() +
                          "\r\n[Parametri Seriale]\r\nDispositivo=" + dispositivo + "\r\n");
    esito = Form_Load(st, imp, cartella / "quimbo.ini");
    // A dead simulator must end the measurement, not hang it.
    imp.mdTempoMaxRisposta = 5;
  }
  ~Programma() { Form_Unload(st); }

  banco::Cartella cartella;
  OrologioSistema orologio;
  app::PortaQt porta;
  FinestraMuta finestra;
  TimerFermo timer;
  app::PompaQt pompa{orologio};
  Impostazioni imp;
  StatoCoda coda;
  Stato st{Piattaforma{porta, finestra, timer, pompa, orologio}, imp, coda};
  EsitoAvvio esito;
};

double secondi(const timeval& a, const timeval& b) {
  return static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_usec - a.tv_usec) * 1e-6;
}

// Every journal line is the command itself; anything else is a fault.
void controllaGiornale(benchmark::State& state, banco::Simulatore& sim, int64_t attesi) {
  sim.termina();
  int64_t buoni = 0, altri = 0;
  for (const auto& r : sim.giornale()) (r == kComando ? buoni : altri)++;
  state.counters["comandi"] = static_cast<double>(buoni);
  if (buoni != attesi || altri != 0)
    state.SkipWithError(("il simulatore ha registrato " + std::to_string(buoni) + " comandi su " +
                         std::to_string(attesi) + " e " + std::to_string(altri) + " righe anomale")
                            .c_str());
}

// The bare exchange: a raw descriptor on the simulator's pseudo-terminal.
class Grezzo {
 public:
  explicit Grezzo(const std::string& dispositivo)
      : fd_(open(dispositivo.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~Grezzo() {
    if (fd_ >= 0) close(fd_);
  }
  Grezzo(const Grezzo&) = delete;
  Grezzo& operator=(const Grezzo&) = delete;
  bool aperto() const { return fd_ >= 0; }

  // One frame out, one ACK back.
  bool comando() {
    const std::string f = simcassa::tramaVandoni(progr_, kComando);
    progr_ = progr_ + 1 >= 127 ? 32 : progr_ + 1;
    if (write(fd_, f.data(), f.size()) != static_cast<ssize_t>(f.size())) return false;
    pollfd p{fd_, POLLIN, 0};
    char c = 0;
    return poll(&p, 1, 5000) == 1 && read(fd_, &c, 1) == 1 && c == '\x06';
  }

 private:
  int fd_;
  int progr_ = 32;
};

bool inviaCar(Stato& st) {
  return InviaCar(st, kComando, true) == kContinua && !st.link.mbErrTx() &&
         StatoProprio<StatoVandoni>(st).miRisposta == 6;
}
bool trasmreg(Stato& st) {
  return f_trasmreg(st, kComando) == std::optional<int16_t>(6) && !st.link.mbErrTx();
}

double mediana(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

void BM_AndataRitornoPty(benchmark::State& state) {
  banco::Simulatore sim;
  Grezzo g(sim.porta());
  if (!g.aperto()) {
    state.SkipWithError(("open: " + std::string(std::strerror(errno))).c_str());
    return;
  }
  std::vector<double> tempi;
  tempi.reserve(kComandi);
  for (auto _ : state) {
    const double t0 = adesso();
    if (!g.comando()) {
      state.SkipWithError("nessun ACK dal simulatore");
      return;
    }
    tempi.push_back((adesso() - t0) * 1e6);
  }
  state.counters["mediana_us"] = mediana(tempi);
  state.counters["p99_us"] = percentile(tempi, 0.99);
  controllaGiornale(state, sim, static_cast<int64_t>(tempi.size()));
}
BENCHMARK(BM_AndataRitornoPty)->Iterations(kComandi)->UseRealTime()->Unit(benchmark::kMicrosecond);

// `invia` sends one command through the program and says whether the register took it.
void misuraProgramma(benchmark::State& state, bool (*invia)(Stato&)) {
  banco::Simulatore sim;
  Programma p(sim.porta());
  if (!p.esito.portaAperta) {
    state.SkipWithError(("porta non aperta: " + p.esito.motivo).c_str());
    return;
  }
  std::vector<double> tempi;
  tempi.reserve(kComandi);
  rusage r0{}, r1{};
  getrusage(RUSAGE_SELF, &r0);
  for (auto _ : state) {
    const double t0 = adesso();
    if (!invia(p.st)) {
      state.SkipWithError("comando non accettato");
      return;
    }
    tempi.push_back((adesso() - t0) * 1e6);
  }
  getrusage(RUSAGE_SELF, &r1);
  const double cpu = secondi(r0.ru_utime, r1.ru_utime) + secondi(r0.ru_stime, r1.ru_stime);
  state.counters["mediana_us"] = mediana(tempi);
  state.counters["p99_us"] = percentile(tempi, 0.99);
  state.counters["cpu_us_per_comando"] = cpu / static_cast<double>(tempi.size()) * 1e6;
  controllaGiornale(state, sim, static_cast<int64_t>(tempi.size()));
}

void BM_InviaCar(benchmark::State& state) { misuraProgramma(state, inviaCar); }
BENCHMARK(BM_InviaCar)->Iterations(kComandi)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_f_trasmreg(benchmark::State& state) { misuraProgramma(state, trasmreg); }
BENCHMARK(BM_f_trasmreg)->Iterations(kComandi)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The difference, measured in pairs: each iteration is one bare command to one
// simulator and one command through the program to another (in alternating
// order), so that both see the same load on the machine. The reported time is
// that of the pair.
void misuraConfronto(benchmark::State& state, bool (*invia)(Stato&)) {
  banco::Simulatore simBase, simProgramma;
  Grezzo g(simBase.porta());
  Programma p(simProgramma.porta());
  if (!g.aperto() || !p.esito.portaAperta) {
    state.SkipWithError("porta non aperta");
    return;
  }
  std::vector<double> base, programma, differenza;
  bool primaLaBase = true;  // the order swaps every pair: neither side always goes first
  for (auto _ : state) {
    bool okBase = false, okProgramma = false;
    double tBase = 0, tProgramma = 0;
    auto misuraBase = [&] {
      const double t0 = adesso();
      okBase = g.comando();
      tBase = adesso() - t0;
    };
    auto misuraProgramma = [&] {
      const double t0 = adesso();
      okProgramma = invia(p.st);
      tProgramma = adesso() - t0;
    };
    if (primaLaBase) {
      misuraBase();
      if (okBase) misuraProgramma();
    } else {
      misuraProgramma();
      if (okProgramma) misuraBase();
    }
    primaLaBase = !primaLaBase;
    if (!okBase || !okProgramma) {
      state.SkipWithError(okBase ? "comando non accettato" : "nessun ACK dal simulatore");
      return;
    }
    base.push_back(tBase * 1e6);
    programma.push_back(tProgramma * 1e6);
    differenza.push_back(programma.back() - base.back());
  }
  const double n = static_cast<double>(base.size());
  double sb = 0, sp = 0;
  for (size_t i = 0; i < base.size(); ++i) {
    sb += base[i];
    sp += programma[i];
  }
  state.counters["base_us"] = sb / n;
  state.counters["programma_us"] = sp / n;
  state.counters["differenza_us"] = (sp - sb) / n;
  state.counters["base_mediana_us"] = mediana(base);
  state.counters["programma_mediana_us"] = mediana(programma);
  state.counters["differenza_mediana_us"] = mediana(differenza);
  controllaGiornale(state, simBase, static_cast<int64_t>(base.size()));
  controllaGiornale(state, simProgramma, static_cast<int64_t>(programma.size()));
}

void BM_Confronto_InviaCar(benchmark::State& state) { misuraConfronto(state, inviaCar); }
BENCHMARK(BM_Confronto_InviaCar)->Iterations(kComandi)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_Confronto_f_trasmreg(benchmark::State& state) { misuraConfronto(state, trasmreg); }
BENCHMARK(BM_Confronto_f_trasmreg)->Iterations(kComandi)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_AttesaCassaMuta(benchmark::State& state) {
  banco::Simulatore sim({"--muto"});
  Programma p(sim.porta());
  if (!p.esito.portaAperta) {
    state.SkipWithError(("porta non aperta: " + p.esito.motivo).c_str());
    return;
  }
  constexpr double kLimite = 5;
  p.imp.mdTempoMaxRisposta = kLimite;
  double muro = 0, cpu = 0;
  for (auto _ : state) {
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    const double inizio = adesso();
    InviaCar(p.st, kComando, true);
    muro = adesso() - inizio;
    getrusage(RUSAGE_SELF, &r1);
    cpu = secondi(r0.ru_utime, r1.ru_utime) + secondi(r0.ru_stime, r1.ru_stime);
  }
  state.counters["attesa_s"] = muro;
  state.counters["cpu_ms"] = cpu * 1e3;
  state.counters["cpu_percento"] = muro > 0 ? cpu / muro * 100 : 0;
  if (!p.st.link.mbErrTx())
    state.SkipWithError("il silenzio della cassa e' passato per una risposta");
  else if (muro < kLimite - 0.01)
    state.SkipWithError("l'attesa e' finita prima del limite");
  else if (muro > kLimite + 1)
    state.SkipWithError("l'attesa ha superato il limite di oltre un secondo");
}
BENCHMARK(BM_AttesaCassaMuta)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  int qargc = 1;
  char* qargv[] = {argv[0], nullptr};
  QCoreApplication app(qargc, qargv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
