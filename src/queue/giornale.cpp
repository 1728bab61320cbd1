#include "queue/giornale.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "shell/errore.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

const char* const kInviati = "inviati.txt";
const char* const kPagamento = "pagamento.txt";
const char* const kFallito = "F";

// A file name may hold any byte but "/" and NUL: line breaks, TABs and the
// backslash are escaped, so that one entry stays one line.
std::string Protetto(const std::string& nome) {
  std::string r;
  for (char c : nome) {
    switch (c) {
      case '\\':
        r += "\\\\";
        break;
      case '\n':
        r += "\\n";
        break;
      case '\r':
        r += "\\r";
        break;
      case '\t':
        r += "\\t";
        break;
      default:
        r += c;
    }
  }
  return r;
}

std::string Sprotetto(const std::string& testo) {
  std::string r;
  for (std::size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] != '\\' || i + 1 == testo.size()) {
      r += testo[i];
      continue;
    }
    const char c = testo[++i];
    r += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return r;
}

// "size TAB time TAB name", failed entries with "F TAB" in front (older programs
// skip those lines, as they name no number).
std::string Riga(const Identita& id) {
  return std::string(id.fallito ? std::string(kFallito) + "\t" : "") + std::to_string(id.dimensione) + "\t" +
         std::to_string(id.modifica) + "\t" + Protetto(id.nome);
}

std::optional<Identita> DaRiga(std::string riga) {
  if (!riga.empty() && riga.back() == '\r') riga.pop_back();
  Identita id;
  if (riga.rfind(std::string(kFallito) + "\t", 0) == 0) {
    id.fallito = true;
    riga.erase(0, 2);
  }
  const size_t t1 = riga.find('\t');
  const size_t t2 = t1 == std::string::npos ? t1 : riga.find('\t', t1 + 1);
  if (t2 == std::string::npos) return std::nullopt;
  try {
    id.dimensione = std::stoull(riga.substr(0, t1));
    id.modifica = std::stoll(riga.substr(t1 + 1, t2 - t1 - 1));
  } catch (const std::exception&) {
    return std::nullopt;  // a damaged line names no file: it cannot stop a receipt from going out
  }
  id.nome = Sprotetto(riga.substr(t2 + 1));
  return id;
}

}  // namespace

std::optional<Identita> IdentitaDi(const fs::path& file) {
  std::error_code ec;
  const auto dimensione = fs::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto modifica = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return Identita{file.filename().string(), dimensione,
                  std::chrono::duration_cast<std::chrono::nanoseconds>(modifica.time_since_epoch()).count()};
}

bool stessoFile(const Identita& a, const Identita& b) {
  return a.nome == b.nome && a.dimensione == b.dimensione && a.modifica == b.modifica;
}

std::vector<Identita> LeggiInviati(const fs::path& dir) {
  std::vector<Identita> elenco;
  std::ifstream f(dir / kInviati, std::ios::binary);
  for (std::string riga; f && std::getline(f, riga);)
    if (std::optional<Identita> id = DaRiga(riga)) elenco.push_back(*id);
  return elenco;
}

void ScriviInviati(const fs::path& dir, const std::vector<Identita>& elenco) {
  const fs::path file = dir / kInviati;
  if (elenco.empty()) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) throw erroreDa(ec);
    SincronizzaCartella(dir);
    return;
  }
  std::string testo;
  for (const Identita& id : elenco) testo += Riga(id) + "\r\n";
  const fs::path nuovo = dir / (std::string(kInviati) + ".nuovo");
  ScriviSuDisco(nuovo, testo);
  try {
    RinominaSuDisco(nuovo, file);
  } catch (const Errore&) {
    std::error_code ec;
    fs::remove(nuovo, ec);
    throw;
  }
}

void AggiungiInviato(const fs::path& dir, const Identita& id) {
  std::vector<Identita> elenco = LeggiInviati(dir);
  elenco.push_back(id);
  ScriviInviati(dir, elenco);
}

static fs::path PagamentoPreparato(const fs::path& dir) { return dir / (std::string(kPagamento) + ".nuovo"); }

void PreparaPagamento(const fs::path& dir, const Identita& id) {
  ScriviSuDisco(PagamentoPreparato(dir), Riga(id) + "\r\n");
}

void SegnaPagamento(const fs::path& dir) {
  // Whole or not at all: a stop halfway must not leave a mark that names nothing.
  RinominaSuDisco(PagamentoPreparato(dir), dir / kPagamento);
}

void TogliPagamentoPreparato(const fs::path& dir) noexcept {
  std::error_code ec;
  fs::remove(PagamentoPreparato(dir), ec);
}

void TogliPagamento(const fs::path& dir) {
  std::error_code ec;
  TogliPagamentoPreparato(dir);
  if (fs::remove(dir / kPagamento, ec)) SincronizzaCartella(dir);
  if (ec) throw erroreDa(ec);
}

std::optional<Identita> LeggiPagamento(const fs::path& dir, bool* illeggibile) {
  std::ifstream f(dir / kPagamento, std::ios::binary);
  std::string riga;
  std::optional<Identita> id;
  if (f && std::getline(f, riga)) id = DaRiga(riga);
  std::error_code ec;
  if (illeggibile) *illeggibile = !id && (fs::exists(dir / kPagamento, ec) || ec);
  return id;
}

std::optional<std::string> GiornaleNonScrivibile(const fs::path& dir) {
  const fs::path prova = dir / (std::string(kInviati) + ".prova");
  try {
    ScriviSuDisco(prova, "");
  } catch (const Errore& e) {
    return e.descrizione();
  }
  std::error_code ec;
  fs::remove(prova, ec);
  if (ec) return ec.message();
  return std::nullopt;
}

}  // namespace quimbo
