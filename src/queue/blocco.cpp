#include "queue/blocco.h"

#include "base/util.h"

namespace quimbo {

std::string ContenutoDelBlocco(long pid, const std::string& ini) {
  return std::to_string(pid) + "\n" + ini + "\n";
}

std::string ChiTieneLaCartella(const std::string& contenuto) {
  std::vector<std::string> righe = util::Dividi(contenuto, "\n");
  for (std::string& r : righe)
    if (!r.empty() && r.back() == '\r') r.pop_back();
  std::string chi;
  if (!righe.empty() && !righe[0].empty() && righe[0].find_first_not_of("0123456789") == std::string::npos)
    chi = "PID " + righe[0];
  if (righe.size() > 1 && !righe[1].empty())
    chi += (chi.empty() ? "" : ", ") + std::string("file ini ") + righe[1];
  return chi;
}

}  // namespace quimbo
