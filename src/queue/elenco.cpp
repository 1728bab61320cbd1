#include "queue/elenco.h"

#include <algorithm>
#include <chrono>

#include "base/errore.h"
#include "base/percorsi.h"
#include "base/registro.h"
#include "queue/disco.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The order of names in a listing: ordinal without regard to case, as Windows lists them.
bool PrimaNellElenco(const std::string& a, const std::string& b) {
  auto piega = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  const std::string pa = piega(a), pb = piega(b);
  return pa != pb ? pa < pb : a < b;  // names equal but for case: a fixed order all the same
}

// The receipt files ("*.sco", any case, plain files) in directory order, names only.
// A missing or unreadable folder lists nothing, as an empty one does; `ec` gets an
// error met halfway through.
std::vector<std::string> NomiScontrini(const fs::path& dir, std::error_code& ec) {
  std::vector<std::string> nomi;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    ec.clear();
    return nomi;
  }
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    std::string nome = it->path().filename().string();
    if (NomeDiScontrino(nome)) nomi.push_back(std::move(nome));
  }
  return nomi;
}

}  // namespace

// Length of the file, or no value (counting as 0) when it cannot be read (logged).
std::optional<std::uintmax_t> f_fileLen(Stato& st, const std::string& percorso) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(percorso, ec);
  if (ec) {
    ScriviErrore(st, erroreDa(ec), "f_fileLen");
    return std::nullopt;
  }
  return n;
}

// How many receipt files the folder holds.
std::size_t ContaScontrini(const fs::path& dir) {
  std::error_code ec;
  return NomiScontrini(dir, ec).size();
}

// The receipt file that is `id` under another name (the point of sale renamed it), or
// none: the same file, with the same bytes when they are known. A file number used
// again for a new receipt of the same size and time is not taken for it.
std::optional<Identita> CercaRinominato(const fs::path& dir, const Identita& id) {
  if (id.numero == 0) return std::nullopt;
  std::error_code ec;
  for (const std::string& nome : NomiScontrini(dir, ec)) {
    if (nome == id.nome) continue;
    std::optional<Identita> altro = IdentitaDi(dir / nome);
    if (!altro || !stessoFileRinominato(*altro, id)) continue;
    if (id.impronta != 0 && ImprontaDi(Contenuto(dir / nome)) != id.impronta) continue;
    altro->impronta = id.impronta;
    return altro;
  }
  return std::nullopt;
}

// The first `massimo` receipt files ("*.sco", any case, plain files) in that order,
// names only; `totale` gets how many there are in all.
std::vector<std::string> ElencaScontrini(const fs::path& dir, int massimo, std::size_t* totale) {
  std::error_code ec;
  std::vector<std::string> nomi = NomiScontrini(dir, ec);
  if (ec) throw erroreDa(ec);
  // Directory order here is hash order; receipts go out in the order Windows
  // lists them, so numbered or time-stamped names are printed in sequence.
  std::sort(nomi.begin(), nomi.end(), PrimaNellElenco);
  if (totale) *totale = nomi.size();
  if (massimo >= 0 && nomi.size() > static_cast<std::size_t>(massimo))
    nomi.resize(static_cast<std::size_t>(massimo));
  return nomi;
}

// The folder's modification time in nanoseconds, and whether it is old enough that
// a file added after it would have moved it even on a file system with coarse times.
std::optional<long long> MomentoCartella(const fs::path& dir, bool& stabile) {
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(dir, ec);
  if (ec) return std::nullopt;
  stabile = fs::file_time_type::clock::now() - t > std::chrono::seconds(3);
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

std::optional<std::string> CartellaInaccessibile(const fs::path& dir) {
  std::error_code ec;
  const fs::file_status stato = fs::status(dir, ec);
  if (!ec || stato.type() == fs::file_type::not_found) return std::nullopt;
  return "Cartella degli scontrini " + dir.string() + " inaccessibile (" + ec.message() +
         "): correggere DirPerFile";
}

}  // namespace quimbo
