#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <future>
#include <limits>

#include "numero_errore.h"
#include "shell/percorsi.h"
#include "shell/util.h"

using namespace quimbo::util;
using quimbo::numeroErrore;
using Pezzi = std::vector<std::string>;

namespace {

// Splitting keeps every empty field.
TEST(Util, Dividi) {
  EXPECT_EQ(std::vector<Pezzi>({Dividi("a b\t\t c \t"), Dividi("\ta"), Dividi(""), Dividi("a<>b<>c", "<>"),
                                Dividi("a\tb", "")}),
            (std::vector<Pezzi>{{"a b", "", " c ", ""}, {"", "a"}, {""}, {"a", "b", "c"}, {"a\tb"}}));
}

// Rounding half away from zero on the decimal text.
TEST(Util, Arrotonda) {
  const std::tuple<double, int, double> arrotonda[] = {
      {1.005, 2, 1.01}, {2.675, 2, 2.68}, {-1.005, 2, -1.01}, {1.004, 2, 1.0},      {2.5, 0, 3.0},
      {9.995, 2, 10.0}, {1e-9, 2, 0.0},   {1.23, 5, 1.23},    {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0}};
  for (const auto& [valore, decimali, atteso] : arrotonda)
    EXPECT_EQ(Arrotonda(valore, decimali), atteso) << valore << " " << decimali;
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(Arrotonda(std::nan(""), 2)) && Arrotonda(inf, 2) == inf);
  EXPECT_FALSE(std::signbit(Arrotonda(-0.001, 2)));  // no "-0" downstream
}

// The two conversions of text: the last accepted form is below the double range;
// anything else is error 13.
TEST(Util, ConvertiNumero) {
  const std::pair<std::string, double> converti[] = {
      {"0,005", 0.005}, {"1.5", 1.5}, {"-1,5", -1.5}, {"+3", 3.0},     {" 12 ", 12.0},
      {"", 0.0},        {"   ", 0.0}, {".5", 0.5},    {"-.25", -0.25}, {"5.", 5.0}};
  for (const auto& [testo, valore] : converti)
    EXPECT_EQ(std::make_pair(ConvertiNumero(testo), ConvertiNumero2(testo)), std::make_pair(valore, valore))
        << '"' << testo << '"';
  const std::string piccolo = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(std::make_pair(ConvertiNumero(piccolo), ConvertiNumero2(piccolo)), std::make_pair(0.0, 0.0));
  EXPECT_EQ(numeroErrore([] { ConvertiNumero(std::string(400, '9')); }), 6);
  for (const std::string t : {"abc", "1.2.3", "1,234.5", "12a", "a12", "-", ".", "+-1", "1 2", "1e3", "\t5"})
    EXPECT_EQ(
        std::make_pair(numeroErrore([&] { ConvertiNumero(t); }), numeroErrore([&] { ConvertiNumero2(t); })),
        std::make_pair(13, 13))
        << '"' << t << '"';
}

// The 16-bit integer, half to even: the result, or the error number when the third
// element is set.
TEST(Util, CIntero) {
  const std::tuple<const char*, int, bool> cIntero[] = {
      {"2,5", 2, false},       {"3.5", 4, false},           {"-2.5", -2, false},  {"2.6", 3, false},
      {"32767", 32767, false}, {"-32768.5", -32768, false}, {"32767.5", 6, true}, {"-32769", 6, true},
      {"", 13, true},          {"   ", 13, true},           {"abc", 13, true}};
  for (const auto& [testo, valore, errore] : cIntero)
    EXPECT_EQ(errore ? numeroErrore([&] { CIntero(testo); }) : CIntero(testo), valore) << '"' << testo << '"';
}

// The leading number of a text, 0 when there is none.
TEST(Util, ValoreIniziale) {
  const std::pair<std::string, double> iniziale[] = {
      {"4000", 4000.0}, {" 12abc", 12.0}, {"\t7", 7.0}, {"COM3", 0.0}, {"", 0.0},     {"-3", -3.0},
      {"+8", 8.0},      {"-", 0.0},       {"1,5", 1.0}, {".5", 0.5},   {"1.5x", 1.5}, {"2.5.1", 2.5}};
  for (const auto& [testo, valore] : iniziale)
    EXPECT_EQ(ValoreIniziale(testo), valore) << '"' << testo << '"';
}

// Sections and keys without regard to case, the first of two winning; values as written after trimming, one
// pair of quotes dropped; a NUL ends a value, a long line never spills into a second key; indented keys, ";"
// after the "=" and bytes of Windows-1252 are kept; a comment (";", "#") is no key, nor is "key:value". "def"
// is the default passed in.
TEST(FileIni, LetturaDaTestoEDaDiscoENumeriDErrore) {
  using namespace std::string_literals;
  // clang-format off
  const FileIni ini = FileIni::daTesto(
      "[Altri parametri]\r\nRegistratore=Kabel   \r\nDirPerFile = f:\\quimbo\r\nRitenta=3\r\nRitenta=9\r\n"
      "ConfBase=\"  12045678 \"\r\nTotDisplay='S'\r\nAperta=\"x\r\nVuote=\"\"\r\nVuoto=\r\n;Commento=1\r\n"
      "riga senza uguale\r\nDue:punti\r\n#Cancelletto=1\r\n  LungMaxDesc=20\r\nPunto=A ;B\r\nW=Caff\xE8 \x80\r\nNul=abc\0zz\r\nLunga="s +
      std::string(250, 'x') + "k=1\r\nDopo=2\r\n[altri PARAMETRI]\r\nRegistratore=Epson\r\n"
      "[Parametri Seriale]\r\nSettings=1200,e,7,1\r\n");
  const char *A = "Altri parametri", *S = "Parametri Seriale";
  const std::tuple<const char*, const char*, const char*> chiavi[] = {
      {A, "Registratore", "Kabel"}, {A, "DirPerFile", "f:\\quimbo"}, {A, "Ritenta", "3"}, {A, "ConfBase", "  12045678 "},
      {A, "TotDisplay", "S"}, {A, "Aperta", "\"x"}, {A, "Vuote", ""}, {A, "Vuoto", ""}, {A, ";Commento", "def"}, {A, "Due", "def"}, {A, "#Cancelletto", "def"},
      {A, "LungMaxDesc", "20"}, {A, "Punto", "A ;B"}, {A, "W", "Caff\xE8 \x80"}, {A, "Nul", "abc"}, {A, "k", "def"},
      {A, "Dopo", "2"}, {A, "AttesaTimer", "def"}, {"ALTRI PARAMETRI", "registratore", "Kabel"},
      {"parametri seriale", "SETTINGS", "1200,e,7,1"}, {"Nessuna", "Registratore", "def"}, {S, "Registratore", "def"}};
  // clang-format on
  EXPECT_TRUE(ini.esiste());
  for (const auto& [sezione, chiave, atteso] : chiavi)
    EXPECT_EQ(ini.leggi(sezione, chiave, "def"), atteso) << sezione << " " << chiave;
  // A folder where the file should be is an error (a missing file gives the defaults, see test_avvio); the
  // numbers of the system's errors, in either category, as the log shows them.
  EXPECT_EQ(numeroErrore([] { FileIni::carica(std::filesystem::temp_directory_path().string()); }), 75);
  // The system's own category holds errno values on POSIX and Win32 codes on Windows.
  struct Codice {
    int errno_, win32, numero;
  };
  // A file another program holds (a sharing or lock violation on Windows) is in use, not forbidden.
  const Codice casi[] = {{ENOENT, 2, 53},         {ENOTDIR, 3, 76},  {EACCES, 5, 75},  {EPERM, 5, 75},
                         {EROFS, 19, 75},         {ENOSPC, 112, 61}, {EIO, 23, 57},    {EMFILE, 4, 67},
                         {ENAMETOOLONG, 206, 52}, {EBUSY, 32, 55},   {ETXTBSY, 33, 55}};
  for (const auto& [errno_, win32, numero] : casi) {
#ifdef _WIN32
    const int sistema = win32;
#else
    const int sistema = errno_;
#endif
    EXPECT_EQ(quimbo::erroreDa(std::error_code(errno_, std::generic_category())).numero(), numero) << errno_;
    EXPECT_EQ(quimbo::erroreDa(std::error_code(sistema, std::system_category())).numero(), numero) << sistema;
  }
  EXPECT_EQ(quimbo::erroreDa(std::make_error_code(std::future_errc::no_state)).numero(), 75);
}

// A missing receipt folder: only a Windows service with the folder on a drive letter it does not have (a
// drive a user mapped to the shop's server) is told why and the two ways out.
TEST(Percorsi, CartellaMancanteDiUnServizio) {
  using quimbo::Unita;
  const std::tuple<const char*, Unita, const char*, bool> casi[] = {
      {"f:\\quimbo", Unita::Nessuna, "Quimbo", true},
      {"f:\\quimbo", Unita::Nessuna, "", false},
      {"f:\\quimbo", Unita::Rete, "Quimbo", false},
      {"c:\\scontrini", Unita::Locale, "Quimbo", false},
      {"\\\\server\\quimbo", Unita::Nessuna, "Quimbo", false},
      {"/var/spool/quimbo", Unita::Nessuna, "quimbo", false},
  };
  for (const auto& [dir, unita, servizio, spiegato] : casi) {
    const std::string detto = quimbo::MotivoCartellaMancante(dir, unita, servizio);
    if (!spiegato) {
      EXPECT_EQ(detto, " inesistente: crearla, o correggere DirPerFile") << dir;
      continue;
    }
    for (const char* parola :
         {" inesistente per il servizio Quimbo", "f: per lui non c'\xe8", "\\\\server\\condivisione\\quimbo",
          "sc config Quimbo obj= ", "console Servizi"})
      EXPECT_NE(detto.find(parola), std::string::npos) << parola << "\n" << detto;
  }
}

}  // namespace
