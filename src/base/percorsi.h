#pragma once
// Paths inside the receipt folder. The folder setting may be written the Windows
// way ("f:\quimbo"); on POSIX a backslash counts as a separator too.

#include <filesystem>
#include <string>

namespace quimbo {

std::filesystem::path cartella(const std::string& msDirPerFile);
std::filesystem::path inCartella(const std::string& msDirPerFile, const std::string& nome);

// Whether a file of that name is a receipt ("*.sco", any case): the scan sends these,
// and a folder's watch wakes it for these only.
bool NomeDiScontrino(const std::string& nome);

// The kind of the drive a Windows folder is on, as the program sees it.
enum class Unita { Nessuna, Locale, Rete };

// What to say of a receipt folder that is missing, after its name: why, and what to do.
// A Windows service (`servizio` its name; empty when not one) sees none of the drives
// that users map to the shop's server: "f:\quimbo" is there for the cashier and not
// for it.
std::string MotivoCartellaMancante(const std::string& dir, Unita unita, const std::string& servizio);
// The same for this process and the drive the folder is on (a Windows service sees no
// mapped drive; elsewhere a missing folder is only missing).
std::string MotivoCartellaMancante(const std::string& dir);

}  // namespace quimbo
