#pragma once
// What the scan keeps from one tick to the next. Whoever owns the program's state owns
// it beside it (Stato::coda); only the queue's code knows its type, and only the scan
// writes it.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/stato.h"
#include "queue/blocco.h"
#include "queue/esiti.h"

namespace quimbo {

struct StatoCoda {
  // The folder's lock, held from the moment it was taken to the end of the run;
  // none before (a folder that was missing at start-up is locked at its first scan).
  std::unique_ptr<BloccoCartella> blocco;
  // Receipts by outcome since start, and when the last one was printed (Unix time),
  // for the figures; the figures last written, and when (the clock's seconds).
  std::map<std::string, long> esiti;
  std::optional<double> ultimaStampa;
  std::string metriche;
  std::optional<double> metricheScritte;
  // The time of scartati/ when its receipts in doubt were last counted, and their files
  // then (none before the first count).
  std::optional<long long> scartatiContati;
  std::optional<std::vector<std::string>> fileInDubbio;
  // When old outcomes were last removed (the clock's seconds); none yet.
  std::optional<double> esitiPuliti;
  // The scan stopped for good after an unexpected error: never cleared.
  bool scansioneFerma = false;
  // Receipts sent completely in this run whose file may still be there (name, size,
  // modification time): never sent again, even when the journal on disk failed.
  std::vector<std::string> inviati;
  // The same for failed receipts that could not be set aside: never sent again.
  std::vector<std::string> falliti;
  // Receipts without their total line yet: name -> (size, time and name; since when unchanged).
  std::map<std::string, std::pair<std::string, double>> incompleti;
  // What has been said once already (a folder not writable, a file that cannot go).
  std::set<std::string> avvisati;
  // What the operator and the service manager were last shown.
  Situazione situazione;
  std::optional<Situazione> situazioneMostrata;
  // The folder's modification time (ns) when a listing found no receipt in it, taken
  // long enough after that time that nothing can have landed unseen: while it stays
  // the same, no receipt has been added, and the folder need not be listed again.
  std::optional<long long> cartellaSenzaScontrini;
  int giriSenzaElenco = 0;  // ticks since the last listing
};

// The procedure the scan's errors name.
inline constexpr const char* kProcedura = "TIMER1 (gestito dal programma)";
// What the operator must know: a line in TxtMsg and in the log.
void Dici(Stato& st, int numero, const std::string& testo);
// Said once: not again on every tick while the same thing stays true (`chiave`).
void Avvisa(Stato& st, const std::string& chiave, int numero, const std::string& testo);
// What became of a receipt, for the point of sale, before its file leaves the folder
// (GiorniEsiti=0: none). One that cannot be written is said once; false then.
bool ScriviDestino(Stato& st, const std::filesystem::path& cartella, const std::string& nome, Destino d);

// Tells the window and the service manager the state, when it changed.
void MostraSituazione(Stato& st);
// The same, with the receipts in doubt counted again now (one was settled).
void RicontaInDubbio(Stato& st);

// The folder's lock taken, or held already: none. When another program holds the
// folder, what to say of it. A folder that cannot be locked now (missing, not
// writable) gives none and no lock: the scan sends nothing until it has one.
// `nonBloccabile` gets why a folder that is there cannot be locked.
std::optional<std::string> PrendiLaCartella(Stato& st, std::string* nonBloccabile = nullptr);

// What start-up said already: the scan does not say it again.
void GiaDetto(Stato& st, const std::string& chiave);

}  // namespace quimbo
