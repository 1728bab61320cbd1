#include "base/registro.h"

#include <fstream>

#include "base/ore.h"
#include "base/percorsi.h"

namespace quimbo {

std::string RigaErrore(const DataOra& q, int numero, const std::string& descrizione,
                       const std::string& procedura) {
  return "In " + DataOraMeseGiorno(q, '/') + "  si e' verificato l'errore n." + std::to_string(numero) +
         " (" + descrizione + ") in " + procedura;
}

void ScriviErrore(Stato& st, int numero, const std::string& descrizione, const std::string& procedura,
                  Livello livello) {
  // Good news is no error: only errors name their number and procedure.
  Annota(st, livello,
         livello == Livello::Errore
             ? descrizione + " [errore n." + std::to_string(static_cast<int16_t>(numero)) + " in " +
                   procedura + "]"
             : descrizione);
  const std::string riga =
      RigaErrore(st.orologio().adesso(), static_cast<int16_t>(numero), descrizione, procedura) + "\r\n";
  std::ofstream f(inCartella(st.imp.msDirPerFile, "errori.txt"), std::ios::binary | std::ios::app);
  if (!f) return;
  f.write(riga.data(), static_cast<std::streamsize>(riga.size()));
  f.flush();
}

void ScriviErrore(Stato& st, const Errore& e, const std::string& procedura) {
  ScriviErrore(st, e.numero(), e.descrizione(), procedura);
}

}  // namespace quimbo
