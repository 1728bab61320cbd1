#include "shell/percorsi.h"

#include <algorithm>

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

}  // namespace quimbo
