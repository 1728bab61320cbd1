#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <future>
#include <limits>

#include "base/percorsi.h"
#include "base/util.h"
#include "nome_riga.h"
#include "numero_errore.h"

using namespace quimbo::util;
using quimbo::numeroErrore;
using Pezzi = std::vector<std::string>;

namespace {

TEST(Util, SplitKeepsEveryEmptyField) {
  EXPECT_EQ(std::vector<Pezzi>({Dividi("a b\t\t c \t"), Dividi("\ta"), Dividi(""), Dividi("a<>b<>c", "<>"),
                                Dividi("a\tb", "")}),
            (std::vector<Pezzi>{{"a b", "", " c ", ""}, {"", "a"}, {""}, {"a", "b", "c"}, {"a\tb"}}));
}

// Rounding half away from zero on the decimal text.
TEST(Util, RoundsHalfAwayFromZero) {
  const std::tuple<double, int, double> arrotonda[] = {
      {1.005, 2, 1.01}, {2.675, 2, 2.68}, {-1.005, 2, -1.01}, {1.004, 2, 1.0},      {2.5, 0, 3.0},
      {9.995, 2, 10.0}, {1e-9, 2, 0.0},   {1.23, 5, 1.23},    {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0}};
  for (const auto& [valore, decimali, atteso] : arrotonda)
    EXPECT_EQ(Arrotonda(valore, decimali), atteso) << valore << " " << decimali;
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(Arrotonda(std::nan(""), 2)) && Arrotonda(inf, 2) == inf);
  EXPECT_FALSE(std::signbit(Arrotonda(-0.001, 2)));  // no "-0" downstream
}

// The conversion of text: the last accepted form is below the double range; anything
// else is error 13.
TEST(Util, NumberTextConvertsWithEitherDecimalSeparator) {
  const std::pair<std::string, double> converti[] = {
      {"0,005", 0.005}, {"1.5", 1.5}, {"-1,5", -1.5}, {"+3", 3.0},     {" 12 ", 12.0},
      {"", 0.0},        {"   ", 0.0}, {".5", 0.5},    {"-.25", -0.25}, {"5.", 5.0}};
  for (const auto& [testo, valore] : converti)
    EXPECT_EQ(ConvertiNumero(testo), valore) << '"' << testo << '"';
  const std::string piccolo = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(ConvertiNumero(piccolo), 0.0);
}

TEST(Util, NumberTextBeyondTheDoubleRangeIsError6) {
  EXPECT_EQ(numeroErrore([] { ConvertiNumero(std::string(400, '9')); }), 6);
}

TEST(Util, TextThatIsNoNumberIsError13) {
  for (const std::string t : {"abc", "1.2.3", "1,234.5", "12a", "a12", "-", ".", "+-1", "1 2", "1e3", "\t5"})
    EXPECT_EQ(numeroErrore([&] { ConvertiNumero(t); }), 13) << '"' << t << '"';
}

// The 16-bit integer, half to even: the result, or the error number when the third
// element is set.
TEST(Util, SixteenBitIntegerRoundsHalfToEven) {
  const std::tuple<const char*, int, bool> cIntero[] = {
      {"2,5", 2, false},       {"3.5", 4, false},           {"-2.5", -2, false},  {"2.6", 3, false},
      {"32767", 32767, false}, {"-32768.5", -32768, false}, {"32767.5", 6, true}, {"-32769", 6, true},
      {"", 13, true},          {"   ", 13, true},           {"abc", 13, true}};
  for (const auto& [testo, valore, errore] : cIntero)
    EXPECT_EQ(errore ? numeroErrore([&] { CIntero(testo); }) : CIntero(testo), valore) << '"' << testo << '"';
}

TEST(Util, LeadingNumberOfATextOrZero) {
  const std::pair<std::string, double> iniziale[] = {
      {"4000", 4000.0}, {" 12abc", 12.0}, {"\t7", 7.0}, {"COM3", 0.0}, {"", 0.0},     {"-3", -3.0},
      {"+8", 8.0},      {"-", 0.0},       {"1,5", 1.0}, {".5", 0.5},   {"1.5x", 1.5}, {"2.5.1", 2.5}};
  for (const auto& [testo, valore] : iniziale)
    EXPECT_EQ(ValoreIniziale(testo), valore) << '"' << testo << '"';
}

// The keys of an INI file read from text; "def" is the default passed in.
struct Chiave {
  const char *nome, *sezione, *chiave, *atteso;
};
class Ini : public ::testing::TestWithParam<Chiave> {};

TEST_P(Ini, KeyReadFromText) {
  using namespace std::string_literals;
  static const FileIni ini = FileIni::daTesto(
      "[Altri parametri]\r\nRegistratore=Kabel   \r\nDirPerFile = f:\\quimbo\r\nRitenta=3\r\nRitenta=9\r\n"
      "ConfBase=\"  12045678 \"\r\nTotDisplay='S'\r\nAperta=\"x\r\nVuote=\"\"\r\nVuoto=\r\n;Commento=1\r\n"
      "riga senza uguale\r\nDue:punti\r\n#Cancelletto=1\r\n  LungMaxDesc=20\r\nPunto=A ;B\r\nW=Caff\xE8 "
      "\x80\r\n"
      "Nul=abc\0zz\r\nLunga="s +
      std::string(250, 'x') + "k=1\r\nDopo=2\r\n[altri PARAMETRI]\r\nRegistratore=Epson\r\n" +
      "[Parametri Seriale]\r\nSettings=1200,e,7,1\r\n");
  EXPECT_TRUE(ini.esiste());
  EXPECT_EQ(ini.leggi(GetParam().sezione, GetParam().chiave, "def"), GetParam().atteso);
}
const char *A = "Altri parametri", *S = "Parametri Seriale";
// clang-format off
RIGHE(FileIni, Ini, {"TrailingBlanksTrimmed", A, "Registratore", "Kabel"}, {"BlanksAroundTheEqualsSignTrimmed", A, "DirPerFile", "f:\\quimbo"},
    {"FirstOfTwoWins", A, "Ritenta", "3"}, {"QuotesDroppedBlanksInsideKept", A, "ConfBase", "  12045678 "},
    {"SingleQuotesDropped", A, "TotDisplay", "S"}, {"UnclosedQuoteKept", A, "Aperta", "\"x"},
    {"EmptyQuotesAreEmpty", A, "Vuote", ""}, {"EmptyValue", A, "Vuoto", ""},
    {"SemicolonCommentIsNoKey", A, ";Commento", "def"}, {"ColonIsNoEqualsSign", A, "Due", "def"},
    {"HashCommentIsNoKey", A, "#Cancelletto", "def"}, {"IndentedKey", A, "LungMaxDesc", "20"},
    {"SemicolonAfterTheEqualsSignKept", A, "Punto", "A ;B"}, {"Windows1252BytesKept", A, "W", "Caff\xE8 \x80"},
    {"NulEndsTheValue", A, "Nul", "abc"}, {"LongLineNeverSpillsIntoAKey", A, "k", "def"},
    {"KeyAfterALongLine", A, "Dopo", "2"}, {"MissingKeyGivesTheDefault", A, "AttesaTimer", "def"},
    {"SectionIgnoresCaseFirstWins", "ALTRI PARAMETRI", "registratore", "Kabel"},
    {"KeyIgnoresCase", "parametri seriale", "SETTINGS", "1200,e,7,1"},
    {"MissingSectionGivesTheDefault", "Nessuna", "Registratore", "def"},
    {"KeyOfAnotherSectionGivesTheDefault", S, "Registratore", "def"});
// clang-format on

// A folder where the file should be is an error (a missing file gives the defaults, see test_avvio).
TEST(FileIni, FolderInPlaceOfTheFileIsError75) {
  EXPECT_EQ(numeroErrore([] { FileIni::carica(std::filesystem::temp_directory_path().string()); }), 75);
}

// The numbers of the system's errors, in either category, as the log shows them. The system's own category
// holds errno values on POSIX and Win32 codes on Windows. A file another program holds (a sharing or lock
// violation on Windows) is in use, not forbidden.
struct Codice {
  const char* nome;
  int errno_, win32, numero;
};
class ErroreDiSistema : public ::testing::TestWithParam<Codice> {};
TEST_P(ErroreDiSistema, HasTheNumberTheLogShows) {
  const auto& [_, errno_, win32, numero] = GetParam();
#ifdef _WIN32
  const int sistema = win32;
#else
  const int sistema = errno_;
#endif
  EXPECT_EQ(quimbo::erroreDa(std::error_code(errno_, std::generic_category())).numero(), numero);
  EXPECT_EQ(quimbo::erroreDa(std::error_code(sistema, std::system_category())).numero(), numero);
}
RIGHE(FileIni, ErroreDiSistema, {"NoSuchFile", ENOENT, 2, 53}, {"NoSuchFolder", ENOTDIR, 3, 76},
      {"AccessDenied", EACCES, 5, 75}, {"NotPermitted", EPERM, 5, 75}, {"ReadOnly", EROFS, 19, 75},
      {"DiskFull", ENOSPC, 112, 61}, {"InputOutput", EIO, 23, 57}, {"TooManyOpenFiles", EMFILE, 4, 67},
      {"NameTooLong", ENAMETOOLONG, 206, 52}, {"InUse", EBUSY, 32, 55},
      {"LockedByAnotherProgram", ETXTBSY, 33, 55});

TEST(FileIni, ErrorOfAnotherCategoryIs75) {
  EXPECT_EQ(quimbo::erroreDa(std::make_error_code(std::future_errc::no_state)).numero(), 75);
}

// A missing receipt folder: only a Windows service with the folder on a drive letter it does not have (a
// drive a user mapped to the shop's server) is told why and the two ways out.
TEST(Percorsi, MissingFolderOfAServiceOnAnUnmappedDriveIsExplained) {
  const std::string detto = quimbo::MotivoCartellaMancante("f:\\quimbo", quimbo::Unita::Nessuna, "Quimbo");
  for (const char* parola : {" inesistente per il servizio Quimbo", "f: per lui non c'\xe8",
                             "\\\\server\\condivisione\\quimbo", "sc config Quimbo obj= ", "console Servizi"})
    EXPECT_NE(detto.find(parola), std::string::npos) << parola << "\n" << detto;
}

struct Mancante {
  const char *nome, *dir;
  quimbo::Unita unita;
  const char* servizio;
};
class CartellaMancante : public ::testing::TestWithParam<Mancante> {};
TEST_P(CartellaMancante, IsSaidPlainly) {
  EXPECT_EQ(quimbo::MotivoCartellaMancante(GetParam().dir, GetParam().unita, GetParam().servizio),
            " inesistente: crearla, o correggere DirPerFile");
}
using quimbo::Unita;
RIGHE(Percorsi, CartellaMancante, {"NotAService", "f:\\quimbo", Unita::Nessuna, ""},
      {"NetworkDrive", "f:\\quimbo", Unita::Rete, "Quimbo"},
      {"LocalDrive", "c:\\scontrini", Unita::Locale, "Quimbo"},
      {"UncPath", "\\\\server\\quimbo", Unita::Nessuna, "Quimbo"},
      {"PosixPath", "/var/spool/quimbo", Unita::Nessuna, "quimbo"});

}  // namespace
