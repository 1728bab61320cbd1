// Receipts per second through the whole program, for each register family: N
// receipt files are dropped into a fresh folder, `quimbo --headless` is started
// against simcassa of that family (unpaced, or paced at 1200 baud), and the wall
// time runs from the start of the program to the moment the last ".sco" file is
// gone. Also derived from the simulator's journal: the bytes on the wire per
// receipt (commands with their framing out, the register's answers back) and the
// time they need at 1200 baud, 10 bits per character.

#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comune.h"

namespace {

namespace fs = std::filesystem;
using quimbo::banco::adesso;

// One article (quantity 2) and a cash payment.
const char* const kRicevuta = "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n";

// What that receipt is for each family: commands (synchronisation included), and
// the bytes each command adds on the wire around its data, out and back.
struct Famiglia {
  const char* nome;
  int comandiPerRicevuta;
  int byteAttorno;   // Vandoni STX, sequence, length, ETX, check; Olivetti STX, checksum, ETX and our two
                     // ACKs; Kabel STX, ETX
  int byteRisposta;  // Vandoni ACK; Olivetti ACK and the 13-byte status frame; Kabel DC3 "OK" "z" DC4
};
const Famiglia kFamiglie[] = {
    {"Vandoni", 8, 5, 1},    // 415 415, quantity, sale, 419, deduction, payment, 497
    {"Frontiera", 4, 0, 0},  // K, sale, =, amount tendered
    {"Olivetti", 4, 8, 14},  // 1322, sale, payment, close
    {"Kabel", 2, 2, 5},      // sale, payment
};
constexpr double kBitPerCarattere = 10;  // start, 7 data, even parity, stop
constexpr double kBaudFilo = 1200;
constexpr double kLimiteS = 90;  // a run that takes longer has hung

int contaSco(const std::string& cartella) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(cartella)) {
    const std::string nome = e.path().filename().string();
    if (nome.size() > 4 && nome.compare(nome.size() - 4, 4, ".sco") == 0) ++n;
  }
  return n;
}

// state.range(0): receipts; state.range(1): simulator line speed (0 = unpaced);
// state.range(2): the family, an index of kFamiglie.
void BM_Ricevute(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const long baud = static_cast<long>(state.range(1));
  const Famiglia& famiglia = kFamiglie[state.range(2)];
  const int kComandiPerRicevuta = famiglia.comandiPerRicevuta;
  state.SetLabel(famiglia.nome);

  quimbo::banco::Cartella lavoro;
  const std::string cartella = lavoro / "scontrini";
  fs::create_directory(cartella);
  for (int i = 0; i < n; ++i) {
    char nome[32];
    std::snprintf(nome, sizeof nome, "r%05d.sco", i);
    quimbo::banco::scriviFile(cartella + "/" + nome, kRicevuta);
  }

  std::vector<std::string> opzioni;
  if (baud > 0) opzioni = {"--baud", std::to_string(baud)};
  std::string nomeSim = famiglia.nome;
  for (char& c : nomeSim) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  quimbo::banco::Simulatore sim(opzioni, nomeSim);
  const std::string ini = lavoro / "quimbo.ini";
  quimbo::banco::scriviFile(ini, "[Altri parametri]\r\nRegistratore=" + std::string(famiglia.nome) +
                                     "\r\nAttesaTimer=50\r\nDirPerFile=" + cartella +
                                     "\r\n[Parametri Seriale]\r\nDispositivo=" + sim.porta() + "\r\n");

  const int avviso = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (avviso < 0 || inotify_add_watch(avviso, cartella.c_str(), IN_DELETE | IN_MOVED_FROM) < 0) {
    state.SkipWithError("inotify non disponibile");
    if (avviso >= 0) close(avviso);
    return;
  }

  double totale = 0, primo = 0, ultimo = 0;
  int rimaste = n;
  std::unique_ptr<quimbo::banco::Figlio> programma;
  for (auto _ : state) {
    const double inizio = adesso();
    programma = std::make_unique<quimbo::banco::Figlio>(std::vector<std::string>{QUIMBO, "--headless", ini},
                                                        lavoro / "quimbo.out");
    while (rimaste > 0 && adesso() - inizio < kLimiteS && programma->vivo()) {
      pollfd p{avviso, POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      char buf[4096];
      while (read(avviso, buf, sizeof buf) > 0) {
      }
      const int ora = contaSco(cartella);
      const double t = adesso() - inizio;
      if (ora < n && primo == 0) primo = t;
      if (ora < rimaste) ultimo = t;
      rimaste = ora;
    }
    // Frontiera gets no answer, and Kabel waits only "Pausa" for one: the program
    // may be done with a file while its bytes are still on the paced line. The
    // receipts are through when the register has taken every command.
    const size_t attesi = static_cast<size_t>(n * kComandiPerRicevuta);
    while (rimaste == 0 && sim.giornale().size() < attesi && adesso() - inizio < kLimiteS) usleep(5000);
    totale = adesso() - inizio;
    state.SetIterationTime(totale);
  }
  close(avviso);

  const bool eraVivo = programma->vivo();
  const int codice = programma->termina();
  const bool uccisoAForza = programma->uccisoAForza();
  sim.termina();

  // What reached the register: one journal line per command, its data shown as
  // written (the bench's receipt has no control characters), then what it means
  // in brackets.
  int64_t comandi = 0, anomalie = 0, byteDati = 0;
  for (const auto& r : sim.giornale()) {
    if (r.rfind("?? ", 0) == 0 || r.rfind("!! ", 0) == 0) {
      ++anomalie;
    } else {
      ++comandi;
      const auto nota = r.back() == ')' ? r.rfind(" (") : std::string::npos;
      byteDati += static_cast<int64_t>(nota == std::string::npos ? r.size() : nota);
    }
  }
  const double byteTrame = static_cast<double>(byteDati + famiglia.byteAttorno * comandi);
  const double byteAck = static_cast<double>(famiglia.byteRisposta * comandi);
  const double filoPerRicevuta = (byteTrame + byteAck) * kBitPerCarattere / kBaudFilo / n;

  state.counters["ricevute"] = n;
  state.counters["ricevute_al_s"] = n / totale;
  state.counters["s_per_ricevuta"] = totale / n;
  state.counters["primo_s"] = primo;
  if (n > 1 && ultimo > primo) state.counters["regime_ricevute_al_s"] = (n - 1) / (ultimo - primo);
  state.counters["comandi"] = static_cast<double>(comandi);
  state.counters["byte_trame_per_ricevuta"] = byteTrame / n;
  state.counters["byte_ack_per_ricevuta"] = byteAck / n;
  state.counters["filo_1200_s_per_ricevuta"] = filoPerRicevuta;

  std::string errore;
  if (rimaste > 0)
    errore = std::to_string(rimaste) + " ricevute ancora nella cartella dopo " + std::to_string(totale) +
             " s" + (eraVivo ? "" : " (il programma e' uscito da solo)");
  else if (comandi != static_cast<int64_t>(n) * kComandiPerRicevuta || anomalie != 0)
    errore = "il simulatore ha registrato " + std::to_string(comandi) + " comandi (attesi " +
             std::to_string(n * kComandiPerRicevuta) + ") e " + std::to_string(anomalie) + " righe anomale";
  else if (fs::exists(cartella + "/badscont.bad") || fs::exists(cartella + "/errori.txt"))
    errore = "ricevute scartate o errori registrati: " + quimbo::banco::leggiFile(cartella + "/errori.txt");
  else if (uccisoAForza)
    errore = "il programma non e' uscito entro 5 s dal SIGTERM";
  else if (codice != 0)
    errore = "il programma e' uscito con il codice " + std::to_string(codice);
  if (!errore.empty()) state.SkipWithError(errore.c_str());
}
BENCHMARK(BM_Ricevute)
    ->ArgNames({"ricevute", "baud", "famiglia"})
    ->Args({50, 0, 0})
    ->Args({5, 1200, 0})
    ->Args({5, 1200, 1})
    ->Args({5, 1200, 2})
    ->Args({5, 1200, 3})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
