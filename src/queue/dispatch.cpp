#include "queue/dispatch.h"

#include "drivers/canale.h"
#include "link/famiglia.h"

namespace quimbo {

namespace {

int Driver(Canale& c, const RigaScontrino& riga) {
  const Famiglia* famiglia = c.stato().imp.mpFamiglia;
  return famiglia ? famiglia->traduci(c, riga) : 0;
}

}  // namespace

Comando Trasmetti(Stato& st, const RigaScontrino& riga) {
  Canale c(st);
  const int codice = Driver(c, riga);
  return {c.peggiore(), codice};
}

Comando Trasmetti(Stato& st, const std::string& psCosa) { return Trasmetti(st, LeggiRiga(psCosa)); }

std::vector<std::string> Traduci(Stato& st, const RigaScontrino& riga) {
  std::vector<std::string> comandi;
  Canale c(st, comandi);
  Driver(c, riga);
  return comandi;
}

std::vector<std::string> Traduci(Stato& st, const std::string& psCosa) {
  return Traduci(st, LeggiRiga(psCosa));
}

}  // namespace quimbo
