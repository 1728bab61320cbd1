#include "queue/metriche.h"

#include <chrono>
#include <filesystem>

#include "base/errore.h"
#include "base/percorsi.h"
#include "base/registro.h"
#include "base/testo.h"
#include "queue/coda.h"
#include "queue/disco.h"
#include "queue/giornale.h"

namespace fs = std::filesystem;

namespace quimbo {

namespace {

// A label's value: UTF-8, with backslash, quote and line break escaped.
std::string Etichetta(const std::string& cp1252) {
  std::string r;
  for (char c : testo::aUtf8(cp1252)) {
    if (c == '\\' || c == '"')
      r += {'\\', c};
    else if (c == '\n')
      r += "\\n";
    else
      r += c;
  }
  return r;
}

std::string Metrica(const char* nome, const char* tipo, const char* aiuto, const std::string& righe) {
  return std::string("# HELP ") + nome + " " + aiuto + "\n# TYPE " + nome + " " + tipo + "\n" + righe;
}

std::string Numero(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.15g", v);
  return b;
}

}  // namespace

std::string TestoMetriche(const Cifre& c) {
  std::string esiti;
  for (const char* e : {"stampato", "messo_da_parte", "in_dubbio"}) {
    const auto it = c.esiti.find(e);
    esiti += std::string("quimbo_scontrini_total{esito=\"") + e + "\"} " +
             std::to_string(it == c.esiti.end() ? 0 : it->second) + "\n";
  }
  auto uno = [](const char* nome, double v) { return std::string(nome) + " " + Numero(v) + "\n"; };
  return Metrica("quimbo_scontrini_total", "counter", "Receipts by outcome since the program started.",
                 esiti) +
         Metrica("quimbo_scontrini_in_attesa", "gauge", "Receipts waiting in the folder.",
                 uno("quimbo_scontrini_in_attesa", c.inAttesa)) +
         Metrica("quimbo_scontrini_in_dubbio", "gauge",
                 "Receipts set aside in doubt, for the operator to settle.",
                 uno("quimbo_scontrini_in_dubbio", c.inDubbio)) +
         Metrica("quimbo_ultima_stampa_timestamp_seconds", "gauge",
                 "When the last receipt was printed (Unix time); 0 before the first.",
                 uno("quimbo_ultima_stampa_timestamp_seconds", c.ultimaStampa.value_or(0))) +
         Metrica("quimbo_cassa_risponde", "gauge", "Whether the register answers (1) or is silent (0).",
                 uno("quimbo_cassa_risponde", c.cassaRisponde)) +
         Metrica("quimbo_disco_pieno", "gauge", "Whether the receipt folder's disk is full (1).",
                 uno("quimbo_disco_pieno", c.discoPieno)) +
         Metrica("quimbo_info", "gauge", "The program's version, register family and configuration file.",
                 "quimbo_info{versione=\"" + Etichetta(c.versione) + "\",famiglia=\"" +
                     Etichetta(c.famiglia) + "\",ini=\"" + Etichetta(c.ini) + "\"} 1\n");
}

void ContaEsito(Stato& st, const std::string& esito) {
  StatoCoda& c = st.coda;
  ++c.esiti[esito];
  if (esito == "stampato")
    c.ultimaStampa =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void AggiornaMetriche(Stato& st) {
  if (st.imp.msMetriche.empty()) return;
  StatoCoda& c = st.coda;
  const double adesso = st.orologio().secondi();
  if (c.metricheScritte && adesso - *c.metricheScritte < 1) return;
  const std::string testo = TestoMetriche({.esiti = c.esiti,
                                           .inAttesa = c.situazione.inAttesa,
                                           .inDubbio = c.situazione.inDubbio,
                                           .ultimaStampa = c.ultimaStampa,
                                           .cassaRisponde = !st.mbCassaMuta,
                                           .discoPieno = c.situazione.discoPieno,
                                           .versione = QUIMBO_VERSIONE,
                                           .famiglia = st.imp.msTipoReg,
                                           .ini = st.imp.msFileIni});
  if (testo == c.metriche) return;
  const fs::path file = cartella(st.imp.msMetriche);
  const fs::path nuovo = file.string() + ".nuovo";
  try {
    ScriviSuDisco(nuovo, testo);
    RinominaSuDisco(nuovo, file);
    c.metriche = testo;
    c.metricheScritte = adesso;
  } catch (const Errore& e) {
    if (c.avvisati.insert("metriche").second)
      ScriviErrore(st, e.numero(),
                   "Metriche non scrivibili in " + file.string() + " (" + e.descrizione() + ")",
                   "TIMER1 (gestito dal programma)");
  }
}

}  // namespace quimbo
