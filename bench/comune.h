#pragma once
// Helpers shared by the benchmarks: a temporary folder, a child process (the
// register simulator, the program itself) and the journal the simulator prints.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quimbo::banco {

// A fresh folder under /tmp, removed with everything in it at the end.
class Cartella {
 public:
  Cartella();
  ~Cartella();
  Cartella(const Cartella&) = delete;
  Cartella& operator=(const Cartella&) = delete;
  const std::string& percorso() const { return percorso_; }
  std::string operator/(const std::string& nome) const { return percorso_ + "/" + nome; }

 private:
  std::string percorso_;
};

void scriviFile(const std::string& percorso, const std::string& testo);
std::string leggiFile(const std::string& percorso);

// A child process with its standard output sent to a file (standard error to the
// same name plus ".err"). It gets SIGTERM when the benchmark dies, and SIGTERM
// (then SIGKILL) when the object goes.
class Figlio {
 public:
  Figlio(const std::vector<std::string>& argomenti, const std::string& uscita);
  ~Figlio();
  Figlio(const Figlio&) = delete;
  Figlio& operator=(const Figlio&) = delete;

  pid_t pid() const { return pid_; }
  bool vivo();
  // SIGTERM, then waits up to `pazienza`; returns the exit status (-1 if it had to
  // be killed, or was gone already).
  int termina(std::chrono::milliseconds pazienza = std::chrono::seconds(5));
  bool uccisoAForza() const { return uccisoAForza_; }

 private:
  pid_t pid_ = -1;
  int stato_ = -1;
  bool uccisoAForza_ = false;
};

// simcassa on a new pseudo-terminal; its journal goes to a file.
class Simulatore {
 public:
  // `opzioni` follow the family, e.g. {"--baud", "1200"}.
  explicit Simulatore(const std::vector<std::string>& opzioni = {}, const std::string& famiglia = "vandoni");
  const std::string& porta() const { return porta_; }
  // Every line after "PORTA ...": one per command, "?? ..." for a bad frame,
  // "!! ..." for a flow-control fault.
  std::vector<std::string> giornale() const;
  void termina() { figlio_.termina(); }

 private:
  Cartella cartella_;
  std::string uscita_;
  Figlio figlio_;
  std::string porta_;
};

// Seconds on the monotonic clock.
double adesso();

}  // namespace quimbo::banco
