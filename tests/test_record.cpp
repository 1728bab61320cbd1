#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receipt/record.h"
#include "numero_errore.h"
#include "shell/errore.h"

using namespace quimbo;

namespace {

// Expected element: empty, text, integer or double.
Valore T(const char* s) { return std::string(s); }
Valore I(int32_t i) { return i; }
Valore D(double d) { return d; }
const Valore V{};

struct CasoRiga {
  std::string riga;
  std::string tipo;
  std::vector<Valore> elementi;
};

TEST(LeggeRec, EsempiDiRighe) {
  const CasoRiga casi[] = {
      {"00\tPane & latte\t2\t1.5", "00", {T("00"), T("PANE   LATTE"), D(2), D(1.5), I(0)}},
      {"00\tcaff\xE8 1/2 kg.\t1\t3,20\t4",
       "00",
       {T("00"), T("CAFF\xC8 1/2 KG "), D(1), D(3.2), D(4)}},
      {"00\t***\t1\t1", "00", {T("00"), T("   "), D(1), D(1), I(0)}},
      {"80\tc\t10\t0\t0", "80", {T("80"), T("c"), D(10), D(0), D(0), I(0)}},
      {"ls\tABC12345", "ls", {T("ls"), T("ABC12345")}},
      {"LS\tABC12345\tX", "LS", {T("LS"), T("ABC12345"), V}},
      {"10\tINTESTAZIONE", "10", {T("10"), T("INTESTAZIONE")}},
      {"00\tA\t1\t2\t3\tx\ty", "00", {T("00"), T("A"), D(1), D(2), D(3), V, V}},
      {"99", "99", {T("99")}},
      {"99\ta\tb", "99", {T("99"), V, V}},
      {"00\t Pane\t 2 \t 1,5 \t", "00", {T("00"), T(" PANE"), D(2), D(1.5), D(0)}},
      {"80\tA\t100,50\t5\t20\t200", "80", {T("80"), T("A"), D(100.5), D(5), D(20), D(200)}},
      {"80\tR\t10\t\t\t", "80", {T("80"), T("R"), D(10), D(0), D(0), D(0)}},
      {"00\tPizza-Margherita, 30% \x80!\t1\t-2", "00",
       {T("00"), T("PIZZA MARGHERITA  30    "), D(1), D(-2), I(0)}},
      {"00\tPi\xF1" "a Colada d'oro\t1\t1", "00",
       {T("00"), T("PI\xD1" "A COLADA D ORO"), D(1), D(1), I(0)}},
  };
  for (const auto& c : casi) {
    std::string tipo = "vecchio";
    Record r;
    LeggeRec(c.riga, tipo, r);
    EXPECT_EQ(tipo, c.tipo) << c.riga;
    ASSERT_EQ(r.size(), static_cast<int>(c.elementi.size())) << c.riga;
    for (int i = 1; i <= r.size(); ++i)
      EXPECT_EQ(r[i], c.elementi[static_cast<std::size_t>(i - 1)]) << c.riga << " elemento " << i;
  }
}

TEST(LeggeRec, RicevutaDiTreRighe) {
  const char* righe[] = {"00\tPane\t2\t150\t1", "00\tLatte\t1\t120\t2", "80\tC\t420\t0\t0\t500"};
  Record r;
  std::string tipo;

  LeggeRec(righe[0], tipo, r);
  EXPECT_TRUE(eTipoRecord(tipo, "00"));
  EXPECT_EQ(r[2], T("PANE"));
  EXPECT_EQ(comeNumero(r[3]), 2);
  EXPECT_EQ(comeNumero(r[4]), 150);
  EXPECT_EQ(comeNumero(r[5]), 1);

  LeggeRec(righe[1], tipo, r);
  EXPECT_EQ(r.size(), 5);
  EXPECT_EQ(r[2], T("LATTE"));
  EXPECT_EQ(comeNumero(r[5]), 2);

  LeggeRec(righe[2], tipo, r);
  EXPECT_TRUE(eTipoRecord(tipo, "80"));
  EXPECT_EQ(r.size(), 6);
  EXPECT_EQ(r[2], T("C"));
  EXPECT_EQ(comeNumero(r[3]), 420);
  EXPECT_EQ(comeNumero(r[6]), 500);
}

TEST(LeggeRec, IlRecordVieneRicreato) {
  Record r;
  std::string tipo;
  LeggeRec("80\tC\t420\t0\t0\t500", tipo, r);
  LeggeRec("99", tipo, r);
  EXPECT_EQ(r.size(), 1);
  EXPECT_EQ(r[1], T("99"));
}

TEST(LeggeRec, CampiMancantiSonoErrore9DopoIlTipo) {
  const std::pair<std::string, std::string> casi[] = {
      {"00", "00"},          {"00\tPane\t2", "00"}, {"10", "10"}, {"ls", "ls"},
      {"80\tC\t1\t0", "80"}, {"Ls", "Ls"},
  };
  for (const auto& [riga, tipo] : casi) {
    std::string t;
    Record r;
    EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, t, r); }), 9) << riga;
    EXPECT_EQ(t, tipo) << riga;
    ASSERT_GE(r.size(), 1) << riga;
    EXPECT_EQ(r[1], T(tipo.c_str())) << riga;
  }
}

TEST(LeggeRec, NumeroNonValidoEErrore13) {
  const std::string casi[] = {"00\tPane\tdue\t1.5", "00\tPane\t2\t1.5\tx", "80\tC\tdieci\t0\t0",
                              "80\tC\t10\t0\t0\t1.2.3"};
  for (const auto& riga : casi) {
    std::string t;
    Record r;
    EXPECT_EQ(numeroErrore([&] { LeggeRec(riga, t, r); }), 13) << riga;
  }
}

TEST(EtipoRecord, SenzaRiguardoAlleMaiuscole) {
  EXPECT_TRUE(eTipoRecord("ls", "LS"));
  EXPECT_TRUE(eTipoRecord("Ls", "lS"));
  EXPECT_TRUE(eTipoRecord("00", "00"));
  EXPECT_FALSE(eTipoRecord("000", "00"));
  EXPECT_FALSE(eTipoRecord("0", "00"));
  EXPECT_FALSE(eTipoRecord("", "00"));
}

TEST(Record, IndiciDa1) {
  Record r;
  EXPECT_EQ(r.size(), 0);
  EXPECT_EQ(numeroErrore([&] { (void)r[1]; }), 9);
  r.ricrea(2);
  EXPECT_TRUE(eVuoto(r[1]));
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
  r.ricrea(1);
  EXPECT_EQ(r.size(), 1);
  EXPECT_TRUE(eVuoto(r[1]));
}

TEST(Valore, ComeNumero) {
  EXPECT_EQ(comeNumero(V), 0);
  EXPECT_EQ(comeNumero(T("")), 0);
  EXPECT_EQ(comeNumero(T("0,005")), 0.005);
  EXPECT_EQ(comeNumero(T("12.5")), 12.5);
  EXPECT_EQ(comeNumero(I(7)), 7);
  EXPECT_EQ(comeNumero(D(-1.25)), -1.25);
  EXPECT_EQ(numeroErrore([] { comeNumero(T("PANE")); }), 13);
}

TEST(Valore, ComeTesto) {
  EXPECT_EQ(comeTesto(V), "");
  EXPECT_EQ(comeTesto(T("abc")), "abc");
  EXPECT_EQ(comeTesto(I(-3)), "-3");
  EXPECT_EQ(comeTesto(D(12.5)), "12.5");
  EXPECT_EQ(comeTesto(D(0.5)), "0.5");
  EXPECT_EQ(comeTesto(D(1250)), "1250");
}

}  // namespace
