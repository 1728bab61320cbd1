#include "link/olivetti.h"

#include <cstdio>

#include "base/errore.h"
#include "base/registro.h"
#include "link/caratteri.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/scrittura.h"

namespace quimbo {

namespace {
constexpr double kFinestraRisposta = 2.0;  // seconds the register has to answer
constexpr int kControlliRisposta = 5;
constexpr int kInviiOlivetti = 10;
}  // namespace

std::string AggCarContr(const std::string& psStr) {
  if (psStr.size() > 223) throw Errore(err::ChiamataNonValida);
  return std::string(1, static_cast<char>(psStr.size() + 32)) + psStr;
}

std::string ctr(const std::string& psAppo) {
  int32_t somma = 0;
  for (unsigned char c : psAppo) somma += c;
  char esa[16];
  std::snprintf(esa, sizeof esa, "%X", static_cast<unsigned>(somma));
  const std::string t = "0000" + std::string(esa);
  return t.substr(t.size() - 4);
}

Comando OlivSpedComando(Stato& st, const std::string& psAp, bool pvScontrino) {
  return InviaComando(st, msSTX + psAp + ctr(psAp) + msETX, pvScontrino);
}

int OlivSpedStr(Stato& st, const std::string& psAp, bool pvScontrino) {
  return OlivSpedComando(st, psAp, pvScontrino).codice;
}

void OliScartaRisposte(Stato& st) {
  if (!eTipoRisposta(st)) return;
  st.porta().scarta();
  QuietaOlivetti(st, "");
}

void OliInviaStr(Stato& st, const std::string& pStringa) {
  Orologio& orologio = st.orologio();
  Porta& porta = st.porta();
  orologio.dormi(st.imp.mdPausa);
  const size_t n = pStringa.size() / 10;
  for (size_t i = 0; i < n; ++i) {
    orologio.dormi(st.imp.mdPausa);
    porta.output(std::string_view(pStringa).substr(i * 10, 10));
  }
  if (n == 0)
    porta.output(pStringa);
  else if (pStringa.size() > 10 * n)
    porta.output(std::string_view(pStringa).substr(10 * n));
}

std::string OliRispReg(Stato& st) {
  Orologio& orologio = st.orologio();
  Porta& porta = st.porta();
  StatoOlivetti& o = StatoProprio<StatoOlivetti>(st);
  const double fine = orologio.secondi() + kFinestraRisposta;
  for (;;) {
    if (!porta.aperta()) return {};
    const std::string arrivato = porta.input();
    Link(st).mlRicevuti += static_cast<long>(arrivato.size());
    o.msOliBuffer += arrivato;
    if (!o.mbOliStx) {
      if (o.msOliBuffer == std::string(1, msACK)) {
        OliInviaStr(st, std::string(1, msACK));
        o.msOliBuffer.clear();
      }
      const size_t stx = o.msOliBuffer.find(msSTX);
      if (stx != std::string::npos) {
        o.msOliBuffer.erase(0, stx);
        o.mbOliStx = true;
      }
    }
    if (o.mbOliStx) {
      const size_t etx = o.msOliBuffer.find(msETX);
      if (etx != std::string::npos) {
        std::string risposta = o.msOliBuffer.substr(0, etx + 1);
        o.msOliBuffer.erase(0, etx + 1);
        o.mbOliStx = false;
        return risposta;
      }
    }
    const double resta = fine - orologio.secondi();
    if (resta <= 0) return {};
    porta.attendiDati(resta);
  }
}

bool OliControlloOk(Stato& st, const std::string& psCom) {
  if (!eTipoRisposta(st)) return true;
  for (int i = 0; i < kControlliRisposta; ++i) {
    const std::string risposta = OliRispReg(st);
    if (risposta.empty()) {
      // Silence counts as acceptance (a bare test text gets no answer), but not
      // on a line that is gone.
      Link(st).mbConfermato = st.porta().aperta();
      return true;
    }
    OliInviaStr(st, std::string(1, msACK));
    if (risposta.size() >= 8 && risposta[6] == '!' && risposta[7] == '0') {
      Link(st).mbConfermato = true;
      return true;
    }
    // Sent again exactly as first written: wrapping a ready frame in a second
    // frame would give the register a command it cannot read.
    OliScartaRisposte(st);
    OliInviaStr(st, psCom);
  }
  return false;
}

int InviaOlivetti(Stato& st, const std::string& psCar, bool) {
  const long prima = Link(st).mlRicevuti;
  bool accettato = false;
  for (int tentativo = 0; !accettato && tentativo < kInviiOlivetti; ++tentativo) {
    OliScartaRisposte(st);
    OliInviaStr(st, psCar);
    accettato = !eTipoRisposta(st) || OliControlloOk(st, psCar);
  }
  if (!eTipoRisposta(st)) Link(st).mbConfermato = true;
  // Silence is taken for acceptance (a bare test text gets no answer), but a command
  // of a receipt that got not even an ACK went to a register that is switched off:
  // taken for printed, the receipt would be deleted unprinted.
  if (st.mbInScontrino && eTipoRisposta(st) && Link(st).mlRicevuti == prima && st.porta().aperta()) {
    NessunaRisposta(st, "InviaCar");
    return kContinua;
  }
  if (!accettato) {
    // A command the register never accepted is no success: the receipt's caller
    // must hear of it.
    Link(st).mbErrTx = true;
    SegnaEsito(st, EsitoComando::Rifiutato);
    ImpostaTesto(st, Campo::TxtMsg, "Comando non accettato dalla cassa");
    ScriviErrore(st, err::ErroreIO, "Comando non accettato dalla cassa", "InviaCar");
  }
  return kContinua;
}

void RicezioneOlivetti(Stato& st, const std::string& ricevuto) {
  if (eTipoRisposta(st))
    RispostaRicevuta(st, ricevuto);  // answers read as the Vandoni ones
  else
    StatoProprio<StatoOlivetti>(st).msOliBuffer += ricevuto;
}

void QuietaOlivetti(Stato& st, const std::string&) {
  StatoOlivetti& o = StatoProprio<StatoOlivetti>(st);
  o.msOliBuffer.clear();
  o.mbOliStx = false;
}

// Whatever an earlier receipt left half read goes before the "1322".
Sincronia SincronizzaOlivetti(Stato& st, EsitoComando& esito) {
  QuietaOlivetti(st, "");
  const Comando r = OlivSpedComando(st, AggCarContr("1322"), true);
  if (r.codice == kInterrompi) return Sincronia::Interrompi;
  esito = r.esito;
  return Sincronia::Fatta;
}

}  // namespace quimbo
