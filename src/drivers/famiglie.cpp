#include "drivers/famiglie.h"

#include "base/testo.h"
#include "drivers/frontiera.h"
#include "drivers/kabel.h"
#include "drivers/olivetti.h"
#include "drivers/vandoni.h"

namespace quimbo {

const Famiglia* FamigliaDi(const std::string& registratore) {
  for (const Famiglia* f : {&kVandoni, &kFrontiera, &kOlivetti, &kKabel})
    if (testo::maiuscole(registratore) == testo::maiuscole(f->nome)) return f;
  return nullptr;
}

}  // namespace quimbo
