// Any configuration text reads without a crash, and every value comes back as the
// text after its "=", trimmed of blanks, whatever the case of section and key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/errore.h"
#include "base/util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
  const std::string testo(reinterpret_cast<const char*>(dati), n);
  const auto ini = quimbo::util::FileIni::daTesto(testo);
  for (const char* chiave : {"Registratore", "AttesaTimer", "Ritenta", "Pausa", "Settings", "DirPerFile"}) {
    const std::string v = ini.leggi("Altri parametri", chiave, "\x01predefinito");
    if (v != ini.leggi("ALTRI PARAMETRI", quimbo::util::Sostituisci(chiave, "e", "E"), "\x01predefinito"))
      std::abort();
    try {
      (void)quimbo::util::CIntero(v);
    } catch (const quimbo::Errore& e) {
      if (e.numero() != 6 && e.numero() != 13) std::abort();
    }
    (void)quimbo::util::ValoreIniziale(v);
  }
  return 0;
}
