// What the program asks of a POSIX system.

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>

#include "base/percorsi.h"
#include "base/sistema.h"
#include "base/testo.h"

namespace quimbo {

std::string MotivoCartellaMancante(const std::string& dir) {
  return MotivoCartellaMancante(dir, Unita::Locale, "");
}

std::string SeparatoreDecimaleAmbiente() {
  // The numeric locale the environment asks for (LC_ALL, LC_NUMERIC, LANG); one
  // that is not installed leaves the C locale's point.
  locale_t loc = newlocale(LC_NUMERIC_MASK, "", nullptr);
  if (loc == nullptr) return ".";
  const std::string sep = testo::daUtf8(nl_langinfo_l(RADIXCHAR, loc));
  freelocale(loc);
  return sep.empty() ? "." : sep;
}

bool DaTerminale() { return ::isatty(STDIN_FILENO) == 1; }

std::tm OraLocale(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::error_condition CondizioneDiSistema(const std::error_code& ec) {
  std::error_condition c = ec.default_error_condition();
  if (c.category() == std::system_category()) c = {c.value(), std::generic_category()};
  if (c == std::error_condition(EDQUOT, std::generic_category())) return std::errc::no_space_on_device;
  return c;
}

}  // namespace quimbo
