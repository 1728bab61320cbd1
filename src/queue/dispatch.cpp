#include "queue/dispatch.h"

#include "drivers/vandoni.h"

namespace quimbo {

int Trasmetti(Stato& st, const std::string& psCosa) {
  if (eTipo(st, "Vandoni")) return TrasVandoni(st, psCosa);
  if (eTipo(st, "Frontiera")) {
    ImpostaTesto(st, Campo::TxtManda, psCosa);
    return 0;
  }
  return 0;
}

bool DriverDisponibile(const Stato& st) { return eTipo(st, "Vandoni"); }

}  // namespace quimbo
