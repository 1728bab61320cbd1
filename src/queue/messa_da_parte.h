#pragma once
// Receipts set aside: a failed one becomes badscont.bad (the previous one moving into
// scartati/), one cut during its payment goes into scartati/ in doubt, and one that
// cannot be moved is marked in the journal so that it never goes out by itself.

#include <filesystem>
#include <string>

#include "base/stato.h"
#include "queue/esiti.h"

namespace quimbo {

inline constexpr const char* kBadscont = "badscont.bad";
inline constexpr const char* kNomiFil = "NomiFil.txt";

// A failed receipt that could not be set aside is marked in the journal instead,
// and remembered for the run, so that it is never sent again by itself.
void SegnaFallito(Stato& st, const std::filesystem::path& cartella, const std::filesystem::path& percorso,
                  const std::string& motivo);
// The failed receipt becomes "badscont.bad" and the previous one moves into
// scartati/; whatever cannot be moved stays marked as failed. Its outcome says so.
void MettiDaParte(Stato& st, const std::filesystem::path& cartella, const std::filesystem::path& percorso,
                  Destino d);
// A receipt cut during its payment may have been printed: it goes into scartati/
// for the operator to check against the register's own journal, named after the time
// its payment began; its payment mark goes.
void MettiDaParteInDubbio(Stato& st, const std::filesystem::path& cartella,
                          const std::filesystem::path& percorso, Destino d);

}  // namespace quimbo
