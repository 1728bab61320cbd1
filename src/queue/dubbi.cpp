#include "queue/dubbi.h"

#include <algorithm>
#include <cstdio>

#include "queue/esiti.h"
#include "queue/giornale.h"
#include "shell/errore.h"
#include "shell/util.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

constexpr const char* kSegno = "_in_dubbio_";

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
    std::string testo = Contenuto(it->path());
    std::replace(testo.begin(), testo.end(), '\r', '\n');
    for (const std::string& riga : util::Dividi(testo, "\n")) {
      if (riga.empty()) continue;
      d.righe.push_back(riga);
      const std::vector<std::string> campi = util::Dividi(riga, "\t");
      if (campi[0] == "80" && campi.size() > 2) d.pagamento = campi[1], d.totale = campi[2];
    }
    // Only its own outcome: a later receipt of the same name has one of its own there.
    const std::string esito = Contenuto(FileEsito(cartella, d.nome));
    if (ValoreEsito(esito, "Conservato") == "scartati/" + file) {
      d.motivo = ValoreEsito(esito, "Motivo").value_or("");
      d.ultimo = ValoreEsito(esito, "Ultimo").value_or("");
    }
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
  std::string r = VoceInDubbio(d) + "  scartati/" + d.file;
  for (const std::string* s : {&d.motivo, &d.ultimo})
    if (!s->empty()) r += "  " + *s;
  return r;
}

std::optional<std::string> Sistema(const fs::path& cartella, const std::string& nome, bool ristampa,
                                   const DataOra& adesso, std::string& errore) {
  const std::vector<InDubbio> elenco = ElencoInDubbio(cartella);
  const auto d = std::find_if(elenco.begin(), elenco.end(), [&](const InDubbio& i) {
    return i.nome == nome || i.file == nome || i.nome == kPrefissoRistampa + nome;
  });
  if (d == elenco.end()) {
    errore = "nessuno scontrino " + nome + " in dubbio in " + (cartella / "scartati").string();
    return std::nullopt;
  }
  // Two in doubt under one name: settling "the" one could settle the wrong one.
  if (d->file != nome &&
      std::any_of(d + 1, elenco.end(), [&](const InDubbio& i) { return i.nome == d->nome; })) {
    errore = "pi\xf9 scontrini " + nome + " in dubbio: indicare il file in scartati/ (quimbo --in-dubbio)";
    return std::nullopt;
  }
  const fs::path da = cartella / "scartati" / d->file;
  const fs::path a = ristampa ? cartella / (kPrefissoRistampa + SenzaPrefissoRistampa(d->nome))
                              : cartella / "scartati" / (StampaArchivio(adesso) + "_stampato_" + d->nome);
  try {
    RinominaSenzaSostituire(da, a);
  } catch (const Errore& e) {
    errore = "scontrino " + d->nome + " non sistemato (" + e.descrizione() + "): gi\xe0 sistemato, o " +
             a.filename().string() + " esiste";
    return std::nullopt;
  }
  if (!ristampa) {
    // The outcome after the claim: a stop between them leaves the receipt settled and
    // its outcome still "in dubbio", never the other way round.
    try {
      ScriviEsito(cartella, d->nome,
                  {.stato = kGiaStampato, .ora = adesso, .conservato = "scartati/" + a.filename().string()});
    } catch (const Errore& e) {
      errore = "esito non scrivibile (" + e.descrizione() + ")";
    }
    return "Scontrino " + d->nome + " in dubbio: gi\xe0 stampato, conservato come scartati/" +
           a.filename().string();
  }
  return "Scontrino " + d->nome + " in dubbio: rimesso nella cartella come " + a.filename().string() +
         ", sar\xe0 stampato una volta";
}

}  // namespace quimbo
