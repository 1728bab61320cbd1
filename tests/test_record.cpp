#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>
#include <vector>

#include "numero_errore.h"
#include "receipt/formato.h"
#include "receipt/record.h"
#include "shell/errore.h"

using namespace quimbo;

namespace {

// Expected element: empty, text, integer or double.
Valore T(const char* s) { return std::string(s); }
Valore I(int32_t i) { return i; }
Valore D(double d) { return d; }
const Valore V{};

TEST(LeggeRec, RigheLetteUnaDopoLAltra) {
  // One record is reused, line after line: every read rebuilds it whole.
  const std::pair<std::string, std::vector<Valore>> casi[] = {
      {"00\tPane & latte\t2\t1.5", {T("00"), T("PANE   LATTE"), D(2), D(1.5), I(0)}},
      {"00\tcaff\xE8 1/2 kg.\t1\t3,20\t4", {T("00"), T("CAFF\xC8 1/2 KG "), D(1), D(3.2), D(4)}},
      {"00\t***\t1\t1", {T("00"), T("   "), D(1), D(1), I(0)}},
      {"00\tPi\xF1" "a-Colada, d'oro 30% \x80!\t1\t-2",
       {T("00"), T("PI\xD1" "A COLADA  D ORO 30    "), D(1), D(-2), I(0)}},
      {"00\t Pane\t 2 \t 1,5 \t", {T("00"), T(" PANE"), D(2), D(1.5), D(0)}},
      {"00\tA\t1\t2\t3\tx\ty", {T("00"), T("A"), D(1), D(2), D(3), V, V}},
      {"80\tc\t10\t0\t0", {T("80"), T("c"), D(10), D(0), D(0), I(0)}},
      {"80\tA\t100,50\t5\t20\t200", {T("80"), T("A"), D(100.5), D(5), D(20), D(200)}},
      {"ls\tABC12345", {T("ls"), T("ABC12345")}},
      {"10\tINTESTAZIONE\tx", {T("10"), T("INTESTAZIONE"), V}},
      {"99\ta\tb", {T("99"), V, V}},
      {"99", {T("99")}},
      // A receipt of three lines.
      {"00\tPane\t2\t150\t1", {T("00"), T("PANE"), D(2), D(150), D(1)}},
      {"00\tLatte\t1\t120\t2", {T("00"), T("LATTE"), D(1), D(120), D(2)}},
      {"80\tC\t420\t0\t0\t500", {T("80"), T("C"), D(420), D(0), D(0), D(500)}},
  };
  std::string tipo;
  Record r;
  for (const auto& [riga, elementi] : casi) {
    LeggeRec(riga, tipo, r);
    EXPECT_EQ(tipo, riga.substr(0, 2)) << riga;
    ASSERT_EQ(r.size(), static_cast<int>(elementi.size())) << riga;
    for (int i = 1; i <= r.size(); ++i)
      EXPECT_EQ(r[i], elementi[static_cast<std::size_t>(i - 1)]) << riga << " elemento " << i;
  }
}

TEST(LeggeRec, CampiMancantiSonoErrore9DopoIlTipo) {
  for (const std::string riga : {"00", "00\tPane\t2", "10", "Ls", "80\tC\t1\t0"}) {
    std::string tipo;
    Record r;
    EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, tipo, r); }), 9) << riga;
    EXPECT_EQ(tipo, riga.substr(0, 2)) << riga;
    ASSERT_GE(r.size(), 1) << riga;
    EXPECT_EQ(r[1], T(tipo.c_str())) << riga;
  }
}

TEST(LeggeRec, NumeroNonValidoEErrore13) {
  for (const std::string riga : {"00\tPane\tdue\t1.5", "00\tPane\t2\t1.5\tx", "80\tC\tdieci\t0\t0",
                                 "80\tC\t10\t0\t0\t1.2.3"}) {
    std::string tipo;
    Record r;
    EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, tipo, r); }), 13) << riga;
  }
}

TEST(Record, TipoEIndiciDa1) {
  EXPECT_TRUE(eTipoRecord("Ls", "lS"));
  EXPECT_FALSE(eTipoRecord("000", "00"));
  EXPECT_FALSE(eTipoRecord("0", "00"));

  Record r;
  EXPECT_EQ(numeroErrore([&] { (void)r[1]; }), 9);
  r.ricrea(2);
  EXPECT_TRUE(eVuoto(r[2]));
  EXPECT_EQ(numeroErrore([&] { (void)r[0]; }), 9);
  EXPECT_EQ(numeroErrore([&] { (void)r[3]; }), 9);
  const Record& c = r;
  EXPECT_EQ(numeroErrore([&] { (void)c[-1]; }), 9);
  r[2] = 5.0;
  r.estendi(4);
  EXPECT_EQ(r.size(), 4);
  EXPECT_EQ(r[2], D(5));
  EXPECT_TRUE(eVuoto(r[4]));
  r.estendi(1);  // never shrinks
  EXPECT_EQ(r.size(), 4);
}

TEST(Valore, ComeNumeroEComeTesto) {
  EXPECT_EQ(comeNumero(V), 0);
  EXPECT_EQ(comeNumero(T("0,005")), 0.005);
  EXPECT_EQ(comeNumero(I(7)), 7);
  EXPECT_EQ(comeNumero(D(-1.25)), -1.25);
  EXPECT_EQ(numeroErrore([] { comeNumero(T("PANE")); }), 13);
  EXPECT_EQ(comeTesto(V), "");
  EXPECT_EQ(comeTesto(T("abc")), "abc");
  EXPECT_EQ(comeTesto(I(-3)), "-3");
  EXPECT_EQ(comeTesto(D(0.5)), "0.5");
}

struct CasoNumero {
  double valore;
  const char* testo;
};

TEST(StrConZero, Esempi) {
  const CasoNumero casi[] = {
      {12.5, "12.5"},  {0.5, "0.5"},     {-0.25, "-0.25"},  {0, "0"},          {3, "3"},
      {1250, "1250"},  {1.0 / 3, "0.333333333333333"},      {0.05, "0.05"},    {-1.5, "-1.5"},
      {100, "100"},    {-0.0, "0"},      {0.1 + 0.2, "0.3"}, {2.0 / 3, "0.666666666666667"},
      {1e-4, "0.0001"}, {1234567890123456789.0, "1234567890123460000"},
      {0.9999999999999999, "1"},         {-0.9999999999999999, "-1"},
  };
  for (const auto& c : casi) EXPECT_EQ(StrConZero(c.valore), c.testo) << c.valore;
  EXPECT_EQ(StrConZero(Valore{}), "0");
  EXPECT_EQ(StrConZero(Valore{int32_t{-7}}), "-7");
  EXPECT_EQ(StrConZero(Valore{std::string("0,5")}), "0.5");
  EXPECT_EQ(numeroErrore([] { StrConZero(Valore{std::string("PANE")}); }), 13);
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
  EXPECT_EQ(StrConZero(-0.25), "-0.25");
  EXPECT_EQ(StrConZero(1234567.5), "1234567.5");
  std::setlocale(LC_NUMERIC, salvatoC.c_str());
  std::locale::global(salvatoCpp);
}

TEST(FnDT200, Esempi) {
  const CasoNumero casi[] = {
      {12.5, "01021605"}, {3, "03"},    {0.5, "001605"}, {0, "00"},  {1250, "01020500"},
      {-2, "0-02"},       {0.75, "00160705"}, {10, "0100"}, {-0.25, "0-00160205"},
  };
  for (const auto& c : casi) EXPECT_EQ(FnDT200(c.valore), c.testo) << c.valore;
}

TEST(PulTxt, Esempi) {
  const struct { std::string testo; int16_t lung; std::string atteso; } casi[] = {
      {"Caff\xE8-Latte", 8, "CAFF  LA"}, {"ab", 5, "AB   "},   {"", 3, "   "},
      {"1/2 kg", 6, "1 2 KG"},           {"Pane", 0, ""},      {"ABCDEFGHIJKL", 10, "ABCDEFGHIJ"},
      {"\xC8\xE0\xF1\x80\xFF", 5, "     "},
  };
  for (const auto& c : casi) EXPECT_EQ(PulTxt(c.testo, c.lung), c.atteso) << c.testo;
  EXPECT_EQ(numeroErrore([] { PulTxt("abc", -1); }), 5);
}

}  // namespace
