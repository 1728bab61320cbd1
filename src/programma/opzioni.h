#pragma once
// The command line, the usage text, the exit codes and the choice of the
// configuration's file: the program's contract with users and scripts.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quimbo {

// What a script or a service manager can act on.
namespace uscita {
inline constexpr int Fatto = 0;
inline constexpr int Fallito = 1;          // the port, or the register refused --prova/--sblocca
inline constexpr int Uso = 2;              // a wrong command line, a window without a display
inline constexpr int Configurazione = 78;  // sysexits' EX_CONFIG: restarting cannot help
}  // namespace uscita

extern const char* const kUso;

struct Opzioni {
  bool headless = false;
  bool dettagli = false;  // --verbose
  bool aiuto = false;
  bool versione = false;
  bool sblocca = false;
  bool inDubbio = false;  // --in-dubbio: the receipts in doubt, listed
  // --ristampa NAME / --gia-stampato NAME: the operator settles a receipt in doubt.
  std::optional<std::string> ristampa, giaStampato;
  std::optional<std::string> prova;  // UTF-8, as typed
  std::vector<std::string> parole;   // the INI path, word by word
  std::string errore;
};

// The shell's own options (Qt's "-platform" and the like), which the shell's
// toolkit takes out of the command line itself: how many values follow `opzione`,
// or -1 when it is not one of them.
using OpzioneDellaShell = std::function<int(const std::string& opzione)>;

// The words after the program's name.
Opzioni LeggiOpzioni(const std::vector<std::string>& argomenti, const OpzioneDellaShell& dellaShell);

// The configuration's path: one that was named must exist; without one, "quimbo.ini"
// beside the program, then the system's. The window may run on the defaults; a
// service must not. `errore` says why there is none to use.
std::string TrovaIni(const Opzioni& o, const std::string& cartellaEseguibile, std::string& errore);

// What ends the program before its shell starts: a wrong command line, --help,
// --version, no configuration for a service, a window without a display. Its exit
// code, or none.
std::optional<int> FinePrimaDellaShell(const Opzioni& o, const std::string& erroreIni, bool display,
                                       const std::string& versione);

}  // namespace quimbo
