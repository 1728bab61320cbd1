#include "queue/scansione.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "queue/scontrino.h"
#include "shell/applicazione.h"
#include "shell/errore.h"
#include "shell/percorsi.h"
#include "shell/registro.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

const char* const kBadscont = "badscont.bad";
const char* const kNomiFil = "NomiFil.txt";
const char* const kInviati = "inviati.txt";
const char* const kScartati = "scartati";

std::string Chiave(const Identita& id) {
  return std::to_string(id.dimensione) + "\t" + std::to_string(id.modifica) + "\t" + id.nome;
}

bool FiniscePerSco(const std::string& nome) {
  return nome.size() > 4 && strcasecmp(nome.c_str() + nome.size() - 4, ".sco") == 0;
}

std::string DataOraTesto(const DataOra& d, char sepData) {
  char b[32];
  std::snprintf(b, sizeof b, "%02d%c%02d%c%04d %02d:%02d:%02d", d.mese, sepData, d.giorno, sepData, d.anno,
                d.ora, d.minuto, d.secondo);
  return b;
}

// Writes the whole text to a file and forces it to disk before returning.
void ScriviSuDisco(const fs::path& file, const std::string& testo) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw erroreDa(std::error_code(errno, std::generic_category()));
  size_t fatto = 0;
  while (fatto < testo.size()) {
    ssize_t n = ::write(fd, testo.data() + fatto, testo.size() - fatto);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      throw erroreDa(std::error_code(e, std::generic_category()));
    }
    fatto += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) {
    int e = errno;
    ::close(fd);
    throw erroreDa(std::error_code(e, std::generic_category()));
  }
  ::close(fd);
}

void SincronizzaCartella(const fs::path& cartella) {
  int fd = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void ScriviInviati(const fs::path& cartella, const std::vector<Identita>& elenco) {
  const fs::path file = cartella / kInviati;
  if (elenco.empty()) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) throw erroreDa(ec);
    SincronizzaCartella(cartella);
    return;
  }
  std::string testo;
  for (const Identita& id : elenco) testo += Chiave(id) + "\r\n";
  const fs::path nuovo = cartella / (std::string(kInviati) + ".nuovo");
  ScriviSuDisco(nuovo, testo);
  std::error_code ec;
  fs::rename(nuovo, file, ec);
  if (ec) throw erroreDa(ec);
  SincronizzaCartella(cartella);
}

void EliminaFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::remove(file, ec)) throw ec ? erroreDa(ec) : Errore(err::FileNonTrovato);
}

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

// Keeps the previous set-aside receipt: it moves into "scartati" under its time
// stamp and original name. False when it could not be kept.
bool ArchiviaPrecedente(Stato& st, const fs::path& cartella) {
  const fs::path bad = cartella / kBadscont;
  std::error_code ec;
  if (!fs::exists(bad, ec)) return !ec;
  const fs::path archivio = cartella / kScartati;
  fs::create_directories(archivio, ec);
  if (ec) {
    ScriviErrore(st, erroreDa(ec), "TIMER1 (gestito dal programma)");
    return false;
  }
  const DataOra d = st.orologio().adesso();
  char stampa[32];
  std::snprintf(stampa, sizeof stampa, "%04d%02d%02d-%02d%02d%02d", d.anno, d.mese, d.giorno, d.ora, d.minuto,
                d.secondo);
  const std::string base = std::string(stampa) + "_" + NomeOriginaleDelPrecedente(cartella);
  fs::path meta = archivio / base;
  for (int n = 2; fs::exists(meta, ec) || ec; ++n) {
    if (ec || n > 10000) {
      ScriviErrore(st, ec ? erroreDa(ec) : Errore(err::AccessoPercorso), "TIMER1 (gestito dal programma)");
      return false;
    }
    meta = archivio / (base + "." + std::to_string(n));
  }
  fs::rename(bad, meta, ec);
  if (ec) {
    ScriviErrore(st, erroreDa(ec), "TIMER1 (gestito dal programma)");
    return false;
  }
  return true;
}

void MettiDaParte(Stato& st, const fs::path& cartella, const fs::path& percorso) {
  if (!ArchiviaPrecedente(st, cartella)) return;  // the receipt stays and is tried again
  RinominaFile(percorso.string(), (cartella / kBadscont).string());
  const std::string riga = percorso.string() + " " + DataOraTesto(st.orologio().adesso(), '-') + "\r\n";
  std::ofstream f(cartella / kNomiFil, std::ios::binary | std::ios::trunc);
  if (!f) throw Errore(err::AccessoPercorso);
  f.write(riga.data(), static_cast<std::streamsize>(riga.size()));
  f.close();
  if (!f) throw Errore(err::AccessoPercorso);
}

// A tick needs the port. One that went away (far end hung up, adapter pulled) is
// opened again when it is back; until then receipts wait in the folder.
bool PortaPronta(Stato& st) {
  if (st.porta().aperta()) return true;
  std::string motivo;
  if (st.porta().apri(dispositivoPorta(st), st.msSettings, motivo)) {
    ImpostaTesto(st, Campo::TxtMsg, "Porta seriale di nuovo disponibile");
    return true;
  }
  const std::string msg = "Porta seriale non disponibile: " + motivo;
  if (st.TxtMsg != msg) ImpostaTesto(st, Campo::TxtMsg, msg);
  return false;
}

void Scansione(Stato& st) {
  const fs::path dir = cartella(st.msDirPerFile);
  const std::vector<std::string> nomi = ElencaScontrini(dir, kFilePerGiro);
  if (nomi.empty()) return;
  std::vector<Identita> inviati = LeggiInviati(dir);
  // Entries whose file is gone (a stop between deletion and journal) are done with.
  const size_t prima = inviati.size();
  std::erase_if(inviati, [&](const Identita& id) {
    std::error_code ec;
    return !fs::exists(dir / id.nome, ec) && !ec;
  });
  if (inviati.size() != prima) ScriviInviati(dir, inviati);

  auto giaInviato = [&](const Identita& id) {
    return std::find(inviati.begin(), inviati.end(), id) != inviati.end() ||
           std::find(st.masInviati.begin(), st.masInviati.end(), Chiave(id)) != st.masInviati.end();
  };
  auto dimentica = [&](const std::string& nome) {
    std::erase_if(st.masInviati, [&](const std::string& k) { return k.substr(k.rfind('\t') + 1) == nome; });
    const size_t prima = inviati.size();
    std::erase_if(inviati, [&](const Identita& i) { return i.nome == nome; });
    if (inviati.size() != prima) ScriviInviati(dir, inviati);
  };

  for (const std::string& nome : nomi) {
    const fs::path percorso = dir / nome;
    // Sent before, but not deleted: only the deletion is tried again.
    if (std::optional<Identita> id = IdentitaDi(percorso); id && giaInviato(*id)) {
      EliminaFile(percorso);
      dimentica(nome);
      continue;
    }
    const std::optional<std::uintmax_t> lunghezza = f_fileLen(st, percorso.string());
    if (!lunghezza || *lunghezza == 0) continue;

    bool inviato;
    {
      CollegamentoOccupato occupato(st);
      inviato = ElaboraScontrino(st, percorso.string());
    }
    if (inviato) {
      if (std::optional<Identita> id = IdentitaDi(percorso)) {
        st.masInviati.push_back(Chiave(*id));
        inviati.push_back(*id);
        try {
          ScriviInviati(dir, inviati);
        } catch (const Errore& e) {
          // Without the journal the deletion still goes ahead; this run remembers
          // the receipt in memory should the deletion fail too.
          ScriviErrore(st, e, "TIMER1 (gestito dal programma)");
          inviati.pop_back();
        }
      }
      EliminaFile(percorso);
      // Any entry under this name is done with now, older ones included.
      dimentica(nome);
    } else if (!st.porta().aperta()) {
      // The line went away under the receipt: nothing says the register refused
      // it, so it stays as it is and goes again once the port is back.
      return;
    } else {
      MettiDaParte(st, dir, percorso);
    }
  }
}

}  // namespace

std::optional<std::uintmax_t> f_fileLen(Stato& st, const std::string& percorso) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(percorso, ec);
  if (ec) {
    ScriviErrore(st, erroreDa(ec), "f_fileLen");
    return std::nullopt;
  }
  return n;
}

void RinominaFile(const std::string& attuale, const std::string& nuovo) {
  std::error_code ec;
  fs::remove(nuovo, ec);
  fs::rename(attuale, nuovo, ec);
}

bool PrimaNellElenco(const std::string& a, const std::string& b) {
  auto piega = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  const std::string pa = piega(a), pb = piega(b);
  return pa != pb ? pa < pb : a < b;  // names equal but for case: a fixed order all the same
}

std::vector<std::string> ElencaScontrini(const fs::path& dir, int massimo) {
  std::vector<std::string> nomi;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    // A missing or unreadable folder lists nothing, as an empty one does.
    return nomi;
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    const std::string nome = it->path().filename().string();
    if (FiniscePerSco(nome)) nomi.push_back(nome);
  }
  if (ec) throw erroreDa(ec);
  // Directory order here is hash order; receipts go out in the order Windows
  // lists them, so numbered or time-stamped names are printed in sequence.
  std::sort(nomi.begin(), nomi.end(), PrimaNellElenco);
  if (massimo >= 0 && nomi.size() > static_cast<std::size_t>(massimo))
    nomi.resize(static_cast<std::size_t>(massimo));
  return nomi;
}

std::optional<Identita> IdentitaDi(const fs::path& file) {
  std::error_code ec;
  const auto dimensione = fs::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto modifica = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return Identita{file.filename().string(), dimensione,
                  std::chrono::duration_cast<std::chrono::nanoseconds>(modifica.time_since_epoch()).count()};
}

std::vector<Identita> LeggiInviati(const fs::path& dir) {
  std::vector<Identita> elenco;
  std::ifstream f(dir / kInviati, std::ios::binary);
  std::string riga;
  while (f && std::getline(f, riga)) {
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    const size_t t1 = riga.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : riga.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    try {
      elenco.push_back(Identita{riga.substr(t2 + 1), std::stoull(riga.substr(0, t1)),
                                std::stoll(riga.substr(t1 + 1, t2 - t1 - 1))});
    } catch (const std::exception&) {
      // A damaged line names no file: it cannot stop a receipt from going out.
    }
  }
  return elenco;
}

void AggiungiInviato(const fs::path& dir, const Identita& id) {
  std::vector<Identita> elenco = LeggiInviati(dir);
  elenco.push_back(id);
  ScriviInviati(dir, elenco);
}

void Timer1_Timer(Stato& st) {
  Finestra& fin = st.finestra();
  // A button's exchange is under way: this tick does nothing; the next one scans.
  if (st.miOccupato > 0) return;
  if (st.mbScansioneFerma || st.mbTipoSconosciuto) {
    fin.abilitaTimer(false);
    return;
  }
  fin.abilitaTimer(false);
  try {
    if (PortaPronta(st)) Scansione(st);
  } catch (const Errore& e) {
    if (e.numero() == err::FileNonTrovato || e.numero() == err::AccessoPercorso) {
      ScriviErrore(st, e, "TIMER1 (gestito dal programma)");
    } else {
      ScriviErrore(st, e, "TIMER1");
      st.mbScansioneFerma = true;
      ImpostaTesto(st, Campo::TxtMsg,
                   "Scansione degli scontrini fermata: errore n." + std::to_string(e.numero()) + " (" +
                       e.descrizione() + "). Riavviare il programma.");
      return;
    }
  } catch (const std::exception& ex) {
    ScriviErrore(st, err::ChiamataNonValida, ex.what(), "TIMER1");
    st.mbScansioneFerma = true;
    ImpostaTesto(
        st, Campo::TxtMsg,
        std::string("Scansione degli scontrini fermata: ") + ex.what() + ". Riavviare il programma.");
    return;
  }
  fin.abilitaTimer(true);
}

}  // namespace quimbo
