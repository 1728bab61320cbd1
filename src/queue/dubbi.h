#pragma once
// Receipts set aside in doubt: cut during their payment, they may have been printed,
// and wait in scartati/ for the operator to check the register's own journal.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/piattaforma.h"

namespace quimbo {

// The receipts in doubt of a receipt folder, oldest first; none when it has none.
std::vector<InDubbio> ElencoInDubbio(const std::filesystem::path& cartella);
// How many there are.
int ContaInDubbio(const std::filesystem::path& cartella);
// The operator settles a receipt in doubt (`nome`, or its file in scartati/): "gi\xe0
// stampato" keeps it as scartati/<stamp>_stampato_<name> and sends nothing; a
// reprint puts it back into the folder as "ristampa-<name>", a new receipt that the
// program sending from the folder prints once. Each claims the receipt with one
// rename that never replaces a file, so that of two settlements at once (two clicks,
// the window and the command line) one finds it gone. What was done, to be said; none
// when the receipt is not in doubt (`errore` then says why).
std::optional<std::string> Sistema(const std::filesystem::path& cartella, const std::string& nome,
                                   bool ristampa, const DataOra& adesso, std::string& errore);

// One line of `quimbo --in-dubbio`: its entry in the window's list, where it is kept,
// why, and what last reached the register.
std::string RigaInDubbio(const InDubbio& d);

}  // namespace quimbo
