#include "base/percorsi.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace quimbo {

std::filesystem::path cartella(const std::string& msDirPerFile) {
  std::string s = msDirPerFile;
#ifndef _WIN32
  std::replace(s.begin(), s.end(), '\\', '/');
#endif
  return std::filesystem::path(s);
}

std::filesystem::path inCartella(const std::string& msDirPerFile, const std::string& nome) {
  return cartella(msDirPerFile) / nome;
}

bool NomeDiScontrino(const std::string& nome) {
  return nome.size() > 4 && strcasecmp(nome.c_str() + nome.size() - 4, ".sco") == 0;
}

std::string MotivoCartellaMancante(const std::string& dir, Unita unita, const std::string& servizio) {
  const bool lettera = dir.size() >= 2 && dir[1] == ':' && std::isalpha(static_cast<unsigned char>(dir[0]));
  if (servizio.empty() || !lettera || unita != Unita::Nessuna)
    return " inesistente: crearla, o correggere DirPerFile";
  const std::string unitaDi = dir.substr(0, 2);
  return " inesistente per il servizio " + servizio +
         ": un servizio non vede le unit\xe0 di rete collegate dagli "
         "utenti, e " +
         unitaDi +
         " per lui non c'\xe8. Usare in DirPerFile un percorso UNC "
         "(\\\\server\\condivisione\\quimbo) che l'account del computer possa leggere e scrivere, oppure "
         "avviare il servizio come un utente che pu\xf2 (sc config " +
         servizio + " obj= DOMINIO\\utente password= ..., o la console Servizi)";
}

}  // namespace quimbo
