#pragma once
// Where a driver's commands go. Every line of a receipt is first translated with
// nothing sent, so that a line that cannot be read or translated fails the
// receipt before the register has seen any of it; then each line is translated
// again and sent for real.

#include <cstdint>
#include <string>
#include <vector>

#include "base/stato.h"
#include "link/invio.h"

namespace quimbo {

class Canale {
 public:
  // The register, through InviaCar (and the Olivetti framing).
  explicit Canale(Stato& st) : st_(st) {}
  // Nowhere: each command is only appended to `tradotti`, nothing on the display,
  // the flags or the settings changes, and every send counts as accepted.
  Canale(Stato& st, std::vector<std::string>& tradotti) : st_(st), tradotti_(&tradotti) {}

  bool reale() const { return tradotti_ == nullptr; }
  const Stato& stato() const { return st_; }
  Stato& stato() { return st_; }

  // One command of a receipt; the result of the send as a 16-bit integer.
  int invia(const std::string& comando);
  // One Olivetti command body, framed by OlivSpedStr (kept unframed when translating).
  int inviaOlivetti(const std::string& corpo);

  // A record's commands go one after the other until a send returns a positive
  // result (the operator's choice): these say false from then on, and `esito()`
  // holds that result for the dispatcher.
  bool prosegui(const std::string& comando) { return tieni(invia(comando)); }
  bool proseguiOlivetti(const std::string& corpo) { return tieni(inviaOlivetti(corpo)); }
  int esito() const { return esito_; }
  // The worst that happened to the commands sent so far (Accettato when none was).
  EsitoComando peggiore() const { return peggiore_; }
  // A display change that belongs to sending, not to translating.
  void mostra(Campo campo, const std::string& testo);

 private:
  Stato& st_;
  int registra(const Comando& c) {
    peggiore_ = Peggiore(peggiore_, c.esito);
    return c.codice;
  }
  bool tieni(int risultato) {
    esito_ = risultato > 0 ? risultato : 0;
    return risultato <= 0;
  }

  std::vector<std::string>* tradotti_ = nullptr;
  int esito_ = 0;
  EsitoComando peggiore_ = EsitoComando::Accettato;
};

// A payment letter for which the family has no command is bad input (error 5):
// sent on, it would repeat the previous command or send an amount without its code.
[[noreturn]] void LetteraNonValida(const std::string& lettera);

// The first n characters of s followed by blanks up to n; a negative n is error 5.
std::string Colonna(const std::string& s, int n);

// The quantity followed by its sign ("*", "x"), with the decimal separator of
// "SepDecimaliQta"; empty for a quantity of one, which is not sent.
std::string ParteQuantita(const Stato& st, double quantita, const char* segno);

}  // namespace quimbo
