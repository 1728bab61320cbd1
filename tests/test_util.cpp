#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "numero_errore.h"
#include "shell/errore.h"
#include "shell/util.h"

using namespace quimbo::util;
using quimbo::Errore;
using quimbo::erroreDa;
using quimbo::numeroErrore;

namespace {

using Pezzi = std::vector<std::string>;

TEST(Dividi, AlSeparatore) {
  const std::pair<std::string, Pezzi> casi[] = {
      {"00\tPane\t2\t1.5", {"00", "Pane", "2", "1.5"}}, {"99", {"99"}},   {"", {""}},
      {"a\t\tb", {"a", "", "b"}},  {"\ta\t", {"", "a", ""}}, {"a b\t c ", {"a b", " c "}},
  };
  for (const auto& [testo, pezzi] : casi) EXPECT_EQ(Dividi(testo), pezzi) << testo;
  EXPECT_EQ(Dividi("a<>b<>c", "<>"), (Pezzi{"a", "b", "c"}));
  EXPECT_EQ(Dividi("a\tb", ""), Pezzi{"a\tb"});
}

TEST(Arrotonda, MetaLontanoDaZeroSulTestoDecimale) {
  const struct { double valore; int decimali; double atteso; } casi[] = {
      {1.005, 2, 1.01},   {2.675, 2, 2.68},  {-1.005, 2, -1.01},   {1.004, 2, 1.0},
      {2.5, 0, 3.0},      {-0.5, 0, -1.0},   {12.345, 1, 12.3},    {9.995, 2, 10.0},
      {0.005, 2, 0.01},   {0.004, 2, 0.0},   {1e-9, 2, 0.0},       {1.23, 5, 1.23},
      {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0},
  };
  for (const auto& c : casi)
    EXPECT_EQ(Arrotonda(c.valore, c.decimali), c.atteso) << c.valore << " " << c.decimali;
  EXPECT_TRUE(std::isnan(Arrotonda(std::nan(""), 2)));
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Arrotonda(inf, 2), inf);
  EXPECT_FALSE(std::signbit(Arrotonda(-0.001, 2)));  // no "-0" downstream
}

TEST(Sostituisci, OgniOccorrenza) {
  EXPECT_EQ(Sostituisci("1.5", ".", ","), "1,5");
  EXPECT_EQ(Sostituisci("abab", "ab", "-"), "--");
  EXPECT_EQ(Sostituisci("aaa", "a", "aa"), "aaaaaa");  // no rescan of the replacement
  EXPECT_EQ(Sostituisci("abc", "", "x"), "abc");
}

TEST(MassimoMinimo, DueInteri) {
  EXPECT_EQ(Massimo(0, 1), 1);
  EXPECT_EQ(Massimo(5, 1), 5);
  EXPECT_EQ(Minimo(14, 20), 14);
  EXPECT_EQ(Minimo(20, 14), 14);
}

TEST(ConvertiNumero, FormeAccettate) {
  const std::pair<std::string, double> casi[] = {
      {"0,005", 0.005}, {"0,2", 0.2},   {"1.5", 1.5},  {"150", 150.0},    {"-1,5", -1.5},
      {"+3", 3.0},      {" 12 ", 12.0}, {"", 0.0},     {"   ", 0.0},      {".5", 0.5},
      {"-.25", -0.25},  {"5.", 5.0},    {"1234.56", 1234.56},
      {"0." + std::string(400, '0') + "1", 0.0},  // below the double range
  };
  for (const auto& [testo, valore] : casi) {
    EXPECT_EQ(ConvertiNumero(testo), valore) << '"' << testo << '"';
    EXPECT_EQ(ConvertiNumero2(testo), valore) << '"' << testo << '"';
  }
  EXPECT_EQ(numeroErrore([] { ConvertiNumero(std::string(400, '9')); }), 6);
}

TEST(ConvertiNumero, AltroEErrore13) {
  for (const std::string t :
       {"abc", "1.2.3", "1,234.5", "12a", "a12", "-", ".", "+-1", "1 2", "1e3", "\t5"}) {
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero(t); }), 13) << '"' << t << '"';
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero2(t); }), 13) << '"' << t << '"';
  }
}

TEST(TestNumerico, ZeroOAltro) {
  EXPECT_FALSE(TestNumerico(0.0));
  EXPECT_FALSE(TestNumerico(-0.0));
  EXPECT_TRUE(TestNumerico(0.01));
}

TEST(CIntero, MetaAlPariEntro16Bit) {
  // valore is the result, or the error number when errore is set.
  const struct { const char* testo; int valore; bool errore; } casi[] = {
      {"3", 3, false},       {" 10 ", 10, false},      {"2,5", 2, false},        {"3.5", 4, false},
      {"-2.5", -2, false},   {"2.6", 3, false},        {"32767", 32767, false},  {"-32768.5", -32768, false},
      {"32767.5", 6, true},  {"-32769", 6, true},      {"", 13, true},           {"   ", 13, true},
      {"abc", 13, true},
  };
  for (const auto& c : casi) {
    if (c.errore)
      EXPECT_EQ(numeroErrore([&] { CIntero(c.testo); }), c.valore) << '"' << c.testo << '"';
    else
      EXPECT_EQ(CIntero(c.testo), c.valore) << '"' << c.testo << '"';
  }
}

TEST(ValoreIniziale, ParteNumericaIniziale) {
  const std::pair<std::string, double> casi[] = {
      {"4000", 4000.0}, {" 12abc", 12.0}, {"\t7", 7.0}, {"COM3", 0.0}, {"", 0.0},   {"-3", -3.0},
      {"+8", 8.0},      {"-", 0.0},       {"1,5", 1.0}, {".5", 0.5},   {"1.5x", 1.5}, {"2.5.1", 2.5},
  };
  for (const auto& [testo, valore] : casi) EXPECT_EQ(ValoreIniziale(testo), valore) << '"' << testo << '"';
}

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
    "Settings=1200,e,7,1\r\n";

struct CasoIni {
  std::string testo;
  const char* sezione;
  const char* chiave;
  const char* atteso;  // "def" is the default passed in
};

TEST(FileIni, LetturaDaTesto) {
  const CasoIni casi[] = {
      {kIni, "Altri parametri", "Registratore", "Kabel"},
      {kIni, "Altri parametri", "DirPerFile", "f:\\quimbo"},
      {kIni, "Altri parametri", "Pausa", "0,005"},
      {kIni, "Altri parametri", "Vuoto", ""},
      {kIni, "ALTRI PARAMETRI", "registratore", "Kabel"},
      {kIni, "parametri seriale", "SETTINGS", "1200,e,7,1"},
      {kIni, "Altri parametri", "ConfBase", "  12045678 "},
      {kIni, "Altri parametri", "TotDisplay", "S"},
      {kIni, "Altri parametri", "Ritenta", "3"},             // first occurrence wins
      {kIni, "Altri parametri", "LungMaxDesc", "20"},        // indented: no continuation
      {kIni, "Altri parametri", "AttesaTimer", "def"},
      {kIni, "Nessuna", "Registratore", "def"},
      {kIni, "Parametri Seriale", "Registratore", "def"},    // other section's key
      {"[S]\nk=1\n[s]\nK=2\n", "s", "k", "1"},
      {"[s]\na=\"x\n", "s", "a", "\"x"},                     // unpaired quotes stay
      {"[s]\nb=\"y'\n", "s", "b", "\"y'"},
      {"[s]\nc=\"\n", "s", "c", "\""},
      {"[s]\nd=\"\"\n", "s", "d", ""},
      {"[s]\nConfBase=A ;B\n", "s", "ConfBase", "A ;B"},
      {"[s]\n; commento=1\n", "s", "; commento", "def"},
      {"[s]\nConfBase=" + std::string(250, 'x') + "Finta=1\nDopo=2\n", "s", "Finta", "def"},
      {"[s]\nConfBase=" + std::string(250, 'x') + "Finta=1\nDopo=2\n", "s", "Dopo", "2"},
      {std::string("[s]\na=abc\0zz\nb=2\n", 17), "s", "a", "abc"},
      {std::string("[s]\na=abc\0zz\nb=2\n", 17), "s", "b", "2"},
      {"[Altri parametri]\nIntestazione=Caff\xE8 \x80\n", "altri parametri", "intestazione",
       "Caff\xE8 \x80"},
  };
  for (const auto& c : casi) {
    const FileIni ini = FileIni::daTesto(c.testo);
    EXPECT_TRUE(ini.esiste());
    EXPECT_EQ(ini.leggi(c.sezione, c.chiave, "def"), c.atteso) << c.testo << " | " << c.chiave;
  }
}

TEST(FileIni, SuDisco) {
  const auto cartella = std::filesystem::temp_directory_path() /
      ("quimbo_test_util_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(cartella);
  std::ofstream(cartella / "quimbo.ini", std::ios::binary) << kIni;
  const FileIni letto = FileIni::carica((cartella / "quimbo.ini").string());
  EXPECT_TRUE(letto.esiste());
  EXPECT_EQ(letto.leggi("Parametri Seriale", "Settings", ""), "1200,e,7,1");

  // A missing file, or folder, gives the defaults; a folder in its place is an error.
  const FileIni mancante = FileIni::carica((cartella / "non_ce.ini").string());
  EXPECT_FALSE(mancante.esiste());
  EXPECT_EQ(mancante.leggi("Altri parametri", "Pausa", "0,005"), "0,005");
  EXPECT_FALSE(FileIni::carica((cartella / "manca" / "quimbo.ini").string()).esiste());
  EXPECT_EQ(numeroErrore([&] { FileIni::carica(cartella.string()); }), 75);
  std::filesystem::remove_all(cartella);
}

TEST(Errore, NumeroEDescrizione) {
  const Errore e(53);
  EXPECT_EQ(e.numero(), 53);
  EXPECT_EQ(e.descrizione(), "File not found");
  EXPECT_STREQ(e.what(), "File not found");
  const Errore propria(1001, "Porta occupata");
  EXPECT_EQ(propria.numero(), 1001);
  EXPECT_EQ(propria.descrizione(), "Porta occupata");
}

TEST(Errore, DaErrorCode) {
  const std::pair<int, int> casi[] = {
      {ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 75}, {EPERM, 75},        {EROFS, 75},
      {ENOSPC, 61}, {EIO, 57},     {EMFILE, 67}, {ENAMETOOLONG, 52},
  };
  for (const auto& [e, n] : casi) {
    EXPECT_EQ(erroreDa(std::error_code(e, std::generic_category())).numero(), n) << e;
    EXPECT_EQ(erroreDa(std::error_code(e, std::system_category())).numero(), n) << e;
  }
  EXPECT_EQ(erroreDa(std::make_error_code(std::future_errc::no_state)).numero(), 75);

  std::error_code vero;
  (void)std::filesystem::file_size("/nonexistent-quimbo-dir/x.sco", vero);
  ASSERT_TRUE(vero);
  EXPECT_EQ(erroreDa(vero).numero(), 53);
}

}  // namespace
