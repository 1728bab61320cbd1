#pragma once
// Every way the program writes a time, and reads back what it wrote: one place, so that
// a file that names a time is read the way it was written.

#include <optional>
#include <string>

#include "base/piattaforma.h"

namespace quimbo {

// "2026-12-05 07:10:03", as outcomes and lists show a time; "?" for one not known.
std::string TestoOra(const DataOra& d);
std::string TestoOra(const std::optional<DataOra>& d);
// TestoOra's text read back; none for any other.
std::optional<DataOra> DaTestoOra(const std::string& testo);
// "07:10:03", the time of day a status line shows.
std::string OraDelGiorno(const DataOra& d);
// "07:10:03.250 ", which starts a line of the headless log.
std::string OraDelLog(const DataOra& d);
// "12/05/2026 07:10:03" (separator '/') or "12-05-2026 07:10:03" ('-'): the month
// first, as the original's errori.txt and NomiFil.txt say a time.
std::string DataOraMeseGiorno(const DataOra& d, char separatore);
// "20261205-071003", which starts the name of a file kept in scartati/ and the payment
// mark's time.
std::string StampaArchivio(const DataOra& d);
// The time at the start of such a text, followed by nothing, '_' or '.'; none when it
// starts otherwise.
std::optional<DataOra> DaStampaArchivio(const std::string& testo);

}  // namespace quimbo
