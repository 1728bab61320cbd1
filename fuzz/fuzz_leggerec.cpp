// Any line must either read into a record whose fields obey the reader's rules
// or fail with one of the reader's numbered errors: never crash, never another
// exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/errore.h"
#include "base/testo.h"
#include "receipt/formato.h"
#include "receipt/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
  const std::string riga(reinterpret_cast<const char*>(dati), n);
  std::string tipo;
  quimbo::Record r;
  try {
    quimbo::LeggeRec(riga, tipo, r);
  } catch (const quimbo::Errore& e) {
    if (e.numero() != 9 && e.numero() != 13 && e.numero() != 6) std::abort();
    return 0;
  }
  if (r.size() < 1 || tipo != riga.substr(0, riga.find('\t'))) std::abort();
  if (quimbo::eTipoRecord(tipo, "00")) {
    if (r.size() < 5) std::abort();
    const auto& descrizione = std::get<std::string>(r[2]);
    for (char c : descrizione)
      if (c != ' ' && !quimbo::testo::carattereDescrizione(c)) std::abort();
    for (int i = 3; i <= 5; ++i) (void)quimbo::StrConZero(r[i]);
    (void)quimbo::FnDT200(quimbo::comeNumero(r[4]));
    (void)quimbo::PulTxt(descrizione, 10);
  } else if (quimbo::eTipoRecord(tipo, "80")) {
    if (r.size() < 6) std::abort();
    for (int i = 3; i <= 6; ++i) (void)quimbo::StrConZero(r[i]);
  }
  return 0;
}
