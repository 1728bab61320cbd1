#pragma once
// What became of each receipt, for the point-of-sale program: "esiti/<name>.esito"
// in the receipt folder, written before the receipt leaves the folder, in the INI
// form an old program reads with its profile calls (an "[Esito]" section, Windows-1252,
// CR LF).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/ore.h"
#include "base/piattaforma.h"

namespace quimbo {

inline constexpr const char* kEsiti = "esiti";

inline constexpr const char* kStampato = "stampato";
inline constexpr const char* kMessoDaParte = "messo da parte";
inline constexpr const char* kInDubbio = "in dubbio";
inline constexpr const char* kRistampato = "ristampato";
inline constexpr const char* kGiaStampato = "gi\xe0 stampato";

// A receipt in doubt sent again by the operator's choice goes back into the folder
// under this prefix: its outcome is its own name's, and says "ristampato".
inline constexpr const char* kPrefissoRistampa = "ristampa-";

struct Destino {
  const char* stato = kStampato;
  DataOra ora{};
  std::optional<int> comandi{};    // sent for it in this run; none when not known (after a stop)
  std::optional<double> durata{};  // seconds
  // Not printed: why, as TxtMsg and the log said it; the line that was the cause
  // (0: none); where the file is now, from the receipt folder.
  std::string motivo{};
  int riga = 0;
  std::string ultimo{};  // in doubt: what last reached the register
  std::string conservato{};
  // In doubt, and once settled: when its payment began, the time to look for in the
  // register's journal (none: nobody knows, and the outcome says so).
  std::optional<DataOra> inizioPagamento{};
};

std::string TestoEsito(const Destino& d);
// The receipt a reprint prints again: its name without the reprint's prefixes.
std::string SenzaPrefissoRistampa(std::string nome);
// Replaces any earlier outcome of that name (of a reprint: of the receipt it prints
// again): written aside, forced to disk, then renamed into place. Errors are numbered.
void ScriviEsito(const std::filesystem::path& cartella, const std::string& nome, Destino d);
// A "printed" outcome of `nome` written since the receipt's file last changed
// (`modifica`, ns): another outcome of that name is an earlier receipt's.
bool EsitoDopo(const std::filesystem::path& cartella, const std::string& nome, std::int64_t modifica);
// The outcome file of a receipt.
std::filesystem::path FileEsito(const std::filesystem::path& cartella, const std::string& nome);
// Of an outcome in doubt or settled: when its payment began, as its key says it.
inline constexpr const char* kInizioPagamento = "InizioPagamento";
inline constexpr const char* kIgnoto = "sconosciuto";
// The value of `chiave` in an outcome's text; none when it has none.
std::optional<std::string> ValoreEsito(const std::string& testo, const std::string& chiave);
// The outcome of `nome` says the file is kept at `prima`: it now says `dopo`.
void SpostaConservato(const std::filesystem::path& cartella, const std::string& nome,
                      const std::string& prima, const std::string& dopo);
// Outcomes written aside and never put in place (left by a stop) go; says nothing.
void TogliEsitiAMeta(const std::filesystem::path& cartella) noexcept;
// Outcomes whose file is `giorni` days old or more go; anything else in the folder stays.
void TogliEsitiVecchi(const std::filesystem::path& cartella, int giorni);

}  // namespace quimbo
