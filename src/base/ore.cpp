#include "base/ore.h"

#include <cstdio>

namespace quimbo {

std::string TestoOra(const DataOra& d) {
  char b[32];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", d.anno, d.mese, d.giorno, d.ora, d.minuto,
                d.secondo);
  return b;
}

std::string TestoOra(const std::optional<DataOra>& d) { return d ? TestoOra(*d) : "?"; }

std::optional<DataOra> DaTestoOra(const std::string& testo) {
  DataOra d;
  if (std::sscanf(testo.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &d.anno, &d.mese, &d.giorno, &d.ora, &d.minuto,
                  &d.secondo) != 6)
    return std::nullopt;
  return d;
}

std::string OraDelGiorno(const DataOra& d) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", d.ora, d.minuto, d.secondo);
  return b;
}

std::string OraDelLog(const DataOra& d) {
  char b[32];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d.%03d ", d.ora, d.minuto, d.secondo, d.millisecondo);
  return b;
}

std::string DataOraMeseGiorno(const DataOra& d, char separatore) {
  char b[32];
  std::snprintf(b, sizeof b, "%02d%c%02d%c%04d %02d:%02d:%02d", d.mese, separatore, d.giorno, separatore,
                d.anno, d.ora, d.minuto, d.secondo);
  return b;
}

std::string StampaArchivio(const DataOra& d) {
  char b[32];
  std::snprintf(b, sizeof b, "%04d%02d%02d-%02d%02d%02d", d.anno, d.mese, d.giorno, d.ora, d.minuto,
                d.secondo);
  return b;
}

std::optional<DataOra> DaStampaArchivio(const std::string& testo) {
  if (testo.size() < 15 || (testo.size() > 15 && testo[15] != '_' && testo[15] != '.')) return std::nullopt;
  for (std::size_t i = 0; i < 15; ++i)
    if (i == 8 ? testo[i] != '-' : testo[i] < '0' || testo[i] > '9') return std::nullopt;
  const auto n = [&](std::size_t da, std::size_t quanti) { return std::stoi(testo.substr(da, quanti)); };
  DataOra d{.anno = n(0, 4),
            .mese = n(4, 2),
            .giorno = n(6, 2),
            .ora = n(9, 2),
            .minuto = n(11, 2),
            .secondo = n(13, 2)};
  if (d.mese < 1 || d.mese > 12 || d.giorno < 1 || d.giorno > 31 || d.ora > 23 || d.minuto > 59 ||
      d.secondo > 60)
    return std::nullopt;
  return d;
}

}  // namespace quimbo
