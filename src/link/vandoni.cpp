#include "link/vandoni.h"

#include "base/errore.h"
#include "base/registro.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/scrittura.h"

namespace quimbo {

std::string TramaVandoni(int16_t progr, const std::string& dati) {
  if (dati.size() > 219) throw Errore(err::ChiamataNonValida);
  std::string trama;
  trama.reserve(dati.size() + 5);
  trama += '\x02';
  trama += static_cast<char>(progr);
  trama += static_cast<char>(dati.size() + 36);
  trama += dati;
  trama += '\x03';
  int somma = 0;
  for (unsigned char c : trama) {
    somma += c;
    if (somma > 32767) throw Errore(err::Overflow);
  }
  trama += static_cast<char>(somma % 128);
  return trama;
}

std::optional<int16_t> f_trasmreg(Stato& st, const std::string& psDati) {
  StatoVandoni& v = StatoProprio<StatoVandoni>(st);
  try {
    v.msUltimaTrama = TramaVandoni(v.miProgr, psDati);
    ImpostaTesto(st, Campo::TxtManda, v.msUltimaTrama + "   ," + std::to_string(v.miProgr));
    ImpostaTesto(st, Campo::TxtRit, "");
    // Answers to earlier frames are dropped, also those the driver still holds:
    // one taken for this frame's answer would shift every answer after it by one.
    st.porta().scarta();
    Link(st).mbAttesa = true;
    st.porta().output(v.msUltimaTrama);
    v.miProgr = static_cast<int16_t>(v.miProgr + 1 >= 127 ? 32 : v.miProgr + 1);
    switch (AttendiCassa(
        st, [&] { return !Link(st).mbAttesa; }, st.imp.mdTempoMaxRisposta)) {
      case EsitoAttesa::Fatto:
        return v.miRisposta;
      case EsitoAttesa::PortaChiusa:
        break;  // the loss is logged where it was seen
      case EsitoAttesa::Scaduto:
        NessunaRisposta(st, "f_trasmreg");
        return std::nullopt;
    }
  } catch (const Errore& e) {
    if (!PortaPersa(st, e)) ScriviErrore(st, e, "f_trasmreg");
  }
  // A frame that never reached the register, or was never answered, must not
  // pass for an accepted one.
  Link(st).mbAttesa = false;
  Link(st).mbErrTx = true;
  SegnaEsito(st, st.porta().aperta() ? EsitoComando::Rifiutato : EsitoComando::LineaPersa);
  return std::nullopt;
}

int InviaVandoni(Stato& st, const std::string& psCar, bool pvScontrino) {
  // Fewer than one attempt would never ask the operator and resend forever.
  const int ritenta = st.imp.miRitenta < 1 ? 1 : st.imp.miRitenta;
  int tentativo = 1;
  for (;;) {
    const std::optional<int16_t> codice = f_trasmreg(st, psCar);
    if (!codice || *codice != 21) {
      Link(st).mbConfermato = codice.has_value();
      return kContinua;
    }
    if (tentativo != ritenta) {
      ++tentativo;
      continue;
    }
    // An unlock started here never starts another one from inside itself.
    if (Link(st).miSbloccoInCorso == 0) {
      ++Link(st).miSbloccoInCorso;
      try {
        SbloccaVandoni(st);
      } catch (...) {
        --Link(st).miSbloccoInCorso;
        throw;
      }
      --Link(st).miSbloccoInCorso;
    }
    const std::string prima = "Verificati " + std::to_string(ritenta) + " errori in trasmissione";
    Risposta r;
    if (pvScontrino) {
      r = st.finestra().chiedi("",
                               prima +
                                   "\r\nRiprovo a trasmettere la sola riga (scelta SI)\r\n"
                                   "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\n"
                                   "Interrompo trasmissione dello scontrino",
                               Icona::Domanda, Pulsanti::SiNoAnnulla);
    } else {
      r = st.finestra().chiedi("", prima + "\r\nRiprovo a trasmettere", Icona::Domanda, Pulsanti::SiNo);
    }
    if (r == Risposta::Si) {
      tentativo = 1;
      continue;
    }
    return r == Risposta::No ? kRipetiScontrino : kInterrompi;
  }
}

void RicezioneVandoni(Stato& st, const std::string& ricevuto) {
  StatoProprio<StatoVandoni>(st).miRisposta = RispostaRicevuta(st, ricevuto);
}

namespace {

const char* const kDomandaSincronizzazione =
    "Problemi di sincronizzazione con la cassa.\r\nRiprovo a sincronizzare ? ";

}  // namespace

// Two "415": the first may be refused (a receipt the register still holds open), the
// second must be taken. A silence is not forgiven: its answer may still be on the way.
// The operator's No asks for the receipt from its start, which it is about to be.
Sincronia SincronizzaVandoni(Stato& st, EsitoComando& esito) {
  const Comando primo = InviaComando(st, "415", true);
  esito = primo.esito == EsitoComando::SenzaRisposta ? primo.esito : EsitoComando::Accettato;
  if (primo.codice == kInterrompi) return Sincronia::Interrompi;
  Link(st).mbErrTx = false;
  const Comando secondo = InviaComando(st, "415", true);
  if (secondo.codice == kInterrompi) return Sincronia::Interrompi;
  if (secondo.codice == kRipetiScontrino || Passato(secondo.esito)) return Sincronia::Fatta;
  esito = Peggiore(esito, secondo.esito);
  if (esito != EsitoComando::Rifiutato) return Sincronia::Interrompi;
  return st.finestra().chiedi("Problemi di trasmissione", kDomandaSincronizzazione, Icona::Domanda,
                              Pulsanti::OkAnnulla) == Risposta::Ok
             ? Sincronia::Ricomincia
             : Sincronia::Interrompi;
}

bool SbloccaVandoni(Stato& st) {
  Link(st).mbErrTx = false;
  Comando r = InviaComando(st, "497", false);
  bool accettato = r.esito == EsitoComando::Accettato;
  if (r.codice > 0) return false;
  Link(st).mbErrTx = false;
  r = InviaComando(st, "497", false);
  accettato = accettato && r.esito == EsitoComando::Accettato;
  if (r.codice <= 0) Link(st).mbErrTx = false;
  return accettato;
}

}  // namespace quimbo
