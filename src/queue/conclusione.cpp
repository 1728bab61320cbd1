#include "queue/conclusione.h"

#include <cstdio>

#include "base/chiusura.h"
#include "base/errore.h"
#include "base/registro.h"
#include "base/sistema.h"
#include "queue/coda.h"
#include "queue/disco.h"
#include "queue/elenco.h"
#include "queue/messa_da_parte.h"
#include "queue/metriche.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// The register silent: said once per outage, with the receipts waiting; and once
// when it answers again.
void DiciCassaMuta(Stato& st) {
  if (st.mbCassaMuta) return;
  st.mbCassaMuta = true;
  // The scan counted them already: a folder of many files is not listed again.
  Dici(st, err::ErroreIO, "Cassa non risponde: " + ScontriniInAttesa(st.coda.situazione.inAttesa));
}

void DiciCassaRisponde(Stato& st) {
  if (!st.mbCassaMuta || st.link.mbNessunaRisposta()) return;
  st.mbCassaMuta = false;
  const std::string testo = "La cassa risponde di nuovo";
  ImpostaTesto(st, Campo::TxtMsg, testo);
  ScriviErrore(st, err::ErroreIO, testo, kProcedura, Livello::Informazione);
}

// A receipt still without its total line waits while it keeps changing; unchanged
// for "AttesaTotale" seconds, it is taken as abandoned. True then.
bool Abbandonato(Stato& st, const Identita& id) {
  const double adesso = st.orologio().secondi();
  auto [it, nuovo] = st.coda.incompleti.try_emplace(id.nome, Chiave(id), adesso);
  if (!nuovo && it->second.first != Chiave(id)) it->second = {Chiave(id), adesso};
  return adesso - it->second.second >= st.imp.mdAttesaTotale;
}

// Gone for good before anything that depends on it: a journal entry dropped next must
// not reach the disk while the receipt's deletion does not.
void EliminaFile(const fs::path& file) {
  if (!TogliSuDisco(file)) throw Errore(err::FileNonTrovato);
}

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
    st.coda.inviati.push_back(Chiave(*lui));
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
    if (lui->nome != s.nome) st.coda.incompleti.erase(s.nome);
  }
  Annota(st, Livello::Informazione, "Scontrino " + s.nome + " inviato: " + s.quanto());
  st.coda.situazione.ultimo = s.nome;
  st.coda.situazione.quando = st.orologio().adesso();
  // Room again, if there was none: a receipt went out.
  if (st.coda.situazione.discoPieno) {
    st.coda.situazione.discoPieno = false;
    st.coda.avvisati.erase("disco pieno");
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
  st.coda.incompleti.erase(s.nome);
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

}  // namespace

// A sent receipt's file goes; an error is logged once for that file and cause, and
// the deletion is tried again at the next tick.
bool Elimina(Stato& st, const fs::path& file) {
  try {
    EliminaFile(file);
    return true;
  } catch (const Errore& e) {
    if (st.coda.avvisati.insert("elimina\t" + file.string() + "\t" + std::to_string(e.numero())).second)
      ScriviErrore(st, e, kProcedura);
    return false;
  }
}

// A receipt that is done with: any entry under its name goes, older ones included.
void Dimentica(Stato& st, const fs::path& dir, const std::string& nome, std::vector<Identita>& inviati) {
  std::erase_if(st.coda.inviati, [&](const std::string& k) { return NomeDaChiave(k) == nome; });
  st.coda.incompleti.erase(nome);
  const size_t prima = inviati.size();
  std::erase_if(inviati, [&](const Identita& i) { return i.nome == nome; });
  if (inviati.size() != prima) ScriviInviati(dir, inviati);
}

std::string Scontrino::quanto() const {
  char b[64];
  std::snprintf(b, sizeof b, "%d comandi in %.2f s", comandi, durata);
  return b;
}

// What the tick does after a receipt: the next one, or nothing more this tick.
Dopo Concludi(Stato& st, Esito esito, const Scontrino& s, std::vector<Identita>& inviati) {
  auto finito = [&] {
    if (st.coda.situazione.inAttesa > 0) --st.coda.situazione.inAttesa;
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
      st.coda.situazione.discoPieno = true;
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
      if (st.link.mbNessunaRisposta()) DiciCassaMuta(st);
      EseguiChiusuraRinviata(st);
      return Dopo::Ferma;
  }
  return Dopo::Avanti;
}

}  // namespace quimbo
