#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <future>
#include <limits>

#include "numero_errore.h"
#include "shell/util.h"

using namespace quimbo::util;
using quimbo::numeroErrore;
using Pezzi = std::vector<std::string>;

namespace {

TEST(Util, DividiESostituisci) {
  EXPECT_EQ(Dividi("00\tPane\t2\t1.5"), (Pezzi{"00", "Pane", "2", "1.5"}));
  EXPECT_EQ(Dividi("a b\t\t c \t"), (Pezzi{"a b", "", " c ", ""}));
  EXPECT_EQ(Dividi("\ta"), (Pezzi{"", "a"}));
  EXPECT_EQ(Dividi(""), Pezzi{""});
  EXPECT_EQ(Dividi("a<>b<>c", "<>"), (Pezzi{"a", "b", "c"}));
  EXPECT_EQ(Dividi("a\tb", ""), Pezzi{"a\tb"});
  // "aaa": the replacement is not scanned again.
  EXPECT_EQ(Pezzi({Sostituisci("1.5", ".", ","), Sostituisci("abab", "ab", "-"),
                   Sostituisci("aaa", "a", "aa"), Sostituisci("abc", "", "x")}),
            (Pezzi{"1,5", "--", "aaaaaa", "abc"}));
}

// Rounding half away from zero on the decimal text; the two conversions of text (the last accepted form is
// below the double range; anything else is error 13); the 16-bit integer, half to even; the leading number.
TEST(Util, Numeri) {
  const std::tuple<double, int, double> arrotonda[] = {
      {1.005, 2, 1.01}, {2.675, 2, 2.68},  {-1.005, 2, -1.01},   {1.004, 2, 1.0},     {2.5, 0, 3.0},
      {-0.5, 0, -1.0},  {12.345, 1, 12.3}, {9.995, 2, 10.0},     {0.005, 2, 0.01},    {0.004, 2, 0.0},
      {1e-9, 2, 0.0},   {1.23, 5, 1.23},   {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0}};
  for (const auto& [valore, decimali, atteso] : arrotonda)
    EXPECT_EQ(Arrotonda(valore, decimali), atteso) << valore << " " << decimali;
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(Arrotonda(std::nan(""), 2)));
  EXPECT_EQ(Arrotonda(inf, 2), inf);
  EXPECT_FALSE(std::signbit(Arrotonda(-0.001, 2)));  // no "-0" downstream

  const std::pair<std::string, double> converti[] = {
      {"0,005", 0.005}, {"0,2", 0.2},   {"1.5", 1.5},        {"150", 150.0}, {"-1,5", -1.5},
      {"+3", 3.0},      {" 12 ", 12.0}, {"", 0.0},           {"   ", 0.0},   {".5", 0.5},
      {"-.25", -0.25},  {"5.", 5.0},    {"1234.56", 1234.56}};
  for (const auto& [testo, valore] : converti) {
    EXPECT_EQ(ConvertiNumero(testo), valore) << '"' << testo << '"';
    EXPECT_EQ(ConvertiNumero2(testo), valore) << '"' << testo << '"';
  }
  const std::string piccolo = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(std::make_pair(ConvertiNumero(piccolo), ConvertiNumero2(piccolo)), std::make_pair(0.0, 0.0));
  EXPECT_EQ(numeroErrore([] { ConvertiNumero(std::string(400, '9')); }), 6);
  for (const std::string t :
       {"abc", "1.2.3", "1,234.5", "12a", "a12", "-", ".", "+-1", "1 2", "1e3", "\t5"}) {
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero(t); }), 13) << '"' << t << '"';
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero2(t); }), 13) << '"' << t << '"';
  }

  // The result, or the error number when the third element is set.
  const std::tuple<const char*, int, bool> cIntero[] = {
      {"3", 3, false},      {" 10 ", 10, false}, {"2,5", 2, false},       {"3.5", 4, false},
      {"-2.5", -2, false},  {"2.6", 3, false},   {"32767", 32767, false}, {"-32768.5", -32768, false},
      {"32767.5", 6, true}, {"-32769", 6, true}, {"", 13, true},          {"   ", 13, true},
      {"abc", 13, true}};
  for (const auto& [testo, valore, errore] : cIntero)
    EXPECT_EQ(errore ? numeroErrore([&] { CIntero(testo); }) : CIntero(testo), valore) << '"' << testo << '"';

  const std::pair<std::string, double> iniziale[] = {
      {"4000", 4000.0}, {" 12abc", 12.0}, {"\t7", 7.0}, {"COM3", 0.0}, {"", 0.0},     {"-3", -3.0},
      {"+8", 8.0},      {"-", 0.0},       {"1,5", 1.0}, {".5", 0.5},   {"1.5x", 1.5}, {"2.5.1", 2.5}};
  for (const auto& [testo, valore] : iniziale)
    EXPECT_EQ(ValoreIniziale(testo), valore) << '"' << testo << '"';
}

// Sections and keys without regard to case, values as written after trimming; the first of two Ritenta wins,
// the indented LungMaxDesc is no continuation line; "def" is the default passed in.
TEST(FileIni, LetturaDaTestoEDaDisco) {
  const std::string kIni =
      "[Altri parametri]\r\nRegistratore=Kabel   \r\nDirPerFile = f:\\quimbo\r\nPausa=0,005\r\nRitenta=3\r\n"
      "Ritenta=9\r\nConfBase=\"  12045678 \"\r\nTotDisplay='S'\r\nVuoto=\r\n; a comment\r\n"
      "riga senza uguale\r\n  LungMaxDesc=20\r\n[Parametri Seriale]\r\nSettings=1200,e,7,1\r\n";
  const FileIni ini = FileIni::daTesto(kIni);
  EXPECT_TRUE(ini.esiste());
  const std::pair<const char*, const char*> altri[] = {
      {"Registratore", "Kabel"},   {"DirPerFile", "f:\\quimbo"}, {"Pausa", "0,005"}, {"Vuoto", ""},
      {"ConfBase", "  12045678 "}, {"TotDisplay", "S"},          {"Ritenta", "3"},   {"LungMaxDesc", "20"},
      {"AttesaTimer", "def"}};
  for (const auto& [chiave, atteso] : altri)
    EXPECT_EQ(ini.leggi("Altri parametri", chiave, "def"), atteso) << chiave;
  EXPECT_EQ(
      Pezzi({ini.leggi("ALTRI PARAMETRI", "registratore", ""), ini.leggi("parametri seriale", "SETTINGS", ""),
             ini.leggi("Nessuna", "Registratore", "def"),
             ini.leggi("Parametri Seriale", "Registratore", "def")}),
      (Pezzi{"Kabel", "1200,e,7,1", "def", "def"}));

  // The key "k" of section "s": unpaired quotes stay, a long line never spills into a second key, a NUL ends
  // the value, bytes of Windows-1252 are kept, a comment is no key.
  const std::pair<std::string, const char*> casi[] = {
      {"[S]\nk=1\n[s]\nK=2\n", "1"}, {"[s]\nk=\"x\n", "\"x"}, {"[s]\nk=\"y'\n", "\"y'"},
      {"[s]\nk=\"\n", "\""},         {"[s]\nk=\"\"\n", ""},   {"[s]\nk=A ;B\n", "A ;B"}};
  for (const auto& [testo, atteso] : casi)
    EXPECT_EQ(FileIni::daTesto(testo).leggi("s", "k", "def"), atteso) << testo;
  const FileIni lunga = FileIni::daTesto("[s]\nConfBase=" + std::string(250, 'x') + "k=1\nDopo=2\n");
  const FileIni nul = FileIni::daTesto(std::string("[s]\nk=abc\0zz\nb=2\n", 17));
  const FileIni w1252 = FileIni::daTesto("[S]\nK=Caff\xE8 \x80\n;k=1\n");
  EXPECT_EQ(Pezzi({lunga.leggi("s", "k", "def"), lunga.leggi("s", "Dopo", ""), nul.leggi("s", "k", ""),
                   nul.leggi("s", "b", ""), w1252.leggi("s", "k", ""), w1252.leggi("s", ";k", "def")}),
            (Pezzi{"def", "2", "abc", "2", "Caff\xE8 \x80", "def"}));

  // A folder where the file should be is an error (a missing file gives the defaults, see test_avvio).
  EXPECT_EQ(numeroErrore([] { FileIni::carica(std::filesystem::temp_directory_path().string()); }), 75);
}

// Error numbers of the system's errors, as the scan logs them.
TEST(Errore, DaErrorCode) {
  const std::pair<int, int> casi[] = {{ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 75},
                                      {EPERM, 75},  {EROFS, 75},   {ENOSPC, 61},
                                      {EIO, 57},    {EMFILE, 67},  {ENAMETOOLONG, 52}};
  for (const auto& [e, n] : casi) {
    EXPECT_EQ(quimbo::erroreDa(std::error_code(e, std::generic_category())).numero(), n) << e;
    EXPECT_EQ(quimbo::erroreDa(std::error_code(e, std::system_category())).numero(), n) << e;
  }
  EXPECT_EQ(quimbo::erroreDa(std::make_error_code(std::future_errc::no_state)).numero(), 75);
  std::error_code vero;
  (void)std::filesystem::file_size("/nonexistent-quimbo-dir/x.sco", vero);
  EXPECT_EQ(quimbo::erroreDa(vero).numero(), 53);
}

}  // namespace
