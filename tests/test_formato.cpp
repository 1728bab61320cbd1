#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

#include "receipt/formato.h"
#include "numero_errore.h"
#include "shell/errore.h"

using namespace quimbo;

namespace {

struct CasoNumero {
  double valore;
  const char* testo;
};

TEST(StrConZero, Esempi) {
  const CasoNumero casi[] = {
      {12.5, "12.5"},   {0.5, "0.5"},     {-0.25, "-0.25"},  {0, "0"},
      {3, "3"},         {1250, "1250"},   {1.0 / 3, "0.333333333333333"},
      {0.05, "0.05"},   {-1.5, "-1.5"},   {100, "100"},      {-0.0, "0"},
      {-2, "-2"},       {1.1, "1.1"},     {0.1 + 0.2, "0.3"}, {2.0 / 3, "0.666666666666667"},
      {123456.789, "123456.789"},         {-0.005, "-0.005"},  {1e-4, "0.0001"},
      {0.00001, "0.00001"},               {999999999999999, "999999999999999"},
      {1e15, "1000000000000000"},         {1234567890123456789.0, "1234567890123460000"},
      {0.9999999999999999, "1"},          {-0.9999999999999999, "-1"},
      {1e-20, "0.00000000000000000001"},  {10, "10"},  {0.75, "0.75"},
  };
  for (const auto& c : casi) EXPECT_EQ(StrConZero(c.valore), c.testo) << c.valore;
}

TEST(StrConZero, Valori) {
  EXPECT_EQ(StrConZero(Valore{}), "0");
  EXPECT_EQ(StrConZero(Valore{12.5}), "12.5");
  EXPECT_EQ(StrConZero(Valore{int32_t{-7}}), "-7");
  EXPECT_EQ(StrConZero(Valore{std::string("0,5")}), "0.5");
  EXPECT_EQ(StrConZero(Valore{std::string(" 3 ")}), "3");
  EXPECT_EQ(numeroErrore([] { StrConZero(Valore{std::string("PANE")}); }), 13);
}

TEST(StrConZero, NonFinitoEErrore) {
  EXPECT_EQ(numeroErrore([] { StrConZero(std::numeric_limits<double>::infinity()); }), 6);
  EXPECT_EQ(numeroErrore([] { StrConZero(std::nan("")); }), 6);
}

struct Virgola : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(StrConZero, MaiLaVirgolaDelLocale) {
  // A C++ global locale with a decimal comma always; the C locale too when the
  // system has one.
  const std::locale salvatoCpp = std::locale::global(std::locale(std::locale::classic(), new Virgola));
  const char* precedente = std::setlocale(LC_NUMERIC, nullptr);
  const std::string salvatoC = precedente ? precedente : "C";
  if (!std::setlocale(LC_NUMERIC, "it_IT.UTF-8")) std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(StrConZero(12.5), "12.5");
  EXPECT_EQ(StrConZero(-0.25), "-0.25");
  EXPECT_EQ(StrConZero(1250), "1250");
  EXPECT_EQ(StrConZero(1234567.5), "1234567.5");
  std::setlocale(LC_NUMERIC, salvatoC.c_str());
  std::locale::global(salvatoCpp);
}

TEST(FnDT200, Esempi) {
  const CasoNumero casi[] = {
      {12.5, "01021605"}, {3, "03"},           {0.5, "001605"}, {0, "00"},
      {1250, "01020500"}, {-2, "0-02"},        {0.75, "00160705"}, {10, "0100"},
      {-0.25, "0-00160205"},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(FnDT200(c.valore), c.testo) << c.valore;
    EXPECT_EQ(FnDT200(c.valore).size(), 2 * StrConZero(c.valore).size());
  }
}

struct CasoPul {
  std::string testo;
  int16_t lung;
  std::string atteso;
};

TEST(PulTxt, Esempi) {
  const CasoPul casi[] = {
      {"Caff\xE8-Latte", 8, "CAFF  LA"},
      {"ab", 5, "AB   "},
      {"", 3, "   "},
      {"1/2 kg", 6, "1 2 KG"},
      {"Pane", 0, ""},
      {"", 0, ""},
      {"Pane & latte", 12, "PANE   LATTE"},
      {"ABCDEFGHIJKL", 10, "ABCDEFGHIJ"},
      {"\xC8\xE0\xF1\x80\xFF", 5, "     "},
      {"a\tb", 3, "A B"},
      {"x.y,z", 5, "X Y Z"},
  };
  for (const auto& c : casi) EXPECT_EQ(PulTxt(c.testo, c.lung), c.atteso) << c.testo;
}

TEST(PulTxt, LunghezzaNegativaEErrore5) {
  EXPECT_EQ(numeroErrore([] { PulTxt("abc", -1); }), 5);
}

}  // namespace
