#include "queue/dispatch.h"

#include "drivers/frontiera.h"
#include "drivers/kabel.h"
#include "drivers/olivetti.h"
#include "drivers/vandoni.h"

namespace quimbo {

namespace {

int Driver(Canale& c, const std::string& psCosa) {
  switch (c.stato().meFamiglia) {
    case Famiglia::Vandoni:
      return TrasVandoni(c, psCosa);
    case Famiglia::Frontiera:
      c.mostra(Campo::TxtManda, psCosa);  // the operator sees the record being translated
      return TrasFrontiera(c, psCosa);
    case Famiglia::Olivetti:
      return TrasOlivetti(c, psCosa);
    case Famiglia::Kabel:
      return TrasKabel(c, psCosa);
    case Famiglia::Sconosciuta:
      break;
  }
  return 0;
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
