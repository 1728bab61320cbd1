#include "queue/dubbi.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "queue/esiti.h"
#include "shell/util.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

constexpr const char* kSegno = "_in_dubbio_";

std::string Leggi(const fs::path& f) {
  return (std::ostringstream() << std::ifstream(f, std::ios::binary).rdbuf()).str();
}

// "20261205-071003" at the start of an archived name.
std::optional<DataOra> Stampa(const std::string& file) {
  DataOra d;
  if (file.size() < 15 || std::sscanf(file.c_str(), "%4d%2d%2d-%2d%2d%2d", &d.anno, &d.mese, &d.giorno,
                                      &d.ora, &d.minuto, &d.secondo) != 6)
    return std::nullopt;
  return d;
}

}  // namespace

std::vector<InDubbio> ElencoInDubbio(const fs::path& cartella) {
  std::vector<InDubbio> elenco;
  std::error_code ec;
  for (fs::directory_iterator it(cartella / "scartati", ec), fine; !ec && it != fine; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    const std::size_t segno = file.find(kSegno);
    if (segno == std::string::npos) continue;
    InDubbio d{file, file.substr(segno + std::string(kSegno).size()), Stampa(file)};
    // A second one cut in the same second has ".2" after its name.
    if (const std::size_t punto = d.nome.rfind(".sco."); punto != std::string::npos) d.nome.resize(punto + 4);
    std::string testo = Leggi(it->path());
    std::replace(testo.begin(), testo.end(), '\r', '\n');
    for (const std::string& riga : util::Dividi(testo, "\n")) {
      if (riga.empty()) continue;
      ++d.righe;
      const std::vector<std::string> campi = util::Dividi(riga, "\t");
      if (campi[0] == "80" && campi.size() > 2) d.pagamento = campi[1], d.totale = campi[2];
    }
    d.motivo = ValoreEsito(Leggi(FileEsito(cartella, d.nome)), "Motivo").value_or("");
    elenco.push_back(std::move(d));
  }
  std::sort(elenco.begin(), elenco.end(),
            [](const InDubbio& a, const InDubbio& b) { return a.file < b.file; });
  return elenco;
}

int ContaInDubbio(const fs::path& cartella) {
  int n = 0;
  std::error_code ec;
  for (fs::directory_iterator it(cartella / "scartati", ec), fine; !ec && it != fine; it.increment(ec))
    if (it->path().filename().string().find(kSegno) != std::string::npos) ++n;
  return n;
}

std::string RigaInDubbio(const InDubbio& d) {
  char quando[32] = "?";
  if (d.taglio)
    std::snprintf(quando, sizeof quando, "%04d-%02d-%02d %02d:%02d:%02d", d.taglio->anno, d.taglio->mese,
                  d.taglio->giorno, d.taglio->ora, d.taglio->minuto, d.taglio->secondo);
  std::string r = d.nome + "  tagliato il " + quando + "  totale " + (d.totale.empty() ? "?" : d.totale) +
                  " (" + (d.pagamento.empty() ? "?" : d.pagamento) + ")  " + std::to_string(d.righe) +
                  " righe  " + "scartati/" + d.file;
  if (!d.motivo.empty()) r += "  " + d.motivo;
  return r;
}

}  // namespace quimbo
