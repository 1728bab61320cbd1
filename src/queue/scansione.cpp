#include "queue/scansione.h"

#include <algorithm>
#include <optional>

#include "base/chiusura.h"
#include "base/errore.h"
#include "base/percorsi.h"
#include "base/registro.h"
#include "link/comm.h"
#include "queue/coda.h"
#include "queue/conclusione.h"
#include "queue/elenco.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/metriche.h"
#include "queue/ripresa.h"
#include "queue/scontrino.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

constexpr int kGiriSenzaElenco = 15;

// Outcomes older than "GiorniEsiti" go at the first scan and once a day.
void PulisciEsiti(Stato& st, const fs::path& dir) {
  std::optional<double>& ultima = st.coda.esitiPuliti;
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
  if (const auto msg = st.coda.blocco ? std::nullopt : CartellaInaccessibile(cartella(st.imp.msDirPerFile)))
    Avvisa(st, *msg, err::AccessoPercorso, *msg);
  if (!occupata) return st.coda.blocco != nullptr;
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
  if (momento && st.coda.cartellaSenzaScontrini == momento && ++st.coda.giriSenzaElenco < kGiriSenzaElenco)
    return false;
  st.coda.cartellaSenzaScontrini.reset();
  st.coda.giriSenzaElenco = 0;
  std::size_t totale = 0;
  const std::vector<std::string> nomi = ElencaScontrini(dir, kFilePerGiro, &totale);
  st.coda.situazione.inAttesa = static_cast<int>(totale);
  if (nomi.empty()) {
    if (stabile) st.coda.cartellaSenzaScontrini = momento;
    return false;
  }
  std::vector<Identita> inviati =
      InviatiAncoraInCartella(dir, [&](const Identita& id) { return CercaRinominato(dir, id); });
  for (const std::string& nome : nomi) {
    const fs::path percorso = dir / nome;
    const std::optional<Identita> id = IdentitaDi(percorso);
    // Sent before, but not deleted: only the deletion is tried again, once the point
    // of sale has the outcome (a stop may have come between the journal and it).
    if (id && InElenco(*id, false, inviati, st.coda.inviati)) {
      if (!EsitoDopo(dir, nome, id->modifica)) ScriviDestino(st, dir, nome, {});
      if (Elimina(st, percorso)) Dimentica(st, dir, nome, inviati);
      continue;
    }
    // Failed, and could not be set aside: it waits for the operator.
    if (id && InElenco(*id, true, inviati, st.coda.falliti)) continue;
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
    const int comandiPrima = st.link.miComandi();
    const double inizio = st.orologio().secondi();
    {
      CollegamentoOccupato occupato(st);
      esito = ElaboraScontrino(st, percorso.string(), &letto);
    }
    const Scontrino s{
        dir, nome, letto, id, st.link.miComandi() - comandiPrima, st.orologio().secondi() - inizio};
    if (Concludi(st, esito, s, inviati) == Dopo::Ferma) return false;
    // A close that waited for this receipt's payment goes ahead before the next one.
    if (EseguiChiusuraRinviata(st)) return false;
  }
  return totale > nomi.size();
}

}  // namespace

void Timer1_Timer(Stato& st) {
  TimerScansione& timer = st.timer();
  // A button's exchange is under way: this tick does nothing; the next one scans.
  // After the window unloaded nothing scans (nor opens the port again).
  if (st.link.occupato() || st.mbChiuso) return;
  if (st.coda.scansioneFerma || !st.imp.mpFamiglia) {
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
      st.coda.situazione.inAttesa = static_cast<int>(ContaScontrini(cartella(st.imp.msDirPerFile)));
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
      st.coda.scansioneFerma = true;
      ImpostaTesto(st, Campo::TxtMsg,
                   "Scansione degli scontrini fermata: errore n." + std::to_string(e.numero()) + " (" +
                       e.descrizione() + "). Riavviare il programma.");
      return;
    }
  } catch (const std::exception& ex) {
    ScriviErrore(st, err::ChiamataNonValida, ex.what(), "TIMER1");
    st.coda.scansioneFerma = true;
    ImpostaTesto(
        st, Campo::TxtMsg,
        std::string("Scansione degli scontrini fermata: ") + ex.what() + ". Riavviare il programma.");
    return;
  }
  timer.abilita(true);
  if (ancora) timer.subito();
}

}  // namespace quimbo
