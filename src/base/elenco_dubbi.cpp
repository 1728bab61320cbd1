#include "base/elenco_dubbi.h"

namespace quimbo {

void ElencoDubbi::aggiorna() {
  const std::string prima = scelto_ >= 0 ? elenco_[static_cast<std::size_t>(scelto_)].file : "";
  elenco_ = op_.inDubbio();
  scelto_ = elenco_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < elenco_.size(); ++i)
    if (elenco_[i].file == prima) scelto_ = static_cast<int>(i);
}

std::vector<std::string> ElencoDubbi::voci() const {
  std::vector<std::string> r;
  for (const InDubbio& d : elenco_) r.push_back(VoceInDubbio(d));
  return r;
}

std::string ElencoDubbi::dettaglio() const {
  return scelto_ >= 0 ? DescriviInDubbio(elenco_[static_cast<std::size_t>(scelto_)]) : kNessunoInDubbio;
}

void ElencoDubbi::sistema(bool ristampa) {
  if (scelto_ < 0) return;
  // A copy: the operator's question lets events through, and the list may change under it.
  const InDubbio d = elenco_[static_cast<std::size_t>(scelto_)];
  op_.sistema(d, ristampa);
  aggiorna();
}

}  // namespace quimbo
