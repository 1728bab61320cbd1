#include "queue/scansione.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "queue/giornale.h"
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
const char* const kScartati = "scartati";

// The key of a sent receipt remembered for the run: "size TAB time TAB name".
std::string Chiave(const Identita& id) {
  return std::to_string(id.dimensione) + "\t" + std::to_string(id.modifica) + "\t" + id.nome;
}
std::string NomeDaChiave(const std::string& k) { return k.substr(k.find('\t', k.find('\t') + 1) + 1); }

bool FiniscePerSco(const std::string& nome) {
  return nome.size() > 4 && strcasecmp(nome.c_str() + nome.size() - 4, ".sco") == 0;
}

std::string DataOraTesto(const DataOra& d, char sepData) {
  char b[32];
  std::snprintf(b, sizeof b, "%02d%c%02d%c%04d %02d:%02d:%02d", d.mese, sepData, d.giorno, sepData, d.anno,
                d.ora, d.minuto, d.secondo);
  return b;
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
    std::erase_if(st.masInviati, [&](const std::string& k) { return NomeDaChiave(k) == nome; });
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
