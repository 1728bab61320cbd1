#pragma once
// Parameterised tables: each test is named by its row's `nome` (or by the row itself when it is just text),
// anything but a letter or a digit made an underscore, as GoogleTest wants.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace quimbo {

inline constexpr auto PerNome = [](const auto& info) {
  std::string r;
  if constexpr (requires { info.param.nome; })
    r = info.param.nome;
  else
    r = info.param;
  for (char& c : r)
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) c = '_';
  return r.empty() ? std::string("_") : r;
};

}  // namespace quimbo

// A row prints as its name in GoogleTest's messages: PrintTo is found next to the row's type, in each
// namespace the tables live in.
#define QUIMBO_STAMPA_RIGHE                 \
  template <class T>                        \
  requires requires(const T& t) { t.nome; } \
  void PrintTo(const T& riga, std::ostream* os) { *os << riga.nome; }
QUIMBO_STAMPA_RIGHE
namespace {
QUIMBO_STAMPA_RIGHE
}  // namespace
namespace quimbo::prova {
namespace {
QUIMBO_STAMPA_RIGHE
}  // namespace
}  // namespace quimbo::prova
namespace quimbo::prova_qt {
namespace {
QUIMBO_STAMPA_RIGHE
}  // namespace
}  // namespace quimbo::prova_qt

// The rows of the table `tabella` of the part of the program `parte`.
#define RIGHE(parte, tabella, ...) \
  INSTANTIATE_TEST_SUITE_P(        \
      parte, tabella, ::testing::ValuesIn(std::vector<tabella::ParamType>{__VA_ARGS__}), ::quimbo::PerNome)
