#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>
#include <tuple>
#include <vector>

#include "numero_errore.h"
#include "receipt/formato.h"
#include "receipt/record.h"

using namespace quimbo;
using std::make_tuple;
using Testi = std::vector<std::string>;

namespace {

// Expected element: empty, text, integer or double.
Valore T(const char* s) { return std::string(s); }
Valore I(int32_t i) { return i; }
Valore D(double d) { return d; }
const Valore V{};

// One record is reused, line after line: every read rebuilds it whole, longer or shorter.
TEST(LeggeRec, RigheLetteUnaDopoLAltra) {
  const std::pair<std::string, std::vector<Valore>> casi[] = {
      {"00\tPane & latte\t2\t1.5", {T("00"), T("PANE   LATTE"), D(2), D(1.5), I(0)}},
      {"00\tcaff\xE8 1/2 kg.\t1\t3,20\t4", {T("00"), T("CAFF\xC8 1/2 KG "), D(1), D(3.2), D(4)}},
      {"00\tPi\361a-Colada, d'oro 30% \x80!\t1\t-2",
       {T("00"), T("PI\321A COLADA  D ORO 30    "), D(1), D(-2), I(0)}},
      {"00\t Pane\t 2 \t 1,5 \t", {T("00"), T(" PANE"), D(2), D(1.5), D(0)}},
      {"00\tA\t1\t2\t3\tx\ty", {T("00"), T("A"), D(1), D(2), D(3), V, V}},
      {"80\tc\t10\t0\t0", {T("80"), T("c"), D(10), D(0), D(0), I(0)}},
      {"80\tA\t100,50\t5\t20\t200", {T("80"), T("A"), D(100.5), D(5), D(20), D(200)}},
      {"ls\tABC12345", {T("ls"), T("ABC12345")}},
      {"10\tINTESTAZIONE\tx", {T("10"), T("INTESTAZIONE"), V}},
      {"99\ta\tb", {T("99"), V, V}},
      {"99", {T("99")}},
  };
  std::string tipo;
  Record r;
  for (const auto& [riga, elementi] : casi) {
    LeggeRec(riga, tipo, r);
    EXPECT_EQ(tipo, riga.substr(0, 2)) << riga;
    ASSERT_EQ(r.size(), static_cast<int>(elementi.size())) << riga;
    for (int i = 1; i <= r.size(); ++i) EXPECT_EQ(r[i], elementi[i - 1u]) << riga << " elemento " << i;
  }
}

// Missing fields are error 9, after the type was read; a field that is no number is error 13.
TEST(LeggeRec, CampiMancanti9NumeriNonValidi13) {
  const std::pair<int, Testi> casi[] = {
      {9, {"00", "00\tPane\t2", "10", "Ls", "80\tC\t1\t0"}},
      {13, {"00\tPane\tdue\t1.5", "00\tPane\t2\t1.5\tx", "80\tC\tdieci\t0\t0", "80\tC\t10\t0\t0\t1.2.3"}}};
  for (const auto& [errore, righe] : casi)
    for (const std::string& riga : righe) {
      std::string tipo;
      Record r;
      EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, tipo, r); }), errore) << riga;
      EXPECT_EQ(tipo, riga.substr(0, 2)) << riga;
      ASSERT_GE(r.size(), 1) << riga;
      EXPECT_EQ(r[1], T(tipo.c_str())) << riga;
    }
  EXPECT_EQ(make_tuple(eTipoRecord("Ls", "lS"), eTipoRecord("000", "00"), eTipoRecord("0", "00")),
            make_tuple(true, false, false));
}

struct Virgola : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// Never the decimal comma of a locale: a C++ global locale with one always, the C locale too when the
// system has one.
TEST(StrConZero, Esempi) {
  const std::pair<double, const char*> casi[] = {
      {12.5, "12.5"}, {0.5, "0.5"},   {-0.25, "-0.25"}, {0, "0"},    {3, "3"},        {1250, "1250"},
      {0.05, "0.05"}, {-1.5, "-1.5"}, {100, "100"},     {-0.0, "0"}, {1e-4, "0.0001"}};
  for (const auto& [valore, testo] : casi) EXPECT_EQ(StrConZero(valore), testo) << valore;
  EXPECT_EQ(make_tuple(StrConZero(1.0 / 3), StrConZero(2.0 / 3), StrConZero(0.1 + 0.2),
                       StrConZero(1234567890123456789.0), StrConZero(0.9999999999999999),
                       StrConZero(-0.9999999999999999)),
            make_tuple("0.333333333333333", "0.666666666666667", "0.3", "1234567890123460000", "1", "-1"));
  EXPECT_EQ(make_tuple(StrConZero(Valore{}), StrConZero(Valore{int32_t{-7}}),
                       StrConZero(Valore{std::string("0,5")})),
            make_tuple("0", "-7", "0.5"));
  EXPECT_EQ(make_tuple(numeroErrore([] { StrConZero(Valore{std::string("PANE")}); }),
                       numeroErrore([] { StrConZero(std::numeric_limits<double>::infinity()); }),
                       numeroErrore([] { StrConZero(std::nan("")); })),
            make_tuple(13, 6, 6));
  const std::locale salvatoCpp = std::locale::global(std::locale(std::locale::classic(), new Virgola));
  const char* precedente = std::setlocale(LC_NUMERIC, nullptr);
  const std::string salvatoC = precedente ? precedente : "C";
  if (!std::setlocale(LC_NUMERIC, "it_IT.UTF-8")) std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(make_tuple(StrConZero(-0.25), StrConZero(1234567.5)), make_tuple("-0.25", "1234567.5"));
  std::setlocale(LC_NUMERIC, salvatoC.c_str());
  std::locale::global(salvatoCpp);
}

TEST(Formato, FnDT200EPulTxt) {
  const std::pair<double, const char*> casi[] = {
      {12.5, "01021605"}, {3, "03"},    {0.5, "001605"},      {0, "00"}, {1250, "01020500"}, {-2, "0-02"},
      {0.75, "00160705"}, {10, "0100"}, {-0.25, "0-00160205"}};
  for (const auto& [valore, testo] : casi) EXPECT_EQ(FnDT200(valore), testo) << valore;
  EXPECT_EQ(Testi({PulTxt("Caff\xE8-Latte", 8), PulTxt("ab", 5), PulTxt("", 3), PulTxt("1/2 kg", 6),
                   PulTxt("Pane", 0), PulTxt("ABCDEFGHIJKL", 10), PulTxt("\xC8\xE0\xF1\x80\xFF", 5)}),
            (Testi{"CAFF  LA", "AB   ", "   ", "1 2 KG", "", "ABCDEFGHIJ", "     "}));
  EXPECT_EQ(numeroErrore([] { PulTxt("abc", -1); }), 5);
}

}  // namespace
