#include "queue/messa_da_parte.h"

#include <fstream>
#include <functional>

#include "base/errore.h"
#include "base/ore.h"
#include "queue/coda.h"
#include "queue/disco.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/scartati.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The name the previous failed receipt had, from "NomiFil.txt" (path, date, time).
std::string NomeOriginaleDelPrecedente(const fs::path& cartella) {
  std::ifstream f(cartella / kNomiFil, std::ios::binary);
  std::string riga;
  if (!f || !std::getline(f, riga)) return kBadscont;
  while (!riga.empty() && (riga.back() == '\r' || riga.back() == '\n')) riga.pop_back();
  for (int i = 0; i < 2; ++i) {
    size_t spazio = riga.rfind(' ');
    if (spazio == std::string::npos) return kBadscont;
    riga.erase(spazio);
  }
  size_t sep = riga.find_last_of("/\\");
  std::string nome = sep == std::string::npos ? riga : riga.substr(sep + 1);
  return nome.empty() ? kBadscont : nome;
}

// Moves a file into scartati/ as `nome` set aside as `tipo` at `quando` (or now),
// never over another one. The path it got, or none when it could not
// be moved (the reason in `motivo`).
std::optional<fs::path> Archivia(Stato& st, const fs::path& cartella, const fs::path& file, Scarto tipo,
                                 const std::string& nome, std::string& motivo,
                                 const std::function<void(const fs::path&)>& prima = {},
                                 const std::optional<DataOra>& quando = std::nullopt) {
  const fs::path archivio = CartellaScartati(cartella);
  std::error_code ec;
  fs::create_directories(archivio, ec);
  const std::string base = NomeScartato(quando.value_or(st.orologio().adesso()), tipo, nome);
  fs::path meta = archivio / base;
  for (int n = 2; !ec && fs::exists(meta, ec); ++n) {
    if (n > 10000) ec = std::make_error_code(std::errc::file_exists);
    meta = archivio / (base + "." + std::to_string(n));
  }
  if (!ec && prima) prima(meta);
  if (ec) {
    motivo = ec.message();
    return std::nullopt;
  }
  // On disk, in both folders (the new "scartati" too), before anything that depends on
  // it: a payment mark removed next must not outlive the move after a power cut.
  try {
    RinominaSenzaSostituire(file, meta);
  } catch (const Errore& e) {
    // Moved, and only the folder's sync failed: the file is where it is.
    std::error_code ec2;
    if (fs::exists(meta, ec2) && !fs::exists(file, ec2)) return meta;
    motivo = e.descrizione();
    return std::nullopt;
  }
  return meta;
}

}  // namespace

// A failed receipt that could not be set aside is marked in the journal instead,
// and remembered for the run, so that it is never sent again by itself.
void SegnaFallito(Stato& st, const fs::path& cartella, const fs::path& percorso, const std::string& motivo) {
  std::optional<Identita> id = IdentitaDi(percorso);
  if (!id) return;  // gone already
  id->fallito = true;
  st.coda.falliti.push_back(Chiave(*id));
  const std::string nome = id->nome;
  try {
    AggiungiInviato(cartella, *id);
  } catch (const Errore& e) {
    Avvisa(st, "giornale", e.numero(),
           "Giornale degli scontrini non scrivibile (" + e.descrizione() + "): invio sospeso");
  }
  Avvisa(st, "fallito\t" + nome, err::AccessoPercorso,
         "Scontrino " + nome + " non inviato e non spostabile (" + motivo +
             "): toglierlo a mano dalla cartella");
}

// The failed receipt becomes "badscont.bad" and the previous one moves into
// "scartati"; whatever cannot be moved stays marked as failed.
void MettiDaParte(Stato& st, const fs::path& cartella, const fs::path& percorso, Destino d) {
  const fs::path bad = cartella / kBadscont;
  const std::string nome = percorso.filename().string();
  d.stato = kMessoDaParte;
  std::string motivo;
  std::error_code ec;
  if (fs::exists(bad, ec)) {
    const std::string precedente = NomeOriginaleDelPrecedente(cartella);
    const std::optional<fs::path> dove = Archivia(st, cartella, bad, Scarto::Fallito, precedente, motivo);
    if (!dove) {
      d.conservato = nome;
      ScriviDestino(st, cartella, nome, d);
      return SegnaFallito(st, cartella, percorso, std::string(kScartati) + ": " + motivo);
    }
    // The previous receipt's outcome follows its file; one that cannot is only stale.
    try {
      if (st.imp.miGiorniEsiti > 0)
        SpostaConservato(cartella, precedente, kBadscont, Conservato(dove->filename().string()));
    } catch (const Errore&) {
    }
  }
  d.conservato = kBadscont;
  ScriviDestino(st, cartella, nome, d);
  fs::rename(percorso, bad, ec);
  if (ec) {
    d.conservato = nome;  // still where it was, marked as failed
    ScriviDestino(st, cartella, nome, d);
    return SegnaFallito(st, cartella, percorso, ec.message());
  }
  const std::string riga = percorso.string() + " " + DataOraMeseGiorno(st.orologio().adesso(), '-') + "\r\n";
  std::ofstream f(cartella / kNomiFil, std::ios::binary | std::ios::trunc);
  if (!f) throw Errore(err::AccessoPercorso);
  f.write(riga.data(), static_cast<std::streamsize>(riga.size()));
  f.close();
  if (!f) throw Errore(err::AccessoPercorso);
}

// A receipt cut during its payment may have been printed: it goes into "scartati"
// for the operator to check against the register's own journal, never again to
// the register by itself. Its name there starts with the time its payment began,
// which is the time to look for in that journal.
void MettiDaParteInDubbio(Stato& st, const fs::path& cartella, const fs::path& percorso, Destino d) {
  const std::string nome = percorso.filename().string();
  d.stato = kInDubbio;
  std::string motivo;
  const auto dove = Archivia(
      st, cartella, percorso, Scarto::InDubbio, nome, motivo,
      [&](const fs::path& meta) {
        d.conservato = Conservato(meta.filename().string());
        ScriviDestino(st, cartella, nome, d);
      },
      d.inizioPagamento);
  if (dove) {
    // What to do first: the message line shows the beginning of a long text.
    Dici(st, err::ErroreIO,
         "Controllare il giornale della cassa: scontrino " + nome +
             " interrotto durante il pagamento, messo da parte come " + dove->filename().string());
  } else {
    d.conservato = nome;
    ScriviDestino(st, cartella, nome, d);
    SegnaFallito(st, cartella, percorso, "interrotto durante il pagamento; " + motivo);
  }
  TogliPagamento(cartella);
}

}  // namespace quimbo
