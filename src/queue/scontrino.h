#pragma once
#include <optional>
#include <string>

#include "queue/giornale.h"
#include "shell/stato.h"

namespace quimbo {

// How a receipt ended, and so what becomes of its file.
enum class Esito {
  Inviato,      // every line handed over: journal, then deletion
  Fallito,      // refused, bad input, or given up by the operator: set aside
  Trattenuto,   // nothing says it was refused (line lost, register silent before its total line): kept, sent
                // again later from its first line
  InDubbio,     // cut during its total line: the register may have printed it; set aside for the operator
  Incompleto,   // sale lines without a total line yet, or a file that changed while read: still being written
  Illeggibile,  // this user may not read it: it stays, nothing was sent
  DiscoPieno,   // no room for the payment mark: it stays, nothing was sent
};

// Sends one receipt file: every line read once and checked, the synchronisation, then
// every non-empty line through the dispatcher, with restarts on the operator's
// request. Before the first command of a total line the folder's payment mark is
// written. `letto` gets the identity of the file the lines were read from, when they were.
Esito ElaboraScontrino(Stato& st, const std::string& percorso, std::optional<Identita>* letto = nullptr);

}  // namespace quimbo
