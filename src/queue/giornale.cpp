#include "queue/giornale.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/errore.h"
#include "queue/disco.h"
#include "queue/esiti.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

const char* const kInviati = "inviati.txt";
const char* const kPagamento = "pagamento.txt";
const char* const kFallito = "F";
// The file's device and number go on a line of their own after its entry: a program
// that knows no such line skips it (it names no size) and still reads the entry.
const char* const kNumero = "#";
// The same for the time a mark's payment began.
const char* const kInizio = "T";

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
  std::string r = std::string(id.fallito ? std::string(kFallito) + "\t" : "") +
                  std::to_string(id.dimensione) + "\t" + std::to_string(id.modifica) + "\t" +
                  Protetto(id.nome) + "\r\n";
  if (id.numero != 0)
    r += std::string(kNumero) + "\t" + std::to_string(id.dispositivo) + "\t" + std::to_string(id.numero) +
         "\t" + std::to_string(id.impronta) + "\r\n";
  return r;
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

// "# TAB device TAB number TAB fingerprint", for the entry before it.
bool NumeroDaRiga(const std::string& riga, Identita& id) {
  if (riga.rfind(std::string(kNumero) + "\t", 0) != 0) return false;
  std::istringstream campi(riga.substr(2));
  if (!(campi >> id.dispositivo >> id.numero >> id.impronta)) id.dispositivo = id.numero = id.impronta = 0;
  return true;
}

// "T TAB 20261207-232722", for the entry before it.
std::optional<DataOra> InizioDaRiga(std::string riga) {
  if (!riga.empty() && riga.back() == '\r') riga.pop_back();
  if (riga.rfind(std::string(kInizio) + "\t", 0) != 0) return std::nullopt;
  return DaStampaArchivio(riga.substr(2));
}

// The entries of a journal or mark, each with the number line that follows it; and
// the payment's time of a mark.
std::vector<Identita> LeggiVoci(const fs::path& file, std::optional<DataOra>* inizio = nullptr) {
  std::vector<Identita> elenco;
  std::ifstream f(file, std::ios::binary);
  bool dopoVoce = false;
  for (std::string riga; f && std::getline(f, riga);) {
    if (dopoVoce && NumeroDaRiga(riga, elenco.back())) {
      dopoVoce = false;
      continue;
    }
    if (inizio && !elenco.empty() && !*inizio) *inizio = InizioDaRiga(riga);
    std::optional<Identita> id = DaRiga(riga);
    dopoVoce = id.has_value();
    if (id) elenco.push_back(*id);
  }
  return elenco;
}

}  // namespace

std::optional<Identita> IdentitaDi(const fs::path& file) {
  std::error_code ec;
  const auto dimensione = fs::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto modifica = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  Identita id{file.filename().string(), dimensione,
              std::chrono::duration_cast<std::chrono::nanoseconds>(modifica.time_since_epoch()).count()};
  if (!NumeroDiFile(file, id.dispositivo, id.numero)) id.dispositivo = id.numero = 0;
  return id;
}

bool stessoFile(const Identita& a, const Identita& b) {
  return a.nome == b.nome && a.dimensione == b.dimensione && a.modifica == b.modifica;
}

std::uint64_t ImprontaDi(std::string_view byte) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : byte) h = (h ^ c) * 1099511628211ull;
  return h == 0 ? 1 : h;
}

bool stessoFileRinominato(const Identita& a, const Identita& b) {
  return a.numero != 0 && a.numero == b.numero && a.dispositivo == b.dispositivo &&
         a.dimensione == b.dimensione && a.modifica == b.modifica;
}

std::vector<Identita> LeggiInviati(const fs::path& dir) { return LeggiVoci(dir / kInviati); }

std::vector<Identita> InviatiAncoraInCartella(
    const fs::path& dir, const std::function<std::optional<Identita>(const Identita&)>& rinominato) {
  std::vector<Identita> inviati = LeggiInviati(dir);
  bool cambiato = false;
  std::erase_if(inviati, [&](Identita& id) {
    std::error_code ec;
    if (fs::exists(dir / id.nome, ec) || ec) return false;
    cambiato = true;
    const std::optional<Identita> altro = id.fallito ? std::nullopt : rinominato(id);
    if (altro) id.nome = altro->nome;
    return !altro;
  });
  if (cambiato) ScriviInviati(dir, inviati);
  return inviati;
}

std::string Chiave(const Identita& id) {
  return std::to_string(id.dimensione) + "\t" + std::to_string(id.modifica) + "\t" + id.nome;
}
std::string NomeDaChiave(const std::string& k) { return k.substr(k.find('\t', k.find('\t') + 1) + 1); }

bool InElenco(const Identita& id, bool fallito, const std::vector<Identita>& giornale,
              const std::vector<std::string>& memoria) {
  return std::any_of(giornale.begin(), giornale.end(),
                     [&](const Identita& i) { return i.fallito == fallito && stessoFile(i, id); }) ||
         std::find(memoria.begin(), memoria.end(), Chiave(id)) != memoria.end();
}

void ScriviInviati(const fs::path& dir, const std::vector<Identita>& elenco) {
  const fs::path file = dir / kInviati;
  if (elenco.empty()) {
    TogliSuDisco(file);
    return;
  }
  std::string testo;
  for (const Identita& id : elenco) testo += Riga(id);
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

namespace {

fs::path PagamentoPreparato(const fs::path& dir) { return dir / (std::string(kPagamento) + ".nuovo"); }
fs::path PagamentoConInizio(const fs::path& dir) { return dir / (std::string(kPagamento) + ".inizio.nuovo"); }

std::string RigaPagamento(const Identita& id, const DataOra& inizio) {
  return Riga(id) + kInizio + "\t" + StampaArchivio(inizio) + "\r\n";
}

}  // namespace

void PreparaPagamento(const fs::path& dir, const Identita& id, const DataOra& adesso) {
  ScriviSuDisco(PagamentoPreparato(dir), RigaPagamento(id, adesso));
}

void SegnaPagamento(const fs::path& dir, const Identita& id, const DataOra& inizio) {
  // Whole or not at all: a stop halfway must not leave a mark that names nothing. The
  // mark with the payment's own time takes room the prepared one has proven only for
  // itself: on a disk that filled up meanwhile the prepared one goes in place, with the
  // time its receipt began, never a later one.
  try {
    ScriviSuDisco(PagamentoConInizio(dir), RigaPagamento(id, inizio));
    RinominaSuDisco(PagamentoConInizio(dir), dir / kPagamento);
    return;
  } catch (const Errore&) {
    std::error_code ec;
    fs::remove(PagamentoConInizio(dir), ec);
  }
  RinominaSuDisco(PagamentoPreparato(dir), dir / kPagamento);
}

void TogliPagamentoPreparato(const fs::path& dir) noexcept {
  std::error_code ec;
  fs::remove(PagamentoPreparato(dir), ec);
  fs::remove(PagamentoConInizio(dir), ec);
}

void TogliScrittiAMeta(const fs::path& dir) noexcept {
  TogliPagamentoPreparato(dir);
  std::error_code ec;
  fs::remove(dir / (std::string(kInviati) + ".nuovo"), ec);
}

void TogliPagamento(const fs::path& dir) {
  TogliPagamentoPreparato(dir);
  TogliSuDisco(dir / kPagamento);
}

std::optional<Pagamento> LeggiPagamento(const fs::path& dir, bool* illeggibile) {
  std::optional<DataOra> inizio;
  const std::vector<Identita> voci = LeggiVoci(dir / kPagamento, &inizio);
  std::optional<Pagamento> p;
  if (!voci.empty()) p = Pagamento{voci.front(), inizio};
  std::error_code ec;
  if (illeggibile) *illeggibile = !p && (fs::exists(dir / kPagamento, ec) || ec);
  return p;
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
