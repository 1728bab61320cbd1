#pragma once
// Start-up: the configuration's file, then Form_Load.

#include <optional>
#include <string>

#include "base/stato.h"

namespace quimbo {

struct EsitoAvvio {
  bool portaAperta = false;
  std::string dispositivo;  // the device that was opened, or could not be
  std::string motivo;       // the system's reason when it could not be opened, and what to do
  // Headless: the configuration cannot be used (a file that cannot be read, a bad
  // value named by section, key and value); nothing was opened, exit code 78.
  std::string erroreConfigurazione;
  // Another program holds the receipt folder: who, and that this one ends (exit code 1).
  std::string cartellaOccupata;
};

inline constexpr const char* kIniDiSistema = "/etc/quimbo/quimbo.ini";

// "quimbo.ini" beside the executable.
std::string percorsoIniPredefinito(const std::string& cartellaEseguibile);
// The configuration used when none is named: "quimbo.ini" beside the executable,
// else the system's; none when neither exists.
std::optional<std::string> CercaIni(const std::string& cartellaEseguibile);

// Start-up, in the original's order: constants, configuration, window adapted to
// the family, port opened, timer enabled. A window whose port failed ends (exit
// code 1); a service keeps running and opens the port when it appears. `imp` is
// the settings `st` reads, which only this fills.
EsitoAvvio Form_Load(Stato& st, Impostazioni& imp, const std::string& percorsoIni);

// f_trim0: blanks trimmed, then NULs at either end.
std::string f_trim0(Stato& st, const std::string& testo);

}  // namespace quimbo
