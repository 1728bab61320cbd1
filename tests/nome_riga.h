#pragma once
// The name of a row of a parameterised table, as GoogleTest takes it: the row's `nome` (or the row itself
// when it is just text), anything but a letter or a digit made an underscore.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace quimbo {

inline std::string NomeDiRiga(std::string_view nome) {
  std::string r(nome.empty() ? "_" : nome);
  for (char& c : r)
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) c = '_';
  return r;
}

// The name generator of INSTANTIATE_TEST_SUITE_P.
inline constexpr auto PerNome = [](const auto& info) {
  if constexpr (requires { info.param.nome; })
    return NomeDiRiga(info.param.nome);
  else
    return NomeDiRiga(info.param);
};

}  // namespace quimbo

// The rows of a parameterised table, each test named by its row.
#define RIGHE(parte, tabella, ...) \
  INSTANTIATE_TEST_SUITE_P(        \
      parte, tabella, ::testing::ValuesIn(std::vector<tabella::ParamType>{__VA_ARGS__}), ::quimbo::PerNome)
