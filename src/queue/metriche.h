#pragma once
// Figures for a chain's tills: Prometheus' text format, in a file that the textfile
// collector of node_exporter (Linux) or windows_exporter (Windows) reads.

#include <map>
#include <optional>
#include <string>

#include "base/stato.h"

namespace quimbo {

struct Cifre {
  std::map<std::string, long>
      esiti{};  // receipts by outcome since start: stampato, messo_da_parte, in_dubbio
  int inAttesa = 0;
  int inDubbio = 0;                      // set aside in doubt, in scartati/
  std::optional<double> ultimaStampa{};  // Unix time of the last receipt printed
  bool cassaRisponde = true;
  bool discoPieno = false;
  std::string versione{}, famiglia{}, ini{};  // Windows-1252, as the program keeps them
};

std::string TestoMetriche(const Cifre& c);

// The receipt counted under its outcome ("stampato", "messo_da_parte", "in_dubbio").
void ContaEsito(Stato& st, const std::string& esito);
// With "Metriche" set, the file written again when a figure changed, at most once a
// second: written aside, then renamed over it. A file that cannot be written is said once.
void AggiornaMetriche(Stato& st);

}  // namespace quimbo
