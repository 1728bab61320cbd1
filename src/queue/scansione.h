#pragma once
// The folder scan: every tick sends up to 10 receipt files, deletes those sent
// and sets failed ones aside.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/stato.h"

namespace quimbo {

inline constexpr int kFilePerGiro = 10;

// Length of the file, or no value (counting as 0) when it cannot be read (logged).
std::optional<std::uintmax_t> f_fileLen(Stato& st, const std::string& percorso);

// Deletes `nuovo` if present, then renames `attuale` to `nuovo`; reports nothing.
void RinominaFile(const std::string& attuale, const std::string& nuovo);

// The order of names in a listing: ordinal without regard to case, as Windows lists them.
bool PrimaNellElenco(const std::string& a, const std::string& b);

// The first `massimo` receipt files ("*.sco", any case, plain files) in that order, names only;
// `totale` gets how many there are in all.
std::vector<std::string> ElencaScontrini(const std::filesystem::path& cartella, int massimo,
                                         std::size_t* totale = nullptr);

// How many receipt files the folder holds (none when it cannot be listed).
std::size_t ContaScontrini(const std::filesystem::path& cartella);

// Whether a file of that name is a receipt ("*.sco", any case).
bool NomeDiScontrino(const std::string& nome);

}  // namespace quimbo
