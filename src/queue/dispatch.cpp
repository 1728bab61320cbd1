#include "queue/dispatch.h"

#include "drivers/canale.h"
#include "link/famiglia.h"
#include "receipt/record.h"

namespace quimbo {

namespace {

int Driver(Canale& c, const std::string& psCosa) {
  const Famiglia* famiglia = c.stato().imp.mpFamiglia;
  return famiglia ? famiglia->traduci(c, LeggiRiga(psCosa)) : 0;
}

}  // namespace

Comando Trasmetti(Stato& st, const std::string& psCosa) {
  Canale c(st);
  const int codice = Driver(c, psCosa);
  return {c.peggiore(), codice};
}

std::vector<std::string> Traduci(Stato& st, const std::string& psCosa) {
  std::vector<std::string> comandi;
  Canale c(st, comandi);
  Driver(c, psCosa);
  return comandi;
}

}  // namespace quimbo
