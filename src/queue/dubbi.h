#pragma once
// Receipts set aside in doubt: cut during their payment, they may have been printed,
// and wait in scartati/ for the operator to check the register's own journal.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/piattaforma.h"

namespace quimbo {

// The receipts in doubt of a receipt folder, oldest first; none when it has none.
// Their lines are read as the queue reads them (`codifica`, the INI's "Codifica").
std::vector<InDubbio> ElencoInDubbio(const std::filesystem::path& cartella, std::string_view codifica);
// Their names in scartati/, oldest first.
std::vector<std::string> FileInDubbio(const std::filesystem::path& cartella);

// The receipt in doubt that `nome` (its own name, its file in scartati/, or a reprint's
// name) names; none when it names none, or more than one under one name (`errore`
// then says why, and `ambiguo` is set).
std::optional<InDubbio> TrovaInDubbio(const std::filesystem::path& cartella, std::string_view codifica,
                                      const std::string& nome, std::string& errore, bool& ambiguo);
// The operator settles a receipt in doubt: "gi\xe0 stampato" keeps it as
// scartati/<stamp>_stampato_<name> and sends nothing; a reprint puts it back into the
// folder as "ristampa-<name>", a new receipt that the program sending from the folder
// prints once. Each claims the receipt with one rename that never replaces a file, so
// that of two settlements at once (two clicks, the window and the command line) one
// finds it gone. What was done, to be said; none when it was not (`errore` then says
// why).
std::optional<std::string> Sistema(const std::filesystem::path& cartella, const InDubbio& d, bool ristampa,
                                   const DataOra& adesso, std::string& errore);
// How a receipt of that name, no longer in doubt, was settled ("gi\xe0 stampato il ...",
// "ristampato il ...", or put back and waiting for its print); none when nothing says
// it was.
std::optional<std::string> ComeSistemato(const std::filesystem::path& cartella, const std::string& nome);

// The question that settles it: it names what the operator looks for in the
// register's journal.
std::string DomandaSistema(const InDubbio& d, bool ristampa);

// `quimbo --in-dubbio`: its entry in the window's list, where it is kept, why, what
// last reached the register, then its lines, one a line.
std::string RigheInDubbio(const InDubbio& d);

}  // namespace quimbo
