#include "link/kabel.h"

#include <functional>

#include "link/caratteri.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/scrittura.h"

namespace quimbo {

namespace {

// A Kabel wait ends at "Pausa" seconds when that is set; otherwise only the
// register's sign (or "TempoMaxRisposta", reported here as no answer) ends it.
EsitoAttesa AttendiKabel(Stato& st, const std::function<bool()>& fatto) {
  const bool conPausa = st.imp.mdPausa > 0;
  const EsitoAttesa esito = AttendiCassa(st, fatto, conPausa ? st.imp.mdPausa : st.imp.mdTempoMaxRisposta);
  if (esito == EsitoAttesa::PortaChiusa) throw Errore(err::PortaNonAperta);
  if (esito == EsitoAttesa::Scaduto && !conPausa) NessunaRisposta(st, "InviaCar");
  return esito;
}

}  // namespace

int InviaKabel(Stato& st, const std::string& psCar, bool) {
  StatoKabel& k = StatoProprio<StatoKabel>(st);
  if (AttendiKabel(st, [&] { return !k.mbKabelStato; }) == EsitoAttesa::Scaduto && st.imp.mdPausa <= 0)
    return kContinua;
  st.porta().output(msSTX + psCar + msETX);
  ImpostaTesto(st, Campo::TxtRit, "");
  // Every command gets one status section; those dropped here still count as answers.
  ++k.miKabelInAttesa;
  const std::string scartato = st.porta().input();
  Link(st).mlRicevuti += static_cast<long>(scartato.size());
  for (char c : scartato)
    if (c == msDC4 && k.miKabelInAttesa > 0) --k.miKabelInAttesa;
  Link(st).mbAttesa = true;
  Link(st).mbConfermato = AttendiKabel(st, [&] { return !Link(st).mbAttesa; }) == EsitoAttesa::Fatto;
  return kContinua;
}

void RicezioneKabel(Stato& st, const std::string& ricevuto) {
  StatoKabel& k = StatoProprio<StatoKabel>(st);
  for (char c : ricevuto) {
    if (c == msDC3) {
      k.mbKabelStato = true;
    } else if (c == msDC4) {
      k.mbKabelStato = false;
      if (k.miKabelInAttesa > 0) --k.miKabelInAttesa;
    } else if (k.mbKabelStato) {
      AggiungiTesto(st, Campo::TxtRit, std::string(1, c));
      if (c == 'z' || c == 'Z') {
        st.orologio().dormi(st.imp.mdPausaReady);
        Link(st).mbAttesa = false;
      }
    }
  }
}

void QuietaKabel(Stato& st, const std::string&) {
  StatoKabel& k = StatoProprio<StatoKabel>(st);
  k.mbKabelStato = false;
  k.miKabelInAttesa = 0;
}

void NuovoScontrinoKabel(Stato& st) { StatoProprio<StatoKabel>(st).miKabelInAttesa = 0; }

int KabelInSospeso(const Stato& st) { return StatoProprio<StatoKabel>(st).miKabelInAttesa; }

}  // namespace quimbo
