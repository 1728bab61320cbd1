#include "base/stato.h"

#include "base/ore.h"
#include "base/sistema.h"
#include "base/util.h"

namespace quimbo {

static std::string* copiaDi(Stato& st, Campo campo) {
  switch (campo) {
    case Campo::TxtManda:
      return &st.TxtManda;
    case Campo::TxtRit:
      return &st.TxtRit;
    case Campo::TxtMsg:
      return &st.TxtMsg;
    case Campo::txtTipo:
      return &st.txtTipo;
    case Campo::Caption:
      return nullptr;
  }
  return nullptr;
}

void ImpostaTesto(Stato& st, Campo campo, const std::string& testo) {
  if (std::string* c = copiaDi(st, campo)) *c = testo;
  st.finestra().scrivi(campo, testo);
}

void AggiungiTesto(Stato& st, Campo campo, const std::string& testo) {
  std::string* c = copiaDi(st, campo);
  if (!c) return;
  *c += testo;
  st.finestra().scrivi(campo, *c);
}

void Annota(Stato& st, Livello livello, const std::string& riga) { st.finestra().annota(livello, riga); }

std::string ScontriniInAttesa(int n) {
  return n == 1 ? "1 scontrino in attesa" : std::to_string(n) + " scontrini in attesa";
}

std::string DescriviSituazione(const Situazione& s) {
  std::string r = ScontriniInAttesa(s.inAttesa);
  if (!s.ultimo.empty()) {
    r += "; ultimo inviato: " + s.ultimo + " alle " + OraDelGiorno(s.quando);
  }
  if (s.inDubbio > 0)
    r += s.inDubbio == 1 ? "; 1 scontrino in dubbio"
                         : "; " + std::to_string(s.inDubbio) + " scontrini in dubbio";
  if (s.discoPieno) r += "; disco pieno";
  if (s.portaAssente)
    r += "; porta seriale " + s.dispositivo + " non disponibile";
  else
    r += s.cassaMuta ? "; la cassa non risponde" : "; cassa collegata";
  return r;
}

namespace {
std::string ONulla(const std::string& s) { return s.empty() ? "?" : s; }
}  // namespace

std::string QuandoPagato(const InDubbio& d) {
  return d.inizio ? "pagamento iniziato il " + TestoOra(*d.inizio)
                  : std::string("ora del pagamento sconosciuta");
}

std::string QualeScontrino(const InDubbio& d) {
  return "lo scontrino " + d.nome + ", " + QuandoPagato(d) + ", totale " + ONulla(d.totale) + " (" +
         ONulla(d.pagamento) + ")";
}

std::string VoceInDubbio(const InDubbio& d) {
  return d.nome + "  " + QuandoPagato(d) + "  totale " + ONulla(d.totale) + " (" + ONulla(d.pagamento) +
         ")  " + std::to_string(d.righe.size()) + " righe";
}

std::string DescriviInDubbio(const InDubbio& d) {
  std::string r = "Scontrino " + d.nome + ", " + QuandoPagato(d) + "\nTotale " + ONulla(d.totale) +
                  ", pagamento " + ONulla(d.pagamento) + "\n";
  if (!d.ultimo.empty()) r += "Alla cassa: " + d.ultimo + "\n";
  if (!d.motivo.empty()) r += d.motivo + "\n";
  r += "Conservato come scartati/" + d.file + "\n\nRighe:\n";
  for (const std::string& riga : d.righe) r += riga + "\n";
  return r;
}

std::string dispositivoPorta(const Stato& st) {
  if (!st.imp.msDispositivo.empty()) return st.imp.msDispositivo;
  return DispositivoDelNumero(util::ArrotondaIntero(util::ValoreIniziale(st.imp.msCommPort), -32768, 32767));
}

}  // namespace quimbo
