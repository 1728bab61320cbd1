#include "queue/disco.h"

#include <fstream>
#include <sstream>

#include "base/errore.h"

namespace fs = std::filesystem;

namespace quimbo {

std::string Contenuto(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  std::ostringstream o;
  o << f.rdbuf();
  return o.str();
}

bool TogliSuDisco(const fs::path& file) {
  std::error_code ec;
  const bool tolto = fs::remove(file, ec);
  if (ec) throw erroreDa(ec);
  if (!tolto) return false;
  PassoSuDisco("tolto " + file.filename().string());
  SincronizzaCartella(file.parent_path());
  return true;
}

namespace {
std::function<void(const std::string&)>& Osservatore() {
  static std::function<void(const std::string&)> o;
  return o;
}
}  // namespace

void OsservaDisco(std::function<void(const std::string&)> osservatore) {
  Osservatore() = std::move(osservatore);
}

void RinominatoSuDisco(const fs::path& da, const fs::path& a) {
  PassoSuDisco("nome " + da.filename().string() + " > " + a.filename().string());
  SincronizzaCartella(a.parent_path());
  if (da.parent_path() != a.parent_path()) SincronizzaCartella(da.parent_path());
}

void PassoSuDisco(const std::string& passo) {
  if (Osservatore()) Osservatore()(passo);
}

}  // namespace quimbo
