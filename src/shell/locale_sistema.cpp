// The decimal separator of the user's numeric locale.

#include <langinfo.h>
#include <locale.h>

#include "shell/sistema.h"
#include "shell/testo.h"

namespace quimbo {

std::string SeparatoreDecimaleAmbiente() {
  // The numeric locale the environment asks for (LC_ALL, LC_NUMERIC, LANG); one
  // that is not installed leaves the C locale's point.
  locale_t loc = newlocale(LC_NUMERIC_MASK, "", nullptr);
  if (loc == nullptr) return ".";
  const std::string sep = testo::daUtf8(nl_langinfo_l(RADIXCHAR, loc));
  freelocale(loc);
  return sep.empty() ? "." : sep;
}

}  // namespace quimbo
