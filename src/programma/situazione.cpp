#include "programma/situazione.h"

#include <cstdio>

namespace quimbo {

std::string DescriviSituazione(const Situazione& s) {
  std::string r = ScontriniInAttesa(s.inAttesa);
  if (!s.ultimo.empty()) {
    char ora[16];
    std::snprintf(ora, sizeof ora, "%02d:%02d:%02d", s.quando.ora, s.quando.minuto, s.quando.secondo);
    r += "; ultimo inviato: " + s.ultimo + " alle " + ora;
  }
  if (s.discoPieno) r += "; disco pieno";
  if (s.portaAssente)
    r += "; porta seriale " + s.dispositivo + " non disponibile";
  else
    r += s.cassaMuta ? "; la cassa non risponde" : "; cassa collegata";
  return r;
}

}  // namespace quimbo
