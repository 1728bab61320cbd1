#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "numero_errore.h"
#include "shell/errore.h"
#include "shell/util.h"

using namespace quimbo::util;
using quimbo::Errore;
using quimbo::numeroErrore;

namespace {

// ---- split -----------------------------------------------------------------

struct CasoDividi {
  std::string testo;
  std::vector<std::string> pezzi;
};

TEST(Dividi, AlTab) {
  const CasoDividi casi[] = {
      {"00\tPane\t2\t1.5", {"00", "Pane", "2", "1.5"}},
      {"99", {"99"}},
      {"", {""}},
      {"a\t\tb", {"a", "", "b"}},
      {"a\t", {"a", ""}},
      {"\ta", {"", "a"}},
      {"\t", {"", ""}},
      {"a b\t c ", {"a b", " c "}},
  };
  for (const auto& c : casi) EXPECT_EQ(Dividi(c.testo), c.pezzi) << c.testo;
}

TEST(Dividi, SeparatoreLungoOVuoto) {
  EXPECT_EQ(Dividi("a<>b<>c", "<>"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Dividi("a\tb", ""), (std::vector<std::string>{"a\tb"}));
}

// ---- rounding --------------------------------------------------------------

struct CasoArrotonda {
  double valore;
  int decimali;
  double atteso;
};

TEST(Arrotonda, CommercialeSulTestoDecimale) {
  const CasoArrotonda casi[] = {
      {1.005, 2, 1.01},   {2.675, 2, 2.68},   {-1.005, 2, -1.01}, {-2.675, 2, -2.68},
      {1.004, 2, 1.0},    {1.015, 2, 1.02},   {0.125, 2, 0.13},   {0.5, 0, 1.0},
      {1.5, 0, 2.0},      {2.5, 0, 3.0},      {-0.5, 0, -1.0},    {12.345, 1, 12.3},
      {12.35, 1, 12.4},   {9.995, 2, 10.0},   {99.5, 0, 100.0},   {0.004, 2, 0.0},
      {0.005, 2, 0.01},   {0.0049, 2, 0.0},   {1e-9, 2, 0.0},     {3.0, 2, 3.0},
      {1.23, 5, 1.23},    {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0}, {1e20, 2, 1e20},
      {4.35, 1, 4.4},     {8.325, 2, 8.33},   {0.285, 2, 0.29},   {1.255, 2, 1.26},
  };
  for (const auto& c : casi)
    EXPECT_EQ(Arrotonda(c.valore, c.decimali), c.atteso) << c.valore << " " << c.decimali;
}

TEST(Arrotonda, ValoriSpeciali) {
  EXPECT_EQ(Arrotonda(0.0, 2), 0.0);
  EXPECT_TRUE(std::isnan(Arrotonda(std::nan(""), 2)));
  EXPECT_EQ(Arrotonda(std::numeric_limits<double>::infinity(), 2),
            std::numeric_limits<double>::infinity());
  EXPECT_FALSE(std::signbit(Arrotonda(-0.001, 2)));  // no "-0" downstream
}

// ---- replacement, max, min -------------------------------------------------

TEST(Sostituisci, OgniOccorrenza) {
  EXPECT_EQ(Sostituisci("1.5", ".", ","), "1,5");
  EXPECT_EQ(Sostituisci("a.b.c", ".", ""), "abc");
  EXPECT_EQ(Sostituisci("aaa", "a", "aa"), "aaaaaa");  // no rescan of the replacement
  EXPECT_EQ(Sostituisci("abc", "", "x"), "abc");
  EXPECT_EQ(Sostituisci("", "a", "x"), "");
  EXPECT_EQ(Sostituisci("abab", "ab", "-"), "--");
}

TEST(MassimoMinimo, DueInteri) {
  EXPECT_EQ(Massimo(0, 1), 1);
  EXPECT_EQ(Massimo(5, 1), 5);
  EXPECT_EQ(Massimo(-3, -7), -3);
  EXPECT_EQ(Minimo(14, 20), 14);
  EXPECT_EQ(Minimo(20, 14), 14);
  EXPECT_EQ(Minimo(-1, 0), -1);
}

// ---- number conversions ----------------------------------------------------

struct CasoNumero {
  std::string testo;
  double valore;
};

TEST(ConvertiNumero, FormeAccettate) {
  const CasoNumero casi[] = {
      {"0,005", 0.005}, {"0,2", 0.2},    {"0.2", 0.2},     {"2", 2.0},      {"1.5", 1.5},
      {"150", 150.0},   {"-1,5", -1.5},  {"+3", 3.0},      {" 12 ", 12.0},  {"", 0.0},
      {"   ", 0.0},     {".5", 0.5},     {",5", 0.5},      {"-.25", -0.25}, {"5.", 5.0},
      {"007", 7.0},     {"420", 420.0},  {"1234.56", 1234.56}, {"-0", 0.0},
  };
  for (const auto& c : casi) {
    EXPECT_EQ(ConvertiNumero(c.testo), c.valore) << '"' << c.testo << '"';
    EXPECT_EQ(ConvertiNumero2(c.testo), c.valore) << '"' << c.testo << '"';
  }
}

TEST(ConvertiNumero, AltroEErrore13) {
  const std::string casi[] = {"abc", "1.2.3", "1,234.5", "12a", "a12", "-",  ".",
                              "+-1", "1 2",   "1e3",     "0x10", "\t5", "5\t", "- 5",
                              "1..2", "\x80" "5", "5%"};
  for (const auto& t : casi) {
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero(t); }), 13) << '"' << t << '"';
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero2(t); }), 13) << '"' << t << '"';
  }
}

TEST(ConvertiNumero, FuoriMisura) {
  EXPECT_EQ(numeroErrore([] { ConvertiNumero(std::string(400, '9')); }), 6);
  EXPECT_EQ(ConvertiNumero("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(TestNumerico, ZeroOAltro) {
  EXPECT_FALSE(TestNumerico(0.0));
  EXPECT_FALSE(TestNumerico(-0.0));
  EXPECT_TRUE(TestNumerico(0.01));
  EXPECT_TRUE(TestNumerico(-5));
}

struct CasoIntero {
  std::string testo;
  int valore;  // or the error number when errore is true
  bool errore;
};

TEST(CIntero, ConversioneA16Bit) {
  const CasoIntero casi[] = {
      {"3", 3, false},          {"14", 14, false},       {" 10 ", 10, false},
      {"2,5", 2, false},        {"3.5", 4, false},       {"-2.5", -2, false},
      {"2.6", 3, false},        {"-3.5", -4, false},     {"0,4", 0, false},
      {"32767", 32767, false},  {"-32768", -32768, false}, {"32767.4", 32767, false},
      {"-32768.5", -32768, false},
      {"32768", 6, true},       {"32767.5", 6, true},    {"-32769", 6, true},
      {"100000", 6, true},      {"", 13, true},          {"   ", 13, true},
      {"abc", 13, true},        {"x", 13, true},         {"3a", 13, true},
  };
  for (const auto& c : casi) {
    if (c.errore)
      EXPECT_EQ(numeroErrore([&] { CIntero(c.testo); }), c.valore) << '"' << c.testo << '"';
    else
      EXPECT_EQ(CIntero(c.testo), c.valore) << '"' << c.testo << '"';
  }
}

TEST(ValoreIniziale, ParteNumericaIniziale) {
  const CasoNumero casi[] = {
      {"2", 2.0},        {"4000", 4000.0}, {" 12abc", 12.0}, {"abc", 0.0},   {"", 0.0},
      {"-3", -3.0},      {"1.5x", 1.5},    {"1,5", 1.0},     {".5", 0.5},    {"COM3", 0.0},
      {"\t7", 7.0},      {"+8", 8.0},      {"-", 0.0},       {"3 4", 3.0},   {"2.5.1", 2.5},
  };
  for (const auto& c : casi) EXPECT_EQ(ValoreIniziale(c.testo), c.valore) << '"' << c.testo << '"';
}

// ---- configuration file ----------------------------------------------------

const char* const kIni =
    "[Altri parametri]\r\n"
    "Registratore=Kabel   \r\n"
    "DirPerFile = f:\\quimbo\r\n"
    "Pausa=0,005\r\n"
    "Ritenta=3\r\n"
    "Ritenta=9\r\n"
    "ConfBase=\"  12045678 \"\r\n"
    "TotDisplay='S'\r\n"
    "Vuoto=\r\n"
    "; a comment\r\n"
    "riga senza uguale\r\n"
    "  LungMaxDesc=20\r\n"
    "[Parametri Seriale]\r\n"
    "Settings=1200,e,7,1\r\n"
    "CommPort=2\r\n";

TEST(FileIni, LetturaDaTesto) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_TRUE(ini.esiste());
  EXPECT_EQ(ini.leggi("Altri parametri", "Registratore", "Vandoni"), "Kabel");
  EXPECT_EQ(ini.leggi("Altri parametri", "DirPerFile", ""), "f:\\quimbo");
  EXPECT_EQ(ini.leggi("Altri parametri", "Pausa", ""), "0,005");
  EXPECT_EQ(ini.leggi("Parametri Seriale", "Settings", ""), "1200,e,7,1");
  EXPECT_EQ(ini.leggi("Parametri Seriale", "CommPort", ""), "2");
  EXPECT_EQ(ini.leggi("Altri parametri", "Vuoto", "def"), "");
}

TEST(FileIni, MaiuscoleEMinuscoleNonContano) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_EQ(ini.leggi("ALTRI PARAMETRI", "registratore", "Vandoni"), "Kabel");
  EXPECT_EQ(ini.leggi("parametri seriale", "SETTINGS", ""), "1200,e,7,1");
  EXPECT_EQ(ini.leggi("Parametri sERIALE", "commport", ""), "2");
}

TEST(FileIni, VirgoletteTolte) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_EQ(ini.leggi("Altri parametri", "ConfBase", ""), "  12045678 ");
  EXPECT_EQ(ini.leggi("Altri parametri", "TotDisplay", ""), "S");
  const FileIni spaiate = FileIni::daTesto("[s]\na=\"x\nb=\"y'\nc=\"\nd=\"\"\n");
  EXPECT_EQ(spaiate.leggi("s", "a", ""), "\"x");
  EXPECT_EQ(spaiate.leggi("s", "b", ""), "\"y'");
  EXPECT_EQ(spaiate.leggi("s", "c", ""), "\"");
  EXPECT_EQ(spaiate.leggi("s", "d", "def"), "");
}

TEST(FileIni, PuntoEVirgolaNelValoreResta) {
  const FileIni ini = FileIni::daTesto("[s]\nConfBase=A ;B\nDir=f:\\quimbo ;x\n; commento=1\nk=a;b\n");
  EXPECT_EQ(ini.leggi("s", "ConfBase", ""), "A ;B");
  EXPECT_EQ(ini.leggi("s", "Dir", ""), "f:\\quimbo ;x");
  EXPECT_EQ(ini.leggi("s", "k", ""), "a;b");
  EXPECT_EQ(ini.leggi("s", "; commento", "def"), "def");
}

TEST(FileIni, PrimaOccorrenzaVince) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_EQ(ini.leggi("Altri parametri", "Ritenta", ""), "3");
  const FileIni due = FileIni::daTesto("[S]\nk=1\n[s]\nK=2\n");
  EXPECT_EQ(due.leggi("s", "k", ""), "1");
}

TEST(FileIni, ChiaveOSezioneMancante) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_EQ(ini.leggi("Altri parametri", "AttesaTimer", "4000"), "4000");
  EXPECT_EQ(ini.leggi("Nessuna", "Registratore", "Vandoni"), "Vandoni");
  // A key of the other section is not found in this one.
  EXPECT_EQ(ini.leggi("Parametri Seriale", "Registratore", "Vandoni"), "Vandoni");
}

TEST(FileIni, RigaRientrataNonEUnaContinuazione) {
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_EQ(ini.leggi("Altri parametri", "LungMaxDesc", "14"), "20");
  EXPECT_EQ(ini.leggi("Altri parametri", "Vuoto", ""), "");
}

TEST(FileIni, RigaLungaNonGeneraChiaviSpurie) {
  const std::string lunga = "[s]\nConfBase=" + std::string(250, 'x') + "Finta=1\nDopo=2\n";
  const FileIni ini = FileIni::daTesto(lunga);
  EXPECT_EQ(ini.leggi("s", "Finta", "nessuna"), "nessuna");
  EXPECT_EQ(ini.leggi("s", "Dopo", ""), "2");
  EXPECT_EQ(ini.leggi("s", "ConfBase", "").substr(0, 10), std::string(10, 'x'));
}

TEST(FileIni, NulNonFermaIlResto) {
  const std::string testo("[s]\na=abc\0zz\nb=2\n", 17);
  const FileIni ini = FileIni::daTesto(testo);
  EXPECT_EQ(ini.leggi("s", "a", ""), "abc");
  EXPECT_EQ(ini.leggi("s", "b", ""), "2");
}

TEST(FileIni, ByteWindows1252NeiValori) {
  const FileIni ini = FileIni::daTesto("[Altri parametri]\nIntestazione=Caff\xE8 \x80\n");
  EXPECT_EQ(ini.leggi("altri parametri", "intestazione", ""), "Caff\xE8 \x80");
}

class FileIniSuDisco : public ::testing::Test {
 protected:
  void SetUp() override {
    cartella_ = std::filesystem::temp_directory_path() /
                ("quimbo_test_util_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(cartella_);
  }
  void TearDown() override { std::filesystem::remove_all(cartella_); }
  std::filesystem::path cartella_;
};

TEST_F(FileIniSuDisco, FileLetto) {
  const auto percorso = cartella_ / "quimbo.ini";
  std::ofstream(percorso, std::ios::binary) << kIni;
  const FileIni ini = FileIni::carica(percorso.string());
  EXPECT_TRUE(ini.esiste());
  EXPECT_EQ(ini.leggi("Altri parametri", "DirPerFile", ""), "f:\\quimbo");
  EXPECT_EQ(ini.leggi("Parametri Seriale", "Settings", ""), "1200,e,7,1");
}

TEST_F(FileIniSuDisco, FileMancanteDaIPredefiniti) {
  const FileIni ini = FileIni::carica((cartella_ / "non_ce.ini").string());
  EXPECT_FALSE(ini.esiste());
  EXPECT_EQ(ini.leggi("Altri parametri", "Registratore", "Vandoni"), "Vandoni");
  EXPECT_EQ(ini.leggi("Altri parametri", "Pausa", "0,005"), "0,005");
  EXPECT_FALSE(FileIni::carica((cartella_ / "manca" / "quimbo.ini").string()).esiste());
}

TEST_F(FileIniSuDisco, CartellaAlPostoDelFileEUnErrore) {
  EXPECT_EQ(numeroErrore([&] { FileIni::carica(cartella_.string()); }), 75);
}

}  // namespace
