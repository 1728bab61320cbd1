#include "queue/scartati.h"

#include <algorithm>
#include <string_view>

#include "base/ore.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The kinds as their names say them, between the stamp and the receipt's name.
constexpr std::string_view kSegnoInDubbio = "_in_dubbio_";
constexpr std::string_view kSegnoStampato = "_stampato_";

// The receipt's own name where it starts in a file's name; ".2" after it (another set
// aside in the same second) is not part of it.
std::string NomeDa(const std::string& file, std::size_t inizio) {
  std::string nome = file.substr(std::min(inizio, file.size()));
  if (const std::size_t punto = nome.rfind(".sco."); punto != std::string::npos) nome.resize(punto + 4);
  return nome;
}

}  // namespace

std::string NomeScartato(const DataOra& quando, Scarto tipo, const std::string& nome) {
  const std::string_view segno = tipo == Scarto::InDubbio   ? kSegnoInDubbio
                                 : tipo == Scarto::Stampato ? kSegnoStampato
                                                            : std::string_view("_");
  return StampaArchivio(quando) + std::string(segno) + nome;
}

Scartato LeggiScartato(const std::string& file) {
  Scartato s{.file = file, .quando = DaStampaArchivio(file)};
  for (const auto& [tipo, segno] :
       {std::pair{Scarto::InDubbio, kSegnoInDubbio}, {Scarto::Stampato, kSegnoStampato}})
    if (const std::size_t dove = file.find(segno); dove != std::string::npos) {
      s.tipo = tipo;
      s.nome = NomeDa(file, dove + segno.size());
      return s;
    }
  s.nome = NomeDa(file, s.quando ? 16 : 0);
  return s;
}

std::vector<Scartato> Scartati(const fs::path& cartella, Scarto tipo) {
  std::vector<Scartato> file;
  std::error_code ec;
  for (fs::directory_iterator it(CartellaScartati(cartella), ec), fine; !ec && it != fine; it.increment(ec))
    if (Scartato s = LeggiScartato(it->path().filename().string()); s.tipo == tipo)
      file.push_back(std::move(s));
  std::sort(file.begin(), file.end(), [](const Scartato& a, const Scartato& b) { return a.file < b.file; });
  return file;
}

fs::path CartellaScartati(const fs::path& cartella) { return cartella / kScartati; }

std::string Conservato(const std::string& file) { return std::string(kScartati) + "/" + file; }

}  // namespace quimbo
