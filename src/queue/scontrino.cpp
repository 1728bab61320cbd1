#include "queue/scontrino.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "base/chiusura.h"
#include "base/errore.h"
#include "base/registro.h"
#include "base/sistema.h"
#include "base/testo.h"
#include "base/util.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "queue/disco.h"
#include "queue/dispatch.h"
#include "queue/giornale.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

constexpr int kMaxRitentiApertura = 10;

struct ChiudiFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, ChiudiFile>;

// A file this user may not read (a point-of-sale user's strict umask, which the
// folder's owner mends), one its writer still holds, one missing: each its own number.
File ApriScontrino(const std::string& percorso) {
  std::error_code ec;
  std::FILE* f = ApriInLettura(percorso, ec);
  if (f) return File(f);
  const std::error_condition c = CondizioneDiSistema(ec);
  if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
    throw Errore(err::PermessoNegato);
  const Errore e = erroreDa(ec);
  if (e.numero() == err::FileNonTrovato || e.numero() == err::FileGiaAperto) throw e;
  // Said as the system says it (an I/O error, a name too long), not as a permission.
  throw Errore(e.numero(), ec.message());
}

// The whole file, as bytes.
void LeggiByte(std::FILE* f, std::string& byte) {
  char blocco[4096];
  errno = 0;
  for (std::size_t n; (n = std::fread(blocco, 1, sizeof blocco, f)) > 0;) byte.append(blocco, n);
  if (std::ferror(f))
    throw Errore(err::ErroreIO,
                 errno ? std::generic_category().message(errno) : descrizioneErrore(err::ErroreIO));
}

// Every line is read (once: `lette` keeps them for every attempt) and translated with
// nothing sent before the first byte of the receipt goes out: a bad line must not leave
// the register with half a receipt open. False when the receipt has sale lines but no
// total line yet: a receipt ends with its total, and the point of sale is still
// writing this one.
bool Verifica(Stato& st, const std::vector<RigaDelFile>& righe, std::vector<RigaScontrino>& lette,
              int& cattiva) {
  bool vendite = false, totale = false, noto = false;
  for (std::size_t i = 0; i < righe.size(); ++i) {
    const RigaDelFile& r = righe[i];
    try {
      // A line that starts with a TAB would have its sale dropped without a word.
      if (r.testo.front() == '\t') throw Errore(err::ChiamataNonValida, "tipo di record vuoto");
      if (lette.size() == i) lette.push_back(LeggiRiga(r.testo));
      Traduci(st, lette[i]);
    } catch (const Errore& e) {
      cattiva = r.numero;
      throw Errore(e.numero(), "Riga " + std::to_string(r.numero) + ": " + e.descrizione());
    }
    vendite = vendite || r.tipo == TipoRecord::Vendita;
    totale = totale || r.tipo == TipoRecord::Totale;
    noto = noto || r.tipo != TipoRecord::Altro;
  }
  // A renamed spreadsheet or a UTF-16 file would otherwise be "sent" and deleted.
  if (!righe.empty() && !noto)
    throw Errore(err::ChiamataNonValida, "nessuna riga di un tipo noto: non e' uno scontrino");
  return totale || !vendite;
}

bool ChiediRiprova(Stato& st, const std::string& testo, Icona icona, Pulsanti pulsanti) {
  return st.finestra().chiedi("Problemi di trasmissione", testo, icona, pulsanti) == Risposta::Ok;
}

const char* const kDomandaTrasmissione =
    "Problemi di trasmissione con la cassa.\r\nRiprovo a stampare lo scontrino ? ";

// The register made ready for a receipt; `esito` gets what happened to the commands
// the receipt's lines must not go after.
Sincronia Sincronizza(Stato& st, EsitoComando& esito) {
  esito = EsitoComando::Accettato;
  const Famiglia* famiglia = st.imp.mpFamiglia;
  return famiglia && famiglia->sincronizza ? famiglia->sincronizza(st, esito) : Sincronia::Fatta;
}

void MostraErrore(Stato& st, const Errore& e) {
  st.finestra().chiedi("", "Errore: " + e.descrizione(), Icona::Critico, Pulsanti::Ok);
}

Errore ComeErrore(const std::exception& e) {
  if (auto* q = dynamic_cast<const Errore*>(&e)) return *q;
  return Errore(err::ChiamataNonValida, e.what());
}

// An error once the file is open: logged under the sending's name and shown. What
// was said.
std::string ErroreDopo(Stato& st, const std::exception& ex) {
  const Errore e = ComeErrore(ex);
  ScriviErrore(st, e, "s_scontrino Dopo");
  MostraErrore(st, e);
  return e.descrizione();
}

// Opens the receipt; a file that is missing is looked for again, 2 to 3 seconds
// apart, ten more times. Null when it failed: logged and shown, or, for a file that
// cannot be read now (`quieto` set: this user may not, its writer holds it, an I/O
// error), with nothing said (the scan says it once).
File ApriConRitenti(Stato& st, const std::string& percorso, std::optional<Errore>& quieto,
                    std::string& perche) {
  int tentativi = 0;
  for (;;) {
    try {
      return ApriScontrino(percorso);
    } catch (const Errore& e) {
      if (e.numero() != err::FileNonTrovato) {
        quieto = e;
        return nullptr;
      }
      if (++tentativi <= kMaxRitentiApertura) {
        const double scadenza = std::floor(st.orologio().secondi()) + 3;
        st.pompa().attendi([&] { return st.link.mbErrTx() || st.link.mbFine(); }, scadenza);
        if (!st.link.mbErrTx() && !st.link.mbFine()) continue;
      }
      ScriviErrore(st, e, "s_scontrino prima");
      MostraErrore(st, e);
      perche = e.descrizione();
      return nullptr;
    }
  }
}

// Kabel waits only "Pausa" for each answer: every command must still get its status
// section, answers that come late included. SenzaRisposta (and no answer said) when
// the register stays silent up to the limit.
EsitoComando RisposteArrivate(Stato& st) {
  const auto inSospeso = st.imp.mpFamiglia ? st.imp.mpFamiglia->inSospeso : nullptr;
  if (!inSospeso || inSospeso(st) == 0) return EsitoComando::Accettato;
  if (st.pompa().attendi([&] { return inSospeso(st) == 0 || !st.porta().aperta(); },
                         st.orologio().secondi() + AttesaMassimaChiusura(st)))
    return st.porta().aperta() ? EsitoComando::Accettato : EsitoComando::LineaPersa;
  NessunaRisposta(st, "InviaCar");
  return EsitoComando::SenzaRisposta;
}

// What happened outside any command also stops a receipt: the port lost, an
// unexpected answer between two commands.
EsitoComando FraIComandi(Stato& st, EsitoComando finora) {
  if (!st.porta().aperta()) return Peggiore(finora, EsitoComando::LineaPersa);
  return st.link.mbErrTx() || st.link.mbFine() ? Peggiore(finora, EsitoComando::Rifiutato) : finora;
}

// The lines of the receipt, read once: every restart sends these same lines, also
// when the point of sale withdrew or replaced the file in the meantime. `letto` gets
// the identity of the file they came from, taken before the opening and again after
// the reading (a file that changed in between is still being written), and its bytes.
std::optional<Esito> Leggi(Stato& st, const std::string& percorso, std::vector<RigaDelFile>& righe,
                           Letto& letto) {
  letto.id = IdentitaDi(percorso);
  std::optional<Errore> quieto;
  File file = ApriConRitenti(st, percorso, quieto, letto.perche);
  if (!file && quieto) {
    if (quieto->numero() == err::FileGiaAperto) return Esito::InUso;
    if (quieto->numero() != err::PermessoNegato) letto.motivo = quieto->descrizione();
    return Esito::Illeggibile;
  }
  if (!file) return Esito::Fallito;
  if (!letto.id) letto.id = IdentitaDi(percorso);  // it came back during the retries
  try {
    LeggiByte(file.get(), letto.contenuto);
    righe = RigheScontrino(letto.contenuto, st.imp.msCodifica);
  } catch (const std::exception& ex) {
    // The disk, not the receipt: it stays for a later tick.
    if (const Errore e = ComeErrore(ex); e.numero() == err::ErroreIO) {
      letto.motivo = e.descrizione();
      return Esito::Illeggibile;
    }
    letto.perche = ErroreDopo(st, ex);
    return Esito::Fallito;
  }
  file.reset();
  if (!letto.id || letto.id != IdentitaDi(percorso)) return Esito::Incompleto;
  letto.id->impronta = ImprontaDi(letto.contenuto);
  return std::nullopt;
}

// An unexpected answer once the payment began: the register may have printed the
// receipt already, and sending it again could print it twice. Without a window
// nobody can look at the register: the receipt is in doubt. In the window the
// operator chooses, told in the box itself which receipt to look for in the
// register's journal; Enter, or a key pressed in haste, puts it in doubt, from where it
// is settled safely. Before the payment the question is the original's. True when the
// receipt starts again.
bool RiprovaDopoErrore(Stato& st, const InDubbio* inPagamento, bool& dubbio) {
  if (!inPagamento) return ChiediRiprova(st, kDomandaTrasmissione, Icona::Critico, Pulsanti::OkAnnulla);
  if (st.imp.mbSenzaFinestra) {
    dubbio = true;
    return false;
  }
  const std::string quale = QualeScontrino(*inPagamento);
  ImpostaTesto(st, Campo::TxtMsg,
               "Controllare il giornale della cassa prima di riprovare: " + quale +
                   ", potrebbe essere gi\xe0 stampato");
  std::string testo = "Problemi di trasmissione con la cassa.\r\n\r\n" + quale;
  testo[testo.size() - quale.size()] = 'L';  // "Lo scontrino ...", at the start of its sentence
  testo +=
      ", potrebbe essere gi\xe0 stampato: controllare il giornale della cassa prima di riprovare.\r\n"
      "Annulla lo mette da parte in dubbio, da sistemare dopo il controllo.\r\n\r\n"
      "Riprovo a stampare lo scontrino ? ";
  return ChiediRiprova(st, testo, Icona::Critico, Pulsanti::OkAnnullaPrudente);
}

// Frontiera gets no answer and Kabel waits only "Pausa" for one: the receipt is
// through when its last byte has gone down the line, and every Kabel command has had
// its status section.
EsitoComando TuttoSullaLinea(Stato& st) {
  const double limite = st.orologio().secondi() + AttesaMassimaChiusura(st);
  while (st.porta().aperta() && st.porta().inUscita() > 0 && st.orologio().secondi() < limite)
    st.pompa().attendi([] { return false; }, st.orologio().secondi() + 0.01);
  if (st.porta().aperta() && st.porta().inUscita() > 0) {
    NessunaRisposta(st, "InviaCar");
    return EsitoComando::SenzaRisposta;
  }
  return FraIComandi(st, RisposteArrivate(st));
}

// How far a receipt's lines went.
struct Invio {
  bool inPagamento = false;  // its total line began (the mark is in place)
  InDubbio quale{};          // the receipt, and when its payment began, as the operator is told
  bool ricomincia = false;   // the operator asked to send it again
  bool dubbio = false;       // set aside in doubt instead of asking
  int riga = 0;              // the number of the line being sent
  bool tornato = true;       // and its sending came back (it did not end in an error)
  // The worst that happened to its commands, the synchronisation's included.
  EsitoComando esito = EsitoComando::Accettato;
};

// Every line through the dispatcher as it was read, the payment mark in place before
// the first command of the total line. True when the end of the file was reached.
bool InviaRighe(Stato& st, const std::vector<RigaDelFile>& righe, const std::vector<RigaScontrino>& lette,
                const std::filesystem::path& cartella, const Identita& id, Invio& invio) {
  for (std::size_t i = 0;;) {
    invio.esito = FraIComandi(st, invio.esito);
    switch (invio.esito) {
      case EsitoComando::Accettato:
      case EsitoComando::Inviato:
        break;
      case EsitoComando::Rifiutato:
        // An unexpected answer, to the last line or outside any line: ask.
        invio.ricomincia = RiprovaDopoErrore(st, invio.inPagamento ? &invio.quale : nullptr, invio.dubbio);
        return false;
      // A register that stays silent is not asked about: the receipt waits for it, as
      // it does for the line.
      case EsitoComando::SenzaRisposta:
      case EsitoComando::LineaPersa:
      case EsitoComando::Fermato:
        return false;
    }
    if (i == righe.size()) return true;
    const RigaScontrino& letta = lette[i];
    const RigaDelFile& riga = righe[i++];
    if (!invio.inPagamento && riga.tipo == TipoRecord::Totale) {
      // The payment starts only once the register has answered everything before it:
      // a silent register is found out while the receipt can still wait for it.
      invio.esito = Peggiore(invio.esito, RisposteArrivate(st));
      if (!Passato(invio.esito)) continue;
      // From here on a stop may leave the receipt printed with nothing on disk to say so.
      invio.quale.inizio = st.orologio().adesso();
      SegnaPagamento(cartella, id, *invio.quale.inizio);
      invio.inPagamento = st.mbInPagamento = true;
    }
    invio.riga = riga.numero;
    invio.tornato = false;
    const Comando r = Trasmetti(st, letta);
    invio.tornato = true;
    invio.esito = Peggiore(invio.esito, r.esito);
    if (r.codice == kInterrompi) return false;
    if (r.codice == kRipetiScontrino) {
      invio.ricomincia = true;
      return false;
    }
  }
}

// Every line, then until the last byte is on the line: what becomes of the file.
Esito InviaTutto(Stato& st, const std::vector<RigaDelFile>& righe, const std::vector<RigaScontrino>& lette,
                 const std::filesystem::path& cartella, const Identita& id, Invio& invio) {
  bool fine = InviaRighe(st, righe, lette, cartella, id, invio);
  if (fine) {
    invio.esito = Peggiore(invio.esito, TuttoSullaLinea(st));
    fine = Passato(invio.esito);
  }
  return EsitoDi({.finito = fine,
                  .errore = !Passato(invio.esito),
                  .dubbio = invio.dubbio,
                  .muta = invio.esito == EsitoComando::SenzaRisposta,
                  .portaPersa = !st.porta().aperta(),
                  .inPagamento = invio.inPagamento});
}

// The receipt being sent, for the link and for a close that cuts it; a mark prepared
// for a payment that never began is no mark.
class InScontrino {
 public:
  InScontrino(Stato& st, const std::string& percorso)
      : cartella(std::filesystem::path(percorso).parent_path()), st_(st) {
    st_.mbInScontrino = true;
    st_.msScontrinoInCorso = std::filesystem::path(percorso).filename().string();
  }
  ~InScontrino() {
    st_.mbInScontrino = false;
    TogliPagamentoPreparato(cartella);
  }
  InScontrino(const InScontrino&) = delete;
  InScontrino& operator=(const InScontrino&) = delete;
  const std::filesystem::path cartella;

 private:
  Stato& st_;
};

}  // namespace

std::vector<RigaDelFile> RigheScontrino(std::string_view byte, std::string_view codifica) {
  const std::string testo = testo::testoScontrino(byte, codifica);
  std::vector<RigaDelFile> righe;
  int numero = 0;
  for (std::size_t i = 0; i < testo.size();) {
    std::size_t fine = testo.find_first_of("\r\n", i);
    if (fine == std::string::npos) fine = testo.size();
    ++numero;
    std::string riga = testo::senzaSpazi(std::string_view(testo).substr(i, fine - i));
    if (!riga.empty()) righe.push_back({numero, riga, TipoDellaRiga(riga)});
    i = fine + (testo.compare(fine, 2, "\r\n") == 0 ? 2 : 1);
  }
  return righe;
}

void TotaleDi(const std::vector<RigaDelFile>& righe, std::string& totale, std::string& pagamento) {
  for (const RigaDelFile& r : righe) {
    if (r.tipo != TipoRecord::Totale) continue;
    const std::vector<std::string> campi = util::Dividi(r.testo, "\t");
    if (campi.size() > 2) pagamento = campi[1], totale = campi[2];
  }
}

Esito EsitoDi(const FineInvio& f) {
  // Only the end of the file is success: a loop left on an error flag, a lost port or
  // the operator's choice is not.
  if (f.finito && !f.errore && !f.eccezione) return Esito::Inviato;
  if (f.dubbio) return Esito::InDubbio;
  // Once its payment began the receipt is in doubt: a register may print what it cannot
  // answer, a line lost tells nothing of what came through before, and giving up (the
  // operator's Cancel after refusals, whose unlock sends the closing command; an error)
  // may leave it printed.
  if (f.inPagamento) return Esito::InDubbio;
  // Nothing says it was refused: it waits for the register or the line.
  if (!f.eccezione && (f.muta || f.portaPersa)) return Esito::Trattenuto;
  return Esito::Fallito;
}

// How the last command of a receipt cut in its payment ended.
const char* ComeFini(EsitoComando e) {
  switch (e) {
    case EsitoComando::SenzaRisposta:
      return "la cassa non ha risposto";
    case EsitoComando::LineaPersa:
      return "la porta seriale si \xe8 chiusa";
    case EsitoComando::Fermato:
      return "fermato";
    case EsitoComando::Accettato:
    case EsitoComando::Inviato:
    case EsitoComando::Rifiutato:
      break;
  }
  return "risposta inattesa della cassa";
}

// The payment began; its last line, the closing, went out or not, and was answered or not.
std::string UltimoGiunto(const Invio& invio, int chiusura) {
  const std::string riga = " (riga " + std::to_string(chiusura) + ")";
  if (invio.riga != chiusura) return "pagamento iniziato, chiusura" + riga + " non inviata";
  if (!invio.tornato) return "chiusura" + riga + " interrotta durante l'invio";
  const std::string inviata = "chiusura inviata" + riga;
  switch (invio.esito) {
    case EsitoComando::Accettato:
      return inviata + " e confermata";
    case EsitoComando::Inviato:
      return inviata + ", senza conferma (la cassa non ne d\xe0)";
    case EsitoComando::SenzaRisposta:
      return inviata + ", nessuna risposta";
    case EsitoComando::LineaPersa:
      return inviata + ", porta seriale chiusa prima della risposta";
    case EsitoComando::Rifiutato:
      return inviata + ", risposta inattesa";
    case EsitoComando::Fermato:
      break;
  }
  return inviata + ", fermata dall'operatore";
}

// What the receipt's outcome says of how its sending ended: why a failed one failed,
// and of one in doubt (its payment began: it has lines) what last reached the register
// and when its payment began, for the operator who looks for it in its journal.
void DiCome(Esito esito, const Invio& invio, const std::vector<RigaDelFile>& righe, Letto& letto) {
  if (esito == Esito::Fallito && letto.perche.empty()) {
    letto.perche = invio.esito == EsitoComando::Fermato ? "Scontrino interrotto dall'operatore"
                                                        : "Comando rifiutato dalla cassa";
    letto.riga = invio.riga;
  }
  if (esito != Esito::InDubbio) return;
  letto.ultimo = UltimoGiunto(invio, righe.back().numero);
  letto.inizioPagamento = invio.quale.inizio;
  if (letto.perche.empty()) {
    letto.perche = std::string("Interrotto durante il pagamento alla riga ") + std::to_string(invio.riga) +
                   ": " + ComeFini(invio.esito) + "; controllare il giornale della cassa";
    letto.riga = invio.riga;
  }
}

Esito ElaboraScontrino(Stato& st, const std::string& percorso, Letto* fuori) {
  st.finestra().nuovoLavoro();
  const InScontrino inScontrino(st, percorso);
  const std::filesystem::path& cartella = inScontrino.cartella;
  std::vector<RigaDelFile> righe;
  std::vector<RigaScontrino> lette;  // the same lines, read once for every attempt
  Letto locale;
  Letto& letto = fuori ? *fuori : locale;
  NuovoScontrino(st);
  if (const std::optional<Esito> e = Leggi(st, percorso, righe, letto)) return *e;
  for (;;) {  // every restart comes back here
    Esito esito = Esito::Fallito;
    letto.perche.clear();  // an earlier attempt's reason is not this one's
    letto.riga = 0;
    Invio invio;
    invio.quale.nome = letto.id->nome;
    TotaleDi(righe, invio.quale.totale, invio.quale.pagamento);
    NuovoScontrino(st);
    try {
      if (!Verifica(st, righe, lette, letto.riga)) return Esito::Incompleto;
      // Room for the payment mark is proven before anything goes to the register.
      try {
        PreparaPagamento(cartella, *letto.id, st.orologio().adesso());
      } catch (const Errore& e) {
        if (e.numero() == err::DiscoPieno) return Esito::DiscoPieno;
        throw;
      }
      switch (Sincronizza(st, invio.esito)) {
        case Sincronia::Interrompi:
          return invio.esito == EsitoComando::SenzaRisposta || !st.porta().aperta() ? Esito::Trattenuto
                                                                                    : Esito::Fallito;
        case Sincronia::Ricomincia:
          continue;
        case Sincronia::Fatta:
          break;
      }
      esito = InviaTutto(st, righe, lette, cartella, *letto.id, invio);
    } catch (const std::exception& ex) {
      letto.perche = ErroreDopo(st, ex);
      esito = EsitoDi({.inPagamento = invio.inPagamento, .eccezione = true});
    }
    st.mbInPagamento = false;
    if (invio.ricomincia) {
      // The operator chose to send the receipt again: its payment starts over.
      if (invio.inPagamento) TogliPagamento(cartella);
      continue;
    }
    if (const Famiglia* f = st.imp.mpFamiglia; f && f->fineScontrino) f->fineScontrino(st);
    DiCome(esito, invio, righe, letto);
    return esito;
  }
}

}  // namespace quimbo
