#pragma once
// What the program asks of the system it runs on: the device of the serial port
// and what to do when it does not open, the user it runs as, the decimal
// separator of the user's locale. One body per system.

#include <ctime>
#include <string>
#include <system_error>

#include "base/stato.h"

namespace quimbo {

// The device name: "Dispositivo" when set, else DispositivoDelNumero("CommPort").
std::string dispositivoPorta(const Stato& st);
// "CommPort" N: "/dev/ttyS<N-1>"; "COM<N>" on Windows.
std::string DispositivoDelNumero(long n);

// What to do about a port that did not open, as a sentence to append to the
// system's reason (". Permesso negato: ..."), or "" when there is nothing to add:
// a missing device, one that is not a serial port, one that another process has
// locked (with its PID), one this user may not open.
std::string SuggerimentoPorta(const std::string& dispositivo, const std::string& motivo);

// Whether the port's name is a file or a folder that exists and is not a device:
// a configuration error, unlike a device that is not there yet (an adapter not
// plugged in).
bool NonEUnDispositivo(const std::string& dispositivo);

// The user the program runs as, by name (its number when it has none).
std::string NomeUtente();

// The decimal separator of the numeric locale named by the environment; "." when
// none is set or it is not installed.
std::string SeparatoreDecimaleAmbiente();

// Whether standard input is a terminal: someone there to answer a question (a
// script's or a service's is not).
bool DaTerminale();

// Local time.
std::tm OraLocale(std::time_t t);

// The portable condition of an error: a code of the system's own category is an
// errno value on POSIX and a Win32 code on Windows; one the portable conditions have
// no name for (a disk quota exceeded) comes back as the nearest (no space).
std::error_condition CondizioneDiSistema(const std::error_code& ec);

}  // namespace quimbo
