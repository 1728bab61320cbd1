// Any bytes from the register, handed to the receive handler of any family and to
// the Olivetti answer reader, leave the link in a sound state: no crash, no
// exception, no wait left pending on the Kabel status or the Olivetti frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/piattaforma.h"
#include "link/comm.h"
#include "link/olivetti.h"
#include "link/scrittura.h"
#include "piattaforma_muta.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
  if (n == 0) return 0;
  quimbo::fuzz::Banco b(quimbo::fuzz::kFamiglie[dati[0] % 4]);
  const std::string byte(reinterpret_cast<const char*>(dati) + 1, n - 1);
  // Half of it while a command waits for its answer, the rest afterwards.
  quimbo::Link(b.st).mbAttesa = true;
  b.porta.arrivo = byte.substr(0, byte.size() / 2);
  quimbo::Comm1_OnComm(b.st, quimbo::evento::Receive);
  b.porta.arrivo = byte.substr(byte.size() / 2);
  quimbo::Comm1_OnComm(b.st, quimbo::evento::Receive);

  quimbo::fuzz::Banco o("Olivetti");
  o.porta.arrivo = byte;
  const std::string risposta = quimbo::OliRispReg(o.st);
  if (!risposta.empty() && (risposta.front() != '\x02' || risposta.back() != '\x03')) std::abort();
  if (risposta.size() > byte.size()) std::abort();
  return 0;
}
