#include "queue/scansione.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "link/comm.h"
#include "queue/coda.h"
#include "queue/disco.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/metriche.h"
#include "queue/scartati.h"
#include "queue/scontrino.h"
#include "shell/chiusura.h"
#include "shell/errore.h"
#include "shell/percorsi.h"
#include "shell/registro.h"
#include "shell/sistema.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// Length of the file, or no value (counting as 0) when it cannot be read (logged).
std::optional<std::uintmax_t> f_fileLen(Stato& st, const std::string& percorso) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(percorso, ec);
  if (ec) {
    ScriviErrore(st, erroreDa(ec), "f_fileLen");
    return std::nullopt;
  }
  return n;
}

// The order of names in a listing: ordinal without regard to case, as Windows lists them.
bool PrimaNellElenco(const std::string& a, const std::string& b) {
  auto piega = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  const std::string pa = piega(a), pb = piega(b);
  return pa != pb ? pa < pb : a < b;  // names equal but for case: a fixed order all the same
}

// The receipt files ("*.sco", any case, plain files) in directory order, names only.
// A missing or unreadable folder lists nothing, as an empty one does; `ec` gets an
// error met halfway through.
std::vector<std::string> NomiScontrini(const fs::path& dir, std::error_code& ec) {
  std::vector<std::string> nomi;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    ec.clear();
    return nomi;
  }
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    std::string nome = it->path().filename().string();
    if (NomeDiScontrino(nome)) nomi.push_back(std::move(nome));
  }
  return nomi;
}

// How many receipt files the folder holds.
std::size_t ContaScontrini(const fs::path& dir) {
  std::error_code ec;
  return NomiScontrini(dir, ec).size();
}

// The receipt file that is `id` under another name (the point of sale renamed it), or
// none: the same file, with the same bytes when they are known. A file number used
// again for a new receipt of the same size and time is not taken for it.
std::optional<Identita> CercaRinominato(const fs::path& dir, const Identita& id) {
  if (id.numero == 0) return std::nullopt;
  std::error_code ec;
  for (const std::string& nome : NomiScontrini(dir, ec)) {
    if (nome == id.nome) continue;
    std::optional<Identita> altro = IdentitaDi(dir / nome);
    if (!altro || !stessoFileRinominato(*altro, id)) continue;
    if (id.impronta != 0 && ImprontaDi(Contenuto(dir / nome)) != id.impronta) continue;
    altro->impronta = id.impronta;
    return altro;
  }
  return std::nullopt;
}

// The first `massimo` receipt files ("*.sco", any case, plain files) in that order,
// names only; `totale` gets how many there are in all.
std::vector<std::string> ElencaScontrini(const fs::path& dir, int massimo, std::size_t* totale = nullptr) {
  std::error_code ec;
  std::vector<std::string> nomi = NomiScontrini(dir, ec);
  if (ec) throw erroreDa(ec);
  // Directory order here is hash order; receipts go out in the order Windows
  // lists them, so numbered or time-stamped names are printed in sequence.
  std::sort(nomi.begin(), nomi.end(), PrimaNellElenco);
  if (totale) *totale = nomi.size();
  if (massimo >= 0 && nomi.size() > static_cast<std::size_t>(massimo))
    nomi.resize(static_cast<std::size_t>(massimo));
  return nomi;
}

const char* const kBadscont = "badscont.bad";
const char* const kNomiFil = "NomiFil.txt";

// The key of a sent receipt remembered for the run: "size TAB time TAB name".
std::string Chiave(const Identita& id) {
  return std::to_string(id.dimensione) + "\t" + std::to_string(id.modifica) + "\t" + id.nome;
}
std::string NomeDaChiave(const std::string& k) { return k.substr(k.find('\t', k.find('\t') + 1) + 1); }

// Gone for good before anything that depends on it: a journal entry dropped next must
// not reach the disk while the receipt's deletion does not.
void EliminaFile(const fs::path& file) {
  if (!TogliSuDisco(file)) throw Errore(err::FileNonTrovato);
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

const char* const kProcedura = "TIMER1 (gestito dal programma)";

// What the operator must know: a line in TxtMsg and in the log.
void Dici(Stato& st, int numero, const std::string& testo) {
  ImpostaTesto(st, Campo::TxtMsg, testo);
  ScriviErrore(st, numero, testo, kProcedura);
}

// Said once: not again on every tick while the same thing stays true.
void Avvisa(Stato& st, const std::string& chiave, int numero, const std::string& testo) {
  if (Coda(st).masAvvisati.insert(chiave).second) Dici(st, numero, testo);
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

// What became of a receipt, for the point of sale, before its file leaves the folder
// (GiorniEsiti=0: none). One that cannot be written is said once; false then.
bool ScriviDestino(Stato& st, const fs::path& cartella, const std::string& nome, Destino d) {
  if (st.imp.miGiorniEsiti <= 0) return true;
  d.ora = st.orologio().adesso();
  try {
    ScriviEsito(cartella, nome, d);
    return true;
  } catch (const Errore& e) {
    Avvisa(st, "esiti\t" + std::to_string(e.numero()), e.numero(),
           "Esito dello scontrino " + nome + " non scrivibile in " + kEsiti + " (" + e.descrizione() + ")");
    return false;
  }
}

// A "printed" outcome of `nome` written since the receipt's file last changed
// (`modifica`, ns): another outcome of that name is an earlier receipt's.
bool EsitoDopo(const fs::path& cartella, const std::string& nome, std::int64_t modifica) {
  const fs::path file = FileEsito(cartella, nome);
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(file, ec);
  if (ec || std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count() < modifica)
    return false;
  const std::optional<std::string> stato = ValoreEsito(Contenuto(file), "Stato");
  return stato == kStampato || stato == kRistampato;
}

// A failed receipt that could not be set aside is marked in the journal instead,
// and remembered for the run, so that it is never sent again by itself.
void SegnaFallito(Stato& st, const fs::path& cartella, const fs::path& percorso, const std::string& motivo) {
  std::optional<Identita> id = IdentitaDi(percorso);
  if (!id) return;  // gone already
  id->fallito = true;
  Coda(st).masFalliti.push_back(Chiave(*id));
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

// A payment mark left by a stop names a receipt that may have been printed. False
// while a mark is there that cannot be read: it names a receipt nobody can tell, so
// nothing goes out until it can be (said once).
bool RisolviPagamentoInterrotto(Stato& st, const fs::path& cartella) {
  bool illeggibile = false;
  const std::optional<Pagamento> mark = LeggiPagamento(cartella, &illeggibile);
  const std::optional<Identita> segnato = mark ? std::optional<Identita>(mark->id) : std::nullopt;
  // A folder that cannot be reached at all (a name too long, a folder on the way that
  // may not be entered) is said as such, once, as the system says it: not its mark.
  if (const std::optional<std::string> msg = illeggibile ? CartellaInaccessibile(cartella) : std::nullopt)
    Avvisa(st, *msg, err::AccessoPercorso, *msg);
  else if (illeggibile)
    Avvisa(st, "pagamento illeggibile", err::ErroreIO,
           "pagamento.txt illeggibile: nessuno scontrino parte finch\xe9 non si pu\xf2 leggere (controllare "
           "sulla cassa l'ultimo scontrino, poi toglierlo)");
  if (!segnato) return !illeggibile;
  std::optional<Identita> ora = IdentitaDi(cartella / segnato->nome);
  // Renamed by the point of sale since: the same receipt under another name.
  if (!ora) ora = CercaRinominato(cartella, *segnato);
  const std::vector<Identita> inviati = LeggiInviati(cartella);
  const bool inviato = std::any_of(inviati.begin(), inviati.end(), [&](const Identita& i) {
    return !i.fallito && (stessoFile(i, *segnato) || stessoFileRinominato(i, *segnato));
  });
  // Journalled as sent, it was printed whole (the stop came before its deletion). A file
  // of that name that changed since is no proof of a new receipt: the old one, touched,
  // may be behind it.
  if (ora && !inviato) {
    ContaEsito(st, "in_dubbio");
    MettiDaParteInDubbio(st, cartella, cartella / ora->nome,
                         {.motivo = "Interrotto durante il pagamento da un arresto del programma",
                          .ultimo = "pagamento iniziato, poi il programma si \xe8 fermato",
                          .inizioPagamento = mark->inizio});
  } else {
    TogliPagamento(cartella);  // the file is gone: sent, then the stop
  }
  return true;
}

// The register silent: said once per outage, with the receipts waiting; and once
// when it answers again.
void DiciCassaMuta(Stato& st) {
  if (st.mbCassaMuta) return;
  st.mbCassaMuta = true;
  // The scan counted them already: a folder of many files is not listed again.
  Dici(st, err::ErroreIO, "Cassa non risponde: " + ScontriniInAttesa(Coda(st).mSituazione.inAttesa));
}

void DiciCassaRisponde(Stato& st) {
  if (!st.mbCassaMuta || st.mbNessunaRisposta) return;
  st.mbCassaMuta = false;
  const std::string testo = "La cassa risponde di nuovo";
  ImpostaTesto(st, Campo::TxtMsg, testo);
  ScriviErrore(st, err::ErroreIO, testo, kProcedura, Livello::Informazione);
}

// A receipt still without its total line waits while it keeps changing; unchanged
// for "AttesaTotale" seconds, it is taken as abandoned. True then.
bool Abbandonato(Stato& st, const Identita& id) {
  const double adesso = st.orologio().secondi();
  auto [it, nuovo] = Coda(st).mapIncompleti.try_emplace(id.nome, Chiave(id), adesso);
  if (!nuovo && it->second.first != Chiave(id)) it->second = {Chiave(id), adesso};
  return adesso - it->second.second >= st.imp.mdAttesaTotale;
}

// A sent receipt's file goes; an error is logged once for that file and cause, and
// the deletion is tried again at the next tick.
bool Elimina(Stato& st, const fs::path& file) {
  try {
    EliminaFile(file);
    return true;
  } catch (const Errore& e) {
    if (Coda(st).masAvvisati.insert("elimina\t" + file.string() + "\t" + std::to_string(e.numero())).second)
      ScriviErrore(st, e, kProcedura);
    return false;
  }
}

// The folder's modification time in nanoseconds, and whether it is old enough that
// a file added after it would have moved it even on a file system with coarse times.
std::optional<long long> MomentoCartella(const fs::path& dir, bool& stabile) {
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(dir, ec);
  if (ec) return std::nullopt;
  stabile = fs::file_time_type::clock::now() - t > std::chrono::seconds(3);
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

constexpr int kGiriSenzaElenco = 15;

// A receipt that is done with: any entry under its name goes, older ones included.
void Dimentica(Stato& st, const fs::path& dir, const std::string& nome, std::vector<Identita>& inviati) {
  std::erase_if(Coda(st).masInviati, [&](const std::string& k) { return NomeDaChiave(k) == nome; });
  Coda(st).mapIncompleti.erase(nome);
  const size_t prima = inviati.size();
  std::erase_if(inviati, [&](const Identita& i) { return i.nome == nome; });
  if (inviati.size() != prima) ScriviInviati(dir, inviati);
}

// One receipt of the scan: its folder and name, the file its lines were read from,
// and the file as the listing found it.
struct Scontrino {
  const fs::path& dir;
  const std::string& nome;
  const Letto& letto;
  const std::optional<Identita>& elencato;
  int comandi = 0;  // handed to the register for it, and in how many seconds
  double durata = 0;
  std::string quanto() const;
  // What the point of sale is told of it, as far as its sending knows.
  Destino destino() const {
    return {.comandi = comandi,
            .durata = durata,
            .motivo = letto.perche,
            .riga = letto.riga,
            .ultimo = letto.ultimo,
            .inizioPagamento = letto.inizioPagamento};
  }
};

// The file as it is now, when it is still the receipt that was read: unchanged, or
// with the same bytes (touched, saved again), or the same file with the same bytes
// under another name (renamed: said). Otherwise the point of sale withdrew or replaced
// it while it was sent: said, and none (a new version is a new receipt, and goes out
// as such; so does a copy).
std::optional<Identita> AncoraLui(Stato& st, const Scontrino& s) {
  const fs::path percorso = s.dir / s.nome;
  std::optional<Identita> ora = IdentitaDi(percorso);
  if (ora && s.letto.id && (*ora == *s.letto.id || Contenuto(percorso) == s.letto.contenuto)) {
    ora->impronta = s.letto.id->impronta;  // the same bytes
    return ora;
  }
  if (s.letto.id) {
    if (const std::optional<Identita> altro = CercaRinominato(s.dir, *s.letto.id)) {
      const std::string testo =
          "Scontrino " + s.nome + " rinominato in " + altro->nome + " durante l'invio: non riparte";
      ImpostaTesto(st, Campo::TxtMsg, testo);
      ScriviErrore(st, err::FileNonTrovato, testo, kProcedura, Livello::Informazione);
      return altro;
    }
  }
  Dici(st, err::FileNonTrovato,
       "Scontrino " + s.nome + (ora ? " sostituito" : " tolto dalla cartella") + " durante l'invio" +
           (ora ? ": la nuova versione partir\xe0 come un nuovo scontrino" : ""));
  return std::nullopt;
}

// A receipt sent whole: journalled while its file is still there, then deleted.
void Inviato(Stato& st, const Scontrino& s, std::vector<Identita>& inviati) {
  const std::optional<Identita> lui = AncoraLui(st, s);
  const fs::path percorso = s.dir / (lui ? lui->nome : s.nome);
  if (lui) {
    Coda(st).masInviati.push_back(Chiave(*lui));
    inviati.push_back(*lui);
    try {
      ScriviInviati(s.dir, inviati);
    } catch (const Errore& e) {
      // Without the journal the deletion still goes ahead; this run remembers the
      // receipt in memory should the deletion fail too.
      ScriviErrore(st, e, kProcedura);
      inviati.pop_back();
    }
  }
  // Printed: said under the name it has, and of a withdrawn one, after the journal (a
  // stop between them finds it journalled, and writes its outcome then) and before the
  // deletion; a new version under its name is another receipt, with an outcome of its
  // own. An outcome that cannot be written is said once; the receipt goes all the same,
  // as a kept one could be taken for a new receipt if the point of sale touched it.
  if (lui || !fs::exists(percorso))
    ScriviDestino(st, s.dir, lui ? lui->nome : s.nome, {.comandi = s.comandi, .durata = s.durata});
  TogliPagamento(s.dir);
  // Looked at again right before the deletion: the journal's syncs took a moment, in
  // which a new version may have taken the name.
  if (lui && IdentitaDi(percorso) == lui && Elimina(st, percorso)) {
    Dimentica(st, s.dir, lui->nome, inviati);
    if (lui->nome != s.nome) Coda(st).mapIncompleti.erase(s.nome);
  }
  Annota(st, Livello::Informazione, "Scontrino " + s.nome + " inviato: " + s.quanto());
  Coda(st).mSituazione.ultimo = s.nome;
  Coda(st).mSituazione.quando = st.orologio().adesso();
  // Room again, if there was none: a receipt went out.
  if (Coda(st).mSituazione.discoPieno) {
    Coda(st).mSituazione.discoPieno = false;
    Coda(st).masAvvisati.erase("disco pieno");
  }
}

// A receipt still without its total line, unchanged for "AttesaTotale" seconds, is set
// aside; true then.
bool MessoDaParteSeAbbandonato(Stato& st, const Scontrino& s) {
  if (!s.elencato || !Abbandonato(st, *s.elencato)) return false;
  const std::string testo = "Scontrino " + s.nome + " senza riga di totale da " +
                            std::to_string(static_cast<long>(st.imp.mdAttesaTotale)) +
                            " secondi: messo da parte";
  ScriviErrore(st, err::ChiamataNonValida, testo, kProcedura);
  MettiDaParte(st, s.dir, s.dir / s.nome, {.motivo = testo});
  Coda(st).mapIncompleti.erase(s.nome);
  return true;
}

// A receipt that stays in the folder with nothing sent: one that cannot be read is
// said once for the file as it is (it is tried again on every tick); one its writer
// still holds is being written, and is said only when it stays held and unchanged as
// long as an unfinished receipt may.
void Resta(Stato& st, Esito esito, const Scontrino& s) {
  if (!s.elencato) return;
  if (esito == Esito::InUso) {
    if (Abbandonato(st, *s.elencato))
      Avvisa(st, "in uso\t" + Chiave(*s.elencato), err::FileGiaAperto,
             "Scontrino " + s.nome + " in uso da un altro programma da " +
                 std::to_string(static_cast<long>(st.imp.mdAttesaTotale)) + " secondi; resta nella cartella");
  } else if (s.letto.motivo.empty()) {
    Avvisa(st, "permesso\t" + Chiave(*s.elencato), err::PermessoNegato,
           "Scontrino " + s.nome + ": permesso negato, l'utente " + NomeUtente() +
               " non pu\xf2 leggerlo; resta nella cartella");
  } else {
    Avvisa(st, "illeggibile\t" + Chiave(*s.elencato), err::ErroreIO,
           "Scontrino " + s.nome + " illeggibile (" + s.letto.motivo + "); resta nella cartella");
  }
}

// A receipt that failed, or was cut during its payment, set aside as such under the
// name it has now.
void DaParte(Stato& st, Esito esito, const Scontrino& s) {
  Destino d = s.destino();
  if (esito == Esito::InDubbio) {
    Annota(st, Livello::Errore, "Scontrino " + s.nome + " interrotto durante il pagamento: " + s.quanto());
    if (d.motivo.empty()) d.motivo = "Interrotto durante il pagamento: controllare il giornale della cassa";
    if (const std::optional<Identita> lui = AncoraLui(st, s))
      MettiDaParteInDubbio(st, s.dir, s.dir / lui->nome, d);
    else
      TogliPagamento(s.dir);
    return;
  }
  Annota(st, Livello::Errore,
         "Scontrino " + s.nome + " non inviato, messo da parte come " + kBadscont + ": " + s.quanto());
  if (d.motivo.empty()) d.motivo = "Scontrino " + s.nome + " non inviato";
  // Never read (not found): whatever is there now is set aside as before.
  if (!s.letto.id)
    MettiDaParte(st, s.dir, s.dir / s.nome, d);
  else if (const std::optional<Identita> lui = AncoraLui(st, s))
    MettiDaParte(st, s.dir, s.dir / lui->nome, d);
  TogliPagamento(s.dir);
}

enum class Dopo { Avanti, Ferma };

Dopo Concludi(Stato& st, Esito esito, const Scontrino& s, std::vector<Identita>& inviati) {
  auto finito = [&] {
    if (Coda(st).mSituazione.inAttesa > 0) --Coda(st).mSituazione.inAttesa;
  };
  const bool giaMuta = st.mbCassaMuta;
  if (esito != Esito::Trattenuto && esito != Esito::InDubbio && esito != Esito::DiscoPieno &&
      esito != Esito::Illeggibile && esito != Esito::InUso)
    DiciCassaRisponde(st);
  switch (esito) {
    case Esito::Inviato:
      ContaEsito(st, "stampato");
      Inviato(st, s, inviati);
      finito();
      break;
    case Esito::Incompleto:
      if (MessoDaParteSeAbbandonato(st, s)) {
        ContaEsito(st, "messo_da_parte");
        finito();
      }
      break;
    case Esito::Illeggibile:
    case Esito::InUso:
      Resta(st, esito, s);
      break;
    case Esito::DiscoPieno:
      Coda(st).mSituazione.discoPieno = true;
      Avvisa(st, "disco pieno", err::DiscoPieno,
             "Disco pieno nella cartella degli scontrini: gli scontrini restano in attesa");
      return Dopo::Ferma;
    case Esito::Fallito:
      ContaEsito(st, "messo_da_parte");
      DaParte(st, esito, s);
      finito();
      break;
    case Esito::InDubbio:
      ContaEsito(st, "in_dubbio");
      DaParte(st, esito, s);
      finito();
      [[fallthrough]];
    case Esito::Trattenuto:
      // Once per outage: a silent register keeps the receipt for every tick it stays silent.
      if (esito == Esito::Trattenuto && !giaMuta)
        Annota(st, Livello::Informazione,
               "Scontrino " + s.nome + " trattenuto, ripartir\xe0 dalla prima riga: " + s.quanto());
      // The line went away under the receipt, or the register fell silent: nothing
      // says it refused; the rest waits for it too.
      if (st.mbNessunaRisposta) DiciCassaMuta(st);
      EseguiChiusuraRinviata(st);
      return Dopo::Ferma;
  }
  return Dopo::Avanti;
}

std::string Scontrino::quanto() const {
  char b[64];
  std::snprintf(b, sizeof b, "%d comandi in %.2f s", comandi, durata);
  return b;
}

// The journal without the entries whose file is gone (a stop between deletion and
// journal, a failed receipt the operator removed): they are done with.
// A sent receipt renamed by the point of sale is followed to its new name: it is
// only deleted there, never sent again.
std::vector<Identita> InviatiAncoraInCartella(const fs::path& dir) {
  std::vector<Identita> inviati = LeggiInviati(dir);
  bool cambiato = false;
  std::erase_if(inviati, [&](Identita& id) {
    std::error_code ec;
    if (fs::exists(dir / id.nome, ec) || ec) return false;
    cambiato = true;
    const std::optional<Identita> altro = id.fallito ? std::nullopt : CercaRinominato(dir, id);
    if (altro) id.nome = altro->nome;
    return !altro;
  });
  if (cambiato) ScriviInviati(dir, inviati);
  return inviati;
}

// The file is in the journal as sent (or as failed), or in this run's memory of them.
bool InElenco(const Identita& id, bool fallito, const std::vector<Identita>& giornale,
              const std::vector<std::string>& memoria) {
  return std::any_of(giornale.begin(), giornale.end(),
                     [&](const Identita& i) { return i.fallito == fallito && stessoFile(i, id); }) ||
         std::find(memoria.begin(), memoria.end(), Chiave(id)) != memoria.end();
}

// Outcomes older than "GiorniEsiti" go at the first scan and once a day.
void PulisciEsiti(Stato& st, const fs::path& dir) {
  std::optional<double>& ultima = Coda(st).mdEsitiPuliti;
  const double adesso = st.orologio().secondi();
  if (ultima && adesso - *ultima < 24 * 3600) return;
  ultima = adesso;
  TogliEsitiVecchi(dir, st.imp.miGiorniEsiti);
}

// Nothing goes out of a folder this program has not locked. One that another program
// locked meanwhile (it was missing at start-up) ends this one, as at start-up.
bool CartellaNostra(Stato& st) {
  std::string nonBloccabile;
  const std::optional<std::string> occupata = PrendiLaCartella(st, &nonBloccabile);
  if (!nonBloccabile.empty()) Avvisa(st, "blocco\t" + nonBloccabile, err::AccessoPercorso, nonBloccabile);
  // A folder that cannot be reached at all is said as the system says it, once.
  if (const auto msg = Coda(st).blocco ? std::nullopt : CartellaInaccessibile(cartella(st.imp.msDirPerFile)))
    Avvisa(st, *msg, err::AccessoPercorso, *msg);
  if (!occupata) return Coda(st).blocco != nullptr;
  ImpostaTesto(st, Campo::TxtMsg, *occupata);
  ScriviErrore(st, err::FileGiaAperto, *occupata, "Timer1_Timer");
  Form_Unload(st);
  st.finestra().termina();
  return false;
}

// True when the scan took a full batch and more receipts are waiting.
bool Scansione(Stato& st) {
  const fs::path dir = cartella(st.imp.msDirPerFile);
  if (!CartellaNostra(st)) return false;
  PulisciEsiti(st, dir);
  if (!RisolviPagamentoInterrotto(st, dir)) return false;
  // An idle folder holding many other files costs one stat per tick, not a listing.
  bool stabile = false;
  const std::optional<long long> momento = MomentoCartella(dir, stabile);
  // A file system whose times cannot be trusted (a share whose server clock is off,
  // coarse times) is still listed every so often.
  if (momento && Coda(st).mllCartellaSenzaScontrini == momento &&
      ++Coda(st).miGiriSenzaElenco < kGiriSenzaElenco)
    return false;
  Coda(st).mllCartellaSenzaScontrini.reset();
  Coda(st).miGiriSenzaElenco = 0;
  std::size_t totale = 0;
  const std::vector<std::string> nomi = ElencaScontrini(dir, kFilePerGiro, &totale);
  Coda(st).mSituazione.inAttesa = static_cast<int>(totale);
  if (nomi.empty()) {
    if (stabile) Coda(st).mllCartellaSenzaScontrini = momento;
    return false;
  }
  std::vector<Identita> inviati = InviatiAncoraInCartella(dir);
  for (const std::string& nome : nomi) {
    const fs::path percorso = dir / nome;
    const std::optional<Identita> id = IdentitaDi(percorso);
    // Sent before, but not deleted: only the deletion is tried again, once the point
    // of sale has the outcome (a stop may have come between the journal and it).
    if (id && InElenco(*id, false, inviati, Coda(st).masInviati)) {
      if (!EsitoDopo(dir, nome, id->modifica)) ScriviDestino(st, dir, nome, {});
      if (Elimina(st, percorso)) Dimentica(st, dir, nome, inviati);
      continue;
    }
    // Failed, and could not be set aside: it waits for the operator.
    if (id && InElenco(*id, true, inviati, Coda(st).masFalliti)) continue;
    const std::optional<std::uintmax_t> lunghezza = f_fileLen(st, percorso.string());
    if (!lunghezza || *lunghezza == 0) continue;
    // Nothing goes out that the folder could not account for afterwards.
    if (const std::optional<std::string> motivo = GiornaleNonScrivibile(dir)) {
      Avvisa(st, "cartella\t" + *motivo, err::AccessoPercorso,
             "Cartella degli scontrini non scrivibile (" + *motivo + "): gli scontrini restano in attesa");
      return false;
    }

    Esito esito;
    Letto letto;
    const int comandiPrima = st.miComandi;
    const double inizio = st.orologio().secondi();
    {
      CollegamentoOccupato occupato(st);
      esito = ElaboraScontrino(st, percorso.string(), &letto);
    }
    const Scontrino s{dir, nome, letto, id, st.miComandi - comandiPrima, st.orologio().secondi() - inizio};
    if (Concludi(st, esito, s, inviati) == Dopo::Ferma) return false;
    // A close that waited for this receipt's payment goes ahead before the next one.
    if (EseguiChiusuraRinviata(st)) return false;
  }
  return totale > nomi.size();
}

}  // namespace

std::optional<std::string> CartellaInaccessibile(const fs::path& dir) {
  std::error_code ec;
  const fs::file_status stato = fs::status(dir, ec);
  if (!ec || stato.type() == fs::file_type::not_found) return std::nullopt;
  return "Cartella degli scontrini " + dir.string() + " inaccessibile (" + ec.message() +
         "): correggere DirPerFile";
}

void Timer1_Timer(Stato& st) {
  TimerScansione& timer = st.timer();
  // A button's exchange is under way: this tick does nothing; the next one scans.
  // After the window unloaded nothing scans (nor opens the port again).
  if (st.miOccupato > 0 || st.mbChiuso) return;
  if (Coda(st).mbScansioneFerma || !st.imp.mpFamiglia) {
    timer.abilita(false);
    return;
  }
  timer.abilita(false);
  bool ancora = false;
  try {
    if (PortaPronta(st))
      ancora = Scansione(st);
    else
      // Without a port nothing goes out, but the receipts waiting are still counted.
      Coda(st).mSituazione.inAttesa = static_cast<int>(ContaScontrini(cartella(st.imp.msDirPerFile)));
    MostraSituazione(st);
    AggiornaMetriche(st);
    if (st.mbChiuso) return;
  } catch (const Errore& e) {
    // A file gone, one that may not be touched or that another program holds, a full
    // disk: the scan goes on.
    if (e.numero() == err::FileNonTrovato || e.numero() == err::AccessoPercorso ||
        e.numero() == err::DiscoPieno || e.numero() == err::FileGiaAperto) {
      ScriviErrore(st, e, "TIMER1 (gestito dal programma)");
    } else {
      ScriviErrore(st, e, "TIMER1");
      Coda(st).mbScansioneFerma = true;
      ImpostaTesto(st, Campo::TxtMsg,
                   "Scansione degli scontrini fermata: errore n." + std::to_string(e.numero()) + " (" +
                       e.descrizione() + "). Riavviare il programma.");
      return;
    }
  } catch (const std::exception& ex) {
    ScriviErrore(st, err::ChiamataNonValida, ex.what(), "TIMER1");
    Coda(st).mbScansioneFerma = true;
    ImpostaTesto(
        st, Campo::TxtMsg,
        std::string("Scansione degli scontrini fermata: ") + ex.what() + ". Riavviare il programma.");
    return;
  }
  timer.abilita(true);
  if (ancora) timer.subito();
}

}  // namespace quimbo
