#pragma once
// The entry points the shell wires to its window, timer, port and command line.
// Everything behind them is plain core code over the shared state.

#include <optional>
#include <string>
#include <vector>

#include "shell/stato.h"

namespace quimbo {

struct EsitoAvvio {
  bool portaAperta = false;
  std::string dispositivo;  // the device that was opened, or could not be
  std::string motivo;       // the system's reason when it could not be opened, and what to do
  // Headless: the configuration cannot be used (a file that cannot be read, a bad
  // value named by section, key and value); nothing was opened, exit code 78.
  std::string erroreConfigurazione;
};

inline constexpr const char* kIniDiSistema = "/etc/quimbo/quimbo.ini";

// "quimbo.ini" beside the executable.
std::string percorsoIniPredefinito(const std::string& cartellaEseguibile);
// The configuration used when none is named: "quimbo.ini" beside the executable,
// else the system's; none when neither exists.
std::optional<std::string> CercaIni(const std::string& cartellaEseguibile);

// Start-up, in the original's order: constants, configuration, window adapted to
// the family, port opened, timer enabled. The timer is enabled only when the port
// opened; a program whose port failed must end (exit code 1).
EsitoAvvio Form_Load(Stato& st, const std::string& percorsoIni);

// What to do about a port that did not open, as a sentence to append to the
// system's reason (". Permesso negato: ..."), or "" when there is nothing to add:
// a missing device, one that is not a serial port, one that another process has
// locked (with its PID), one this user may not open.
std::string SuggerimentoPorta(const std::string& dispositivo, const std::string& motivo);

// The user the program runs as, by name (its number when it has none).
std::string NomeUtente();

// The device name: "Dispositivo" when set, else "/dev/ttyS<N-1>" (COM<N> on Windows).
std::string dispositivoPorta(const Stato& st);

// The decimal separator of the numeric locale named by the environment; "." when
// none is set or it is not installed.
std::string SeparatoreDecimaleAmbiente();

// f_trim0: blanks trimmed, then NULs at either end.
std::string f_trim0(Stato& st, const std::string& testo);

void Timer1_Timer(Stato& st);
void Comm1_OnComm(Stato& st, int codice);
void CmdSblocca_click(Stato& st);
void comTest_Click(Stato& st);
// "&FINE": timer off, abort flag, port closed, program ended at once.
void Command1_Click(Stato& st);
// The window unloads (close box, and the signals): port closed, timer off.
void Form_Unload(Stato& st);

// A close asked for (the close box, SIGTERM, SIGINT). While a receipt's total line
// is being sent it waits for that receipt to end, since a receipt cut there may be
// printed with nothing on disk to say so: false then, and the shell forces the close
// after AttesaMassimaChiusura() seconds (TempoMaxRisposta, 10 when none is set).
bool RichiestaChiusura(Stato& st);
double AttesaMassimaChiusura(const Stato& st);
// Called when a receipt has ended: a close that waited for it is carried out now
// (Form_Unload, then the window's end). True when it was.
bool EseguiChiusuraRinviata(Stato& st);

// The two buttons from the command line (headless): true when the register accepted
// (no refusal given up on, no unexpected answer, no time-out, the port still open).
bool ProvaDaRigaComandi(Stato& st, const std::string& testo);
bool SbloccaDaRigaComandi(Stato& st);

}  // namespace quimbo
