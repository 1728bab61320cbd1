#pragma once
// The receipt folder as the scan lists it: which receipts are waiting, in the order
// they go out, and how the folder is found.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/stato.h"
#include "queue/giornale.h"

namespace quimbo {

// Length of the file, or no value (counting as 0) when it cannot be read (logged).
std::optional<std::uintmax_t> f_fileLen(Stato& st, const std::string& percorso);
// How many receipt files the folder holds.
std::size_t ContaScontrini(const std::filesystem::path& dir);
// The first `massimo` receipt files ("*.sco", any case, plain files) in the order
// Windows lists them (case ignored), names only; `totale` gets how many there are in
// all. A folder that cannot be listed halfway is an error (numbered).
std::vector<std::string> ElencaScontrini(const std::filesystem::path& dir, int massimo,
                                         std::size_t* totale = nullptr);
// The receipt file that is `id` under another name (the point of sale renamed it), or
// none: the same file, with the same bytes when they are known.
std::optional<Identita> CercaRinominato(const std::filesystem::path& dir, const Identita& id);
// The folder's modification time in nanoseconds, and whether it is old enough that
// a file added after it would have moved it even on a file system with coarse times.
std::optional<long long> MomentoCartella(const std::filesystem::path& dir, bool& stabile);
// What to say of a receipt folder that cannot be reached at all (a name too long, a
// folder on the way that may not be entered), as the system says it; none for one that
// is there or is missing (a missing folder lists nothing).
std::optional<std::string> CartellaInaccessibile(const std::filesystem::path& dir);

}  // namespace quimbo
