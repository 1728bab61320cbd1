#pragma once
// What the queue sets aside is kept in scartati/ of the receipt folder as
// <stamp>_<kind><name>, with ".2", ".3" after it for another of the same name and
// stamp. The stamp is when it was set aside (for a receipt in doubt, when its payment
// began: the time to look for in the register's journal); the kind says why. This is
// the one place that makes such a name and the one that reads it.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/piattaforma.h"

namespace quimbo {

inline constexpr const char* kScartati = "scartati";

enum class Scarto {
  Fallito,   // the previous badscont.bad: no kind in the name
  InDubbio,  // cut during its payment ("in_dubbio_")
  Stampato,  // in doubt, settled as printed by the operator ("stampato_")
};

struct Scartato {
  std::string file;  // its name in scartati/
  Scarto tipo = Scarto::Fallito;
  std::optional<DataOra> quando;  // its stamp; none when its name has none
  std::string nome;               // the receipt's own name
};

// The name of `nome` set aside as `tipo` at `quando`, without the ".N" of another.
std::string NomeScartato(const DataOra& quando, Scarto tipo, const std::string& nome);
// What a name in scartati/ says of its file.
Scartato LeggiScartato(const std::string& file);
// The files of scartati/ of one kind, in name order: oldest first, by their stamp.
std::vector<Scartato> Scartati(const std::filesystem::path& cartella, Scarto tipo);
// scartati/ of a receipt folder.
std::filesystem::path CartellaScartati(const std::filesystem::path& cartella);
// "scartati/<file>", as an outcome names where a file is kept.
std::string Conservato(const std::string& file);

}  // namespace quimbo
