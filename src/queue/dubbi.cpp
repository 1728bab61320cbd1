#include "queue/dubbi.h"

#include <algorithm>

#include "base/errore.h"
#include "queue/disco.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/scartati.h"
#include "queue/scontrino.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The receipt's own name in what the operator typed: a file in scartati/ or a reprint.
std::string NomeProprio(const std::string& nome) {
  const Scartato s = LeggiScartato(nome);
  return SenzaPrefissoRistampa(s.tipo == Scarto::InDubbio && s.quando ? s.nome : nome);
}

}  // namespace

std::vector<std::string> FileInDubbio(const fs::path& cartella) {
  std::vector<std::string> file;
  for (const Scartato& s : Scartati(cartella, Scarto::InDubbio)) file.push_back(s.file);
  return file;
}

std::vector<InDubbio> ElencoInDubbio(const fs::path& cartella, std::string_view codifica) {
  std::vector<InDubbio> elenco;
  for (const Scartato& s : Scartati(cartella, Scarto::InDubbio)) {
    // Named after the time its payment began.
    InDubbio d{s.file, s.nome, s.quando};
    const std::vector<RigaDelFile> righe =
        RigheScontrino(Contenuto(CartellaScartati(cartella) / s.file), codifica);
    for (const RigaDelFile& r : righe) d.righe.push_back(r.testo);
    TotaleDi(righe, d.totale, d.pagamento);
    // Only its own outcome: a later receipt of the same name has one of its own there.
    const std::string esito = Contenuto(FileEsito(cartella, d.nome));
    if (ValoreEsito(esito, "Conservato") == Conservato(s.file)) {
      d.motivo = ValoreEsito(esito, "Motivo").value_or("");
      d.ultimo = ValoreEsito(esito, "Ultimo").value_or("");
      // It says so when nobody knows (a receipt cut by a stop of an earlier version,
      // named after the time it was set aside).
      if (const std::optional<std::string> inizio = ValoreEsito(esito, kInizioPagamento))
        d.inizio = *inizio == kIgnoto ? std::nullopt : DaTestoOra(*inizio);
    }
    elenco.push_back(std::move(d));
  }
  return elenco;
}

std::optional<InDubbio> TrovaInDubbio(const fs::path& cartella, std::string_view codifica,
                                      const std::string& nome, std::string& errore, bool& ambiguo) {
  const std::vector<InDubbio> elenco = ElencoInDubbio(cartella, codifica);
  const auto d = std::find_if(elenco.begin(), elenco.end(), [&](const InDubbio& i) {
    return i.nome == nome || i.file == nome || i.nome == kPrefissoRistampa + nome;
  });
  if (d == elenco.end()) {
    errore = "nessuno scontrino " + nome + " in dubbio in " + CartellaScartati(cartella).string();
    return std::nullopt;
  }
  // Two in doubt under one name: settling "the" one could settle the wrong one.
  ambiguo = d->file != nome &&
            std::any_of(d + 1, elenco.end(), [&](const InDubbio& i) { return i.nome == d->nome; });
  if (ambiguo) {
    errore = "pi\xf9 scontrini " + nome + " in dubbio: indicare il file in scartati/ (quimbo --in-dubbio)";
    return std::nullopt;
  }
  return *d;
}

std::optional<std::string> ComeSistemato(const fs::path& cartella, const std::string& nome) {
  const std::string proprio = NomeProprio(nome);
  const std::string esito = Contenuto(FileEsito(cartella, proprio));
  const std::optional<std::string> stato = ValoreEsito(esito, "Stato");
  const std::string ora = ValoreEsito(esito, "Ora").value_or("?");
  if (stato == kGiaStampato) return std::string("gi\xe0 stampato (sistemato il ") + ora + ")";
  if (stato == kRistampato) return "ristampato il " + ora;
  std::error_code ec;
  if (fs::exists(cartella / (kPrefissoRistampa + proprio), ec))
    return std::string("rimesso nella cartella come ") + kPrefissoRistampa + proprio +
           ", in attesa di stampa";
  // Without outcomes (GiorniEsiti=0) its file kept as printed says it: the newest.
  const std::vector<Scartato> stampati = Scartati(cartella, Scarto::Stampato);
  const auto ultimo = std::find_if(stampati.rbegin(), stampati.rend(),
                                   [&](const Scartato& s) { return s.quando && s.nome == proprio; });
  if (ultimo == stampati.rend()) return std::nullopt;
  return std::string("gi\xe0 stampato (sistemato il ") + TestoOra(ultimo->quando) + ")";
}

std::string DomandaSistema(const InDubbio& d, bool ristampa) {
  const std::string quale = QualeScontrino(d);
  if (ristampa)
    return "Stampare di nuovo " + quale +
           "?\n\nSolo se NON \xe8 nel giornale della cassa: sar\xe0 stampato una volta.";
  return "Confermare che " + quale +
         " \xe8 gi\xe0 stampato?\n\nSolo se \xe8 nel giornale della cassa: non sar\xe0 inviato.";
}

std::string RigheInDubbio(const InDubbio& d) {
  std::string r = VoceInDubbio(d) + "  " + Conservato(d.file);
  for (const std::string* s : {&d.motivo, &d.ultimo})
    if (!s->empty()) r += "  " + *s;
  for (const std::string& riga : d.righe) r += "\n    " + riga;
  return r;
}

std::optional<std::string> Sistema(const fs::path& cartella, const InDubbio& d, bool ristampa,
                                   const DataOra& adesso, std::string& errore) {
  const fs::path da = CartellaScartati(cartella) / d.file;
  const fs::path a = ristampa ? cartella / (kPrefissoRistampa + SenzaPrefissoRistampa(d.nome))
                              : CartellaScartati(cartella) / NomeScartato(adesso, Scarto::Stampato, d.nome);
  try {
    RinominaSenzaSostituire(da, a);
  } catch (const Errore& e) {
    errore = "scontrino " + d.nome + " non sistemato (" + e.descrizione() + "): gi\xe0 sistemato, o " +
             a.filename().string() + " esiste";
    return std::nullopt;
  }
  if (!ristampa) {
    // The outcome after the claim: a stop between them leaves the receipt settled and
    // its outcome still "in dubbio", never the other way round.
    try {
      ScriviEsito(cartella, d.nome,
                  {.stato = kGiaStampato,
                   .ora = adesso,
                   .conservato = Conservato(a.filename().string()),
                   .inizioPagamento = d.inizio});
    } catch (const Errore& e) {
      errore = "esito non scrivibile (" + e.descrizione() + ")";
    }
    return "Scontrino " + d.nome + " in dubbio: gi\xe0 stampato, conservato come " +
           Conservato(a.filename().string());
  }
  return "Scontrino " + d.nome + " in dubbio: rimesso nella cartella come " + a.filename().string() +
         ", sar\xe0 stampato una volta";
}

}  // namespace quimbo
