#pragma once
// The list behind "Scontrini in dubbio (N)", laid out and kept once for both windows:
// the list of the receipts in doubt, the chosen one's detail beside it, and the two
// ways to settle it. A window draws what this says and reports the operator's clicks.

#include <string>
#include <vector>

#include "base/disposizione.h"
#include "base/piattaforma.h"

namespace quimbo {

enum class ControlloDubbi { Elenco, Dettaglio, GiaStampato, Ristampa, Chiudi };
enum class GenereDubbi { Lista, Dettaglio, Pulsante };

struct PostoDubbi {
  ControlloDubbi controllo;
  const char* nome;  // for programs that look at the window from outside, and tests
  GenereDubbi genere;
  const char* testo;        // a button's caption (Windows-1252), "&" before its access key
  int sx, su, largo, alto;  // twips, in a client area of kLargoDubbi x kAltoDubbi
};

// In tab order: the list, the detail, the buttons under them.
inline constexpr PostoDubbi kPostiDubbi[] = {
    {ControlloDubbi::Elenco, "Elenco", GenereDubbi::Lista, "", 120, 120, 5010, 5240},
    {ControlloDubbi::Dettaglio, "Dettaglio", GenereDubbi::Dettaglio, "", 5250, 120, 5130, 5240},
    {ControlloDubbi::GiaStampato, "GiaStampato", GenereDubbi::Pulsante, kPulsanteGiaStampato, 120, 5480, 1800,
     400},
    {ControlloDubbi::Ristampa, "Ristampa", GenereDubbi::Pulsante, kPulsanteRistampa, 2040, 5480, 1500, 400},
    {ControlloDubbi::Chiudi, "Chiudi", GenereDubbi::Pulsante, kPulsanteChiudi, 8880, 5480, 1500, 400},
};

class ElencoDubbi {
 public:
  explicit ElencoDubbi(Operatore& op) : op_(op) { aggiorna(); }

  // The folder read again, the same receipt chosen where it still is (the first when
  // it is gone).
  void aggiorna();
  // The list's rows, in order (Windows-1252).
  std::vector<std::string> voci() const;
  // The row chosen; -1 for none (an empty list).
  int scelto() const { return scelto_; }
  // The operator chose another row (one out of the list chooses none).
  void scegli(int riga) {
    scelto_ = riga >= 0 && static_cast<std::size_t>(riga) < elenco_.size() ? riga : -1;
  }
  // The chosen receipt's detail, or that there is none.
  std::string dettaglio() const;
  // A receipt is chosen: the two buttons are enabled.
  bool sistemabile() const { return scelto_ >= 0; }
  // The operator clicked one of them: the chosen receipt settled as the program's
  // interface asks, then the list read again.
  void sistema(bool ristampa);

 private:
  Operatore& op_;
  std::vector<InDubbio> elenco_;
  int scelto_ = -1;
};

}  // namespace quimbo
