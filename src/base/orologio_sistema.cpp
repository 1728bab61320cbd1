#include <chrono>
#include <ctime>
#include <thread>

#include "base/piattaforma.h"
#include "base/sistema.h"

namespace quimbo {

double OrologioSistema::secondi() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

DataOra OrologioSistema::adesso() {
  using namespace std::chrono;
  const auto ora = system_clock::now();
  const std::time_t t = system_clock::to_time_t(ora);
  const std::tm tm = OraLocale(t);
  const auto ms = duration_cast<milliseconds>(ora.time_since_epoch()).count() % 1000;
  return DataOra{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,          tm.tm_hour,
                 tm.tm_min,         tm.tm_sec,     static_cast<int>(ms)};
}

void OrologioSistema::dormi(double s) {
  if (s > 0) std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

}  // namespace quimbo
