// Any receipt file, read with any "Codifica" and translated by any family's driver
// with nothing sent, either gives its commands or fails with a numbered error:
// never a crash, never another exception. The first byte picks family and coding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/errore.h"
#include "base/testo.h"
#include "link/kabel.h"
#include "piattaforma_muta.h"
#include "queue/dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
  if (n == 0) return 0;
  const char* const codifiche[] = {"auto", "utf-8", "windows-1252"};
  quimbo::fuzz::Banco b(quimbo::fuzz::kFamiglie[dati[0] % 4]);
  const std::string testo = quimbo::testo::testoScontrino(
      std::string_view(reinterpret_cast<const char*>(dati) + 1, n - 1), codifiche[(dati[0] / 4) % 3]);
  for (size_t i = 0; i < testo.size();) {
    size_t fine = testo.find_first_of("\r\n", i);
    if (fine == std::string::npos) fine = testo.size();
    const std::string riga = quimbo::testo::senzaSpazi(testo.substr(i, fine - i));
    i = fine + 1;
    if (riga.empty()) continue;
    try {
      for (const std::string& comando : quimbo::Traduci(b.st, riga))
        if (comando.size() > 4096) std::abort();  // a command grows with its line, never beyond
    } catch (const quimbo::Errore& e) {
      if (e.numero() != 5 && e.numero() != 6 && e.numero() != 9 && e.numero() != 13) std::abort();
    }
  }
  // Translating changes no flag.
  const auto* kabel = dynamic_cast<const quimbo::StatoKabel*>(b.st.mpStatoFamiglia.get());
  if ((kabel && kabel->mbKabelConf) || b.st.link.mbErrTx()) std::abort();
  return 0;
}
