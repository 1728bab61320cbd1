#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>

#include "numero_errore.h"
#include "receipt/formato.h"
#include "receipt/record.h"

using namespace quimbo;
using std::make_tuple;

namespace {

struct Virgola : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// Expected element: empty, text, integer or double.
Valore T(const char* s) { return std::string(s); }
Valore I(int32_t i) { return i; }
Valore D(double d) { return d; }
const Valore V{};

// One record is reused, line after line: every read rebuilds it whole, longer or shorter. A field that is no
// number is error 13 and missing fields error 9 (the drivers' tests have more), the type read all the same.
TEST(LeggeRec, ReusedRecordIsRebuiltWholeLineAfterLine) {
  // clang-format off
  const std::tuple<std::string, std::vector<Valore>, int> casi[] = {
      {"00\tPane & latte\t2\t1.5", {T("00"), T("PANE   LATTE"), D(2), D(1.5), I(0)}, 0},
      {"00\tPane\t2\t1.5\tx", {T("00")}, 13},
      {"00\t Pane\t 2 \t 1,5 \t", {T("00"), T(" PANE"), D(2), D(1.5), D(0)}, 0},
      {"80\tC\t10\t0\t0\t1.2.3", {T("80")}, 13},
      {"00\tA\t1\t2\t3\tx\ty", {T("00"), T("A"), D(1), D(2), D(3), V, V}, 0},
      {"Ls", {T("Ls")}, 9},
      {"99\ta\tb", {T("99"), V, V}, 0},
  };
  // clang-format on
  std::string tipo;
  Record r;
  for (const auto& [riga, elementi, errore] : casi) {
    EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, tipo, r); }), errore) << riga;
    EXPECT_EQ(tipo, riga.substr(0, 2)) << riga;
    ASSERT_EQ(errore ? 1 : r.size(), static_cast<int>(elementi.size())) << riga;
    for (int i = 1; i <= static_cast<int>(elementi.size()); ++i)
      EXPECT_EQ(r[i], elementi[i - 1u]) << riga << " " << i;
  }
}

TEST(LeggeRec, RecordTypeIsItsTwoCharactersWhateverTheirCase) {
  EXPECT_EQ(make_tuple(eTipoRecord("Ls", "lS"), eTipoRecord("000", "00"), eTipoRecord("0", "00")),
            make_tuple(true, false, false));
}

// Values as text: fifteen significant digits, never an exponent, nor "-0", nor the decimal comma of a C++
// global locale.
TEST(LeggeRec, NumberAsTextHasFifteenDigitsNoExponentNoMinusZero) {
  // clang-format off
  const std::pair<double, const char*> testi[] = {
      {12.5, "12.5"}, {-0.25, "-0.25"}, {-0.0, "0"}, {1250, "1250"}, {1e-4, "0.0001"}, {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"}, {1234567890123456789.0, "1234567890123460000"},
      {0.9999999999999999, "1"}, {-0.9999999999999999, "-1"}};
  // clang-format on
  for (const auto& [valore, testo] : testi) EXPECT_EQ(StrConZero(valore), testo) << valore;
}

TEST(LeggeRec, EmptyIntegerAndTextValuesAsText) {
  EXPECT_EQ(make_tuple(StrConZero(Valore{}), StrConZero(Valore{int32_t{-7}}),
                       StrConZero(Valore{std::string("0,5")})),
            make_tuple("0", "-7", "0.5"));
}

TEST(LeggeRec, ValueThatIsNoFiniteNumberIsAnError) {
  EXPECT_EQ(make_tuple(numeroErrore([] { StrConZero(Valore{std::string("PANE")}); }),
                       numeroErrore([] { StrConZero(std::numeric_limits<double>::infinity()); }),
                       numeroErrore([] { StrConZero(std::nan("")); })),
            make_tuple(13, 6, 6));
}

TEST(LeggeRec, GlobalLocaleLeavesTheDecimalPointAlone) {
  const std::locale salvato = std::locale::global(std::locale(std::locale::classic(), new Virgola));
  EXPECT_EQ(make_tuple(StrConZero(-0.25), StrConZero(1234567.5)), make_tuple("-0.25", "1234567.5"));
  std::locale::global(salvato);
}

TEST(LeggeRec, AmountsInTheDt200Code) {
  const std::pair<double, const char*> dt200[] = {
      {12.5, "01021605"}, {3, "03"},    {0.5, "001605"},      {0, "00"}, {1250, "01020500"}, {-2, "0-02"},
      {0.75, "00160705"}, {10, "0100"}, {-0.25, "0-00160205"}};
  for (const auto& [valore, testo] : dt200) EXPECT_EQ(FnDT200(valore), testo) << valore;
}

}  // namespace
