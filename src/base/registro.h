#pragma once
// The error log "errori.txt" in the receipt folder, one line per caught error.

#include <string>

#include "base/errore.h"
#include "base/stato.h"

namespace quimbo {

// The log line without its CR LF, e.g.
// "In 12/05/2026 07:10:03  si e' verificato l'errore n.53 (File not found) in f_fileLen"
std::string RigaErrore(const DataOra& quando, int numero, const std::string& descrizione,
                       const std::string& procedura);

// Appends one line (opened and closed per line). A log that cannot be written
// drops the line: the failing procedure still ends as its own handler says. The
// integrator's log gets it too, as an error unless `livello` says otherwise (the
// file also records good news, such as a register answering again).
void ScriviErrore(Stato& st, int numero, const std::string& descrizione, const std::string& procedura,
                  Livello livello = Livello::Errore);
void ScriviErrore(Stato& st, const Errore& e, const std::string& procedura);

}  // namespace quimbo
