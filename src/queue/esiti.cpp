#include "queue/esiti.h"

#include <chrono>
#include <cstdio>
#include <sstream>

#include "base/errore.h"
#include "queue/disco.h"
#include "queue/giornale.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

constexpr const char* kEstensione = ".esito";

// A value on one line: a line break in a reason would end the key there.
std::string SuUnaRiga(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

}  // namespace

fs::path FileEsito(const fs::path& cartella, const std::string& nome) {
  return cartella / kEsiti / (nome + kEstensione);
}

bool EsitoDopo(const fs::path& cartella, const std::string& nome, std::int64_t modifica) {
  const fs::path file = FileEsito(cartella, nome);
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(file, ec);
  if (ec || std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count() < modifica)
    return false;
  const std::optional<std::string> stato = ValoreEsito(Contenuto(file), "Stato");
  return stato == kStampato || stato == kRistampato;
}

std::string SenzaPrefissoRistampa(std::string nome) {
  while (nome.rfind(kPrefissoRistampa, 0) == 0) nome.erase(0, std::string(kPrefissoRistampa).size());
  return nome;
}

std::string TestoEsito(const Destino& d) {
  std::string t = "[Esito]\r\nStato=" + std::string(d.stato) + "\r\nOra=" + TestoOra(d.ora) + "\r\n";
  if (d.comandi) t += "Comandi=" + std::to_string(*d.comandi) + "\r\n";
  if (d.durata) {
    char durata[32];
    std::snprintf(durata, sizeof durata, "%.2f", *d.durata);
    t += "Durata=" + std::string(durata) + "\r\n";
  }
  if (!d.motivo.empty()) t += "Motivo=" + SuUnaRiga(d.motivo) + "\r\n";
  if (d.riga > 0) t += "Riga=" + std::to_string(d.riga) + "\r\n";
  if (!d.ultimo.empty()) t += "Ultimo=" + SuUnaRiga(d.ultimo) + "\r\n";
  if (d.inizioPagamento || d.stato == std::string(kInDubbio))
    t += std::string(kInizioPagamento) + "=" + (d.inizioPagamento ? TestoOra(*d.inizioPagamento) : kIgnoto) +
         "\r\n";
  if (!d.conservato.empty()) t += "Conservato=" + SuUnaRiga(d.conservato) + "\r\n";
  return t;
}

namespace {

// The outcome of `nome` replaced by `testo`: aside under a name no outcome has, so that
// a stop halfway leaves the old one whole, then renamed over it.
void Sostituisci(const fs::path& cartella, const std::string& nome, const std::string& testo) {
  const fs::path file = FileEsito(cartella, nome);
  std::error_code ec;
  // A new esiti/ is on disk in the receipt folder before any outcome in it counts: the
  // receipt may leave the folder next.
  if (fs::create_directory(file.parent_path(), ec)) SincronizzaCartella(cartella);
  const fs::path nuovo = file.parent_path() / ("." + nome + kEstensione + ".nuovo");
  ScriviSuDisco(nuovo, testo);
  try {
    RinominaSuDisco(nuovo, file);
  } catch (const Errore&) {
    fs::remove(nuovo, ec);
    throw;
  }
}

}  // namespace

void ScriviEsito(const fs::path& cartella, const std::string& scritto, Destino d) {
  const std::string nome = SenzaPrefissoRistampa(scritto);
  // A reprint printed, even after being cut and sent again, is a reprint.
  if (nome != scritto && std::string(d.stato) == kStampato) d.stato = kRistampato;
  Sostituisci(cartella, nome, TestoEsito(d));
}

std::optional<std::string> ValoreEsito(const std::string& testo, const std::string& chiave) {
  std::istringstream righe(testo);
  for (std::string riga; std::getline(righe, riga);) {
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    if (riga.rfind(chiave + "=", 0) == 0) return riga.substr(chiave.size() + 1);
  }
  return std::nullopt;
}

void SpostaConservato(const fs::path& cartella, const std::string& nome, const std::string& prima,
                      const std::string& dopo) {
  const std::string testo = Contenuto(FileEsito(cartella, nome));
  const std::string riga = "\r\nConservato=" + prima + "\r\n";
  const std::size_t dove = testo.find(riga);
  if (dove == std::string::npos) return;
  std::string nuovo = testo;
  nuovo.replace(dove, riga.size(), "\r\nConservato=" + dopo + "\r\n");
  Sostituisci(cartella, nome, nuovo);
}

void TogliEsitiAMeta(const fs::path& cartella) noexcept {
  std::error_code ec;
  for (fs::directory_iterator it(cartella / kEsiti, ec), fine; !ec && it != fine; it.increment(ec)) {
    const std::string n = it->path().filename().string();
    std::error_code via;
    if (n.size() > 7 && n[0] == '.' && n.ends_with(std::string(kEstensione) + ".nuovo"))
      fs::remove(it->path(), via);
  }
}

void TogliEsitiVecchi(const fs::path& cartella, int giorni) {
  if (giorni <= 0) return;
  std::error_code ec;
  const auto limite = fs::file_time_type::clock::now() - std::chrono::hours(24) * giorni;
  for (fs::directory_iterator it(cartella / kEsiti, ec), fine; !ec && it != fine; it.increment(ec)) {
    std::error_code ec2;
    const fs::path& p = it->path();
    if (p.extension() != kEstensione || !it->is_regular_file(ec2)) continue;
    const auto quando = fs::last_write_time(p, ec2);
    if (!ec2 && quando <= limite) fs::remove(p, ec2);
  }
}

}  // namespace quimbo
