// The four drivers: what each record line becomes, as command texts (Olivetti
// bodies before framing), translated with nothing sent; the errors of bad lines;
// and a whole receipt per family on the wire, byte for byte.

#include <gtest/gtest.h>

#include "drivers/kabel.h"
#include "fakes.h"
#include "link/kabel.h"
#include "numero_errore.h"
#include "queue/dispatch.h"

namespace quimbo::prova {
namespace {

using Comandi = std::vector<std::string>;
const std::string Q = "\"";

struct Caso {
  const char* ini;  // "[Altri parametri]" lines
  const char* riga;
  Comandi attesi;
  int errore = 0;  // the numbered error the line raises instead
};

const char* const kF = "Registratore=Frontiera";
const char* const kFD = "Registratore=Frontiera\nTotDisplay=s";
const char* const kV = "Registratore=Vandoni";
const char* const kO = "Registratore=Olivetti";
const char* const kK = "Registratore=Kabel";

// clang-format off
const Caso kCasi[] = {
    // Frontiera: quoted, cleaned description; quantity, price, department.
    {kF, "00\tPANE\t2\t150\t1", {Q + "PANE      " + Q + "2*150H1R"}},
    {kF, "00\tPANE\t1\t150\t1", {Q + "PANE      " + Q + "150H1R"}},
    {"Registratore=Frontiera\nSepDecimaliQta=,", "00\tPANE\t1.5\t150\t1", {Q + "PANE      " + Q + "1,5*150H1R"}},
    {kF, "00\tPANE\t0,5\t150\t1", {Q + "PANE      " + Q + "0.5*150H1R"}},
    {kF, "00\tPANE\t-1\t150\t1", {Q + "PANE      " + Q + "-1*150H1R"}},
    {kF, "00\tCAFF\xC8 1/2 KG\t1\t4.9\t3", {Q + "CAFF  1 2 " + Q + "4.9H3R"}},
    {kF, "00\t\t1\t150\t1", {"          150H1R"}},
    {"Registratore=Frontiera\nFrontMaxDesc=0", "00\tPANE\t1\t150\t1", {"150H1R"}},
    {kF, "00\tPANE\t1\t150", {Q + "PANE      " + Q + "150H0R"}},
    {kF, "LS\tab12", {Q + "AB12    " + Q + "@37F"}},
    {kF, "LS\tabc123456789", {Q + "ABC12345" + Q + "@37F"}},
    {kF, "LS\t", {Q + "        " + Q + "@37F"}},
    {"Registratore=Frontiera\nFrontMaxLotteria=0", "LS\tab12", {Q + Q + "@37F"}},
    {kFD, "80\tC\t1500\t0\t0\t2000", {"=", "2000H1T", Q + "Totale" + Q + "1%", Q + "20,00" + Q + "2%"}},
    {kFD, "80\tS\t1500\t100\t500",
     {"=", "100H4M", "900H12M", "12M", "1T", Q + "Totale" + Q + "1%", Q + "9,00" + Q + "2%"}},
    {kF, "80\tA\t1500\t0\t500", {"=", "1000H12M", "1000H12M", "1T"}},
    {kF, "80\tR\t1500\t0\t500", {"=", "1000H12M", "3T", "1T"}},
    {kFD, "80\tC\t1500\t0\t0\t0", {"=", "1T", Q + "Totale" + Q + "1%", Q + "0,00" + Q + "2%"}},
    {kF, "80\tc\t1500\t0\t0\t2000", {"=", "2000H1T"}},
    // The display text reads the amount as hundredths, rounded half away from zero.
    {kFD, "80\tC\t0\t0\t0\t0.5", {"=", "0.5H1T", Q + "Totale" + Q + "1%", Q + "0,01" + Q + "2%"}},
    {kFD, "80\tC\t0\t0\t0\t99.5", {"=", "99.5H1T", Q + "Totale" + Q + "1%", Q + "1,00" + Q + "2%"}},
    {kFD, "80\tC\t0\t0\t0\t-5", {"=", "1T", Q + "Totale" + Q + "1%", Q + "-0,05" + Q + "2%"}},
    {kFD, "80\tC\t0\t0\t0\t-0.4", {"=", "1T", Q + "Totale" + Q + "1%", Q + "0,00" + Q + "2%"}},
    {kF, "80\ta\t1500\t0\t0", {"=", "2T"}},
    {kF, "10\tBENVENUTI", {}},
    // Vandoni: digit codes and fixed columns.
    {kV, "00\tPANE\t2\t150\t3", {"40214", "2PANE           00000150031"}},
    {kV, "00\tPANE\t1,5\t150\t3", {"401160514", "2PANE           00000150031"}},
    {kV, "00\t***\t1\t150\t3", {"401050023"}},
    {kV, "00\tPANE\t1\t150\t105", {"2PANE           00000150051"}},
    {kV, "00\t \t1\t150\t105", {"401050025"}},
    {kV, "00\tPANE INTEGRALE DI SEGALE\t1\t123456789\t12", {"2PANE INTEGRALE 23456789121"}},
    {kV, "80\tC\t1500\t0\t0", {"419", "40050", "420", "497"}},
    {kV, "80\ta\t1500\t0\t0\t2000", {"419", "40050", "457", "497"}},
    {kV, "80\tr\t1500\t100\t0", {"419", "401000050", "456", "497"}},
    {kV, "80\tS\t1500\t100\t500", {"419", "401000050", "4090000", "458", "420", "497"}},
    {kV, "LS\tABC12345", {}},
    // Olivetti: length-prefixed fields.
    {kO, "00\tPANE\t1\t150", {"$1325#150$PANE  !0"}},
    {kO, "00\tPANE\t2\t1.25\t4", {"$1325#2.5$PANE  !0"}},
    {kO, "00\tPANE\t3\t0.335", {"$1325$1.01$PANE  !0"}},
    {kO, "00\t\t1\t150", {"$1325#150   !0"}},
    {kO, "00\tPANE INTEGRALE DI SEGALE\t1\t1", {"$1325!12PANE INTEGRALE DI   !0"}},
    {kO, "80\tC\t1500\t0\t0\t2000", {"$1329$2000(Contanti", "$1323"}},
    {kO, "80\tS\t1500\t100\t500\t0", {"$1327#100", "$1329#500(Anticipo", "$1329#900'Sospeso", "$1323"}},
    {kO, "80\tr\t1500\t0\t0\t1000", {"$1329$1500'C.Cred.", "$1323"}},
    {kO, "80\tA\t1500\t0\t0", {"$1329$1500'Assegni", "$1323"}},
    {kO, "LS\tABC12345", {}},
    // Kabel: plain text commands.
    {kK, "00\tPANE\t2\t1.5\t1", {"2x1.5" + Q + "PANE" + Q + "X"}},
    {kK, "00\tPANE\t1\t1.5\t1", {"1.5" + Q + "PANE" + Q + "X"}},
    {"Registratore=Kabel\nSepDecimaliQta=,", "00\tPANE\t1.5\t1.5\t1", {"1,5x1.5" + Q + "PANE" + Q + "X"}},
    {kK, "00\tPANE\t2\t-1.5\t1", {"A2x1.5" + Q + "PANE" + Q + "X"}},
    {kK, "00\t \t2\t1.5\t1", {"2x1.5X"}},
    {kK, "00\tCIOCCOLATO FONDENTE\t1\t1\t1", {"1" + Q + "CIOCCOLATO FON" + Q + "X"}},
    {kK, "00\tPANE DI GRANO DURO\t1\t1\t1", {"1" + Q + "PANE DI GRANO" + Q + "X"}},
    {"Registratore=Kabel\nLungMaxDesc=0", "00\tPANE\t1\t1\t1", {"1" + Q + Q + "X"}},
    {kK, "00\tPANE\t1\t1", {"1" + Q + "PANE" + Q + "X"}},
    {"Registratore=Kabel\nRepDef=4", "00\tPANE\t1\t1\t0", {"1" + Q + "PANE" + Q + "L"}},
    {kK, "00\tPANE\t1\t1\t10", {"1" + Q + "PANE" + Q + "T"}},
    {kK, "00\tPANE\t1\t1\t20", {"1" + Q + "PANE" + Q + "J"}},
    {kK, "80\tC\t1500\t0\t0\t2000", {"2000="}},
    {kK, "80\tA\t1500\t0\t0\t500", {"500=", "1000S"}},
    {kK, "80\tS\t1500\t0\t500\t0", {"1000O"}},
    {kK, "80\tR\t1500\t0\t500\t200", {"200=", "1000K"}},
    {kK, "80\tr\t1500\t0\t0", {"K"}},
    {kK, "80\tC\t1500\t0\t0", {"="}},
    {kK, "80\tA\t10.5\t0\t0\t5", {"5=", "5.5S"}},
    {kK, "10\tINTESTAZIONE", {"222{dINTESTAZIONE{"}},
    {kK, "LS\tABC12345", {}},
    // Bad lines: fields missing (9), not numbers (13), no payment command or department (5), overflow (6).
    {kV, "00\t\t2\t150\t0", {}, 9},
    {kV, "00\t\t1\t150\t21", {}, 9},
    {kV, "00\tPANE\tdue\t150\t1", {}, 13},
    {kV, "00\tPANE\t2", {}, 9},
    {kV, "80\tX\t1500\t0\t0", {}, 5},
    {kV, "80\tC\t1500\t0\t500", {}, 5},
    {kV, "80\tC\t1500\t0", {}, 9},
    {kF, "80\tX\t1500\t100\t0", {}, 5},
    {kF, "80\t\t1500\t0\t500", {}, 5},
    {kF, "00\tPANE\t1\tcento\t1", {}, 13},
    {"Registratore=Frontiera\nFrontMaxLotteria=-1", "LS\tA", {}, 5},
    {kO, "80\tX\t1500\t100\t0", {}, 5},
    {kO, "00\tPANE\t1", {}, 9},
    {kK, "80\tQ\t1500\t0\t0\t0", {}, 5},
    {kK, "80\tC\t1500\t0\t500", {}, 5},
    {kK, "80\tA\t1500\t0\t500\t600", {}, 5},
    {kK, "00\tPANE\t1\t1\t-2", {}, 5},
    {"Registratore=Kabel\nRepDef=0", "00\tPANE\t1\t1", {}, 5},
    {kK, "00\tPANE\t1\t1\t40000", {}, 6},
    {kK, "10", {}, 9},
};
// clang-format on

TEST(Driver, EachRecordBecomesTheseCommands) {
  for (const Caso& c : kCasi) {
    Banco b;
    b.avvia(c.ini);
    std::vector<std::string> comandi;
    EXPECT_EQ(numeroErrore([&] { comandi = Traduci(b.st, c.riga); }), c.errore) << c.ini << " | " << c.riga;
    EXPECT_EQ(comandi, c.attesi) << c.ini << " | " << c.riga;
    EXPECT_TRUE(b.porta.scritto.empty());
  }
}

// One Kabel amount is written the way the user's system writes numbers: the start-up
// takes the decimal separator from the numeric locale the environment names.
TEST(Driver, KabelAmountInTheLocalesNumberFormat) {
  const char* prima = std::getenv("LC_ALL");
  // A locale built here from the system's sources, so that the test needs none installed.
  const auto dir = std::filesystem::temp_directory_path() / "quimbo-locale";
  std::filesystem::create_directories(dir);
  if (std::system(
          ("localedef -i it_IT -f UTF-8 " + (dir / "it_IT.UTF-8").string() + " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "localedef non riesce a fare it_IT.UTF-8 (manca il pacchetto locales?)";
  ::setenv("LOCPATH", dir.c_str(), 1);
  for (const auto& [locale, sep] : {std::pair{"C", "."}, {"it_IT.UTF-8", ","}, {"xx_NESSUNO", "."}}) {
    ::setenv("LC_ALL", locale, 1);
    Banco b;
    b.avvia(kK);
    EXPECT_EQ(Traduci(b.st, "80\tA\t10.5\t0\t0\t5"), (Comandi{"5=", std::string("5") + sep + "5S"}))
        << locale;
    EXPECT_EQ(Traduci(b.st, "80\tA\t1\t0\t0\t0.5"), (Comandi{"0.5=", std::string("0") + sep + "5S"}));
  }
  ::unsetenv("LOCPATH");
  prima ? ::setenv("LC_ALL", prima, 1) : ::unsetenv("LC_ALL");
}

// Kabel's VAT summary goes before the first header once the box is ticked and the
// base configuration does not have it yet (its third digit 1); only a real send
// counts it as sent.
TEST(Driver, KabelVatSummaryOnlyOnARealSend) {
  // ConfBase, the box ticked, the summary switched on.
  const std::tuple<const char*, bool, bool> casi[] = {{"12045678", true, true},
                                                      {"12145678", true, false},
                                                      {"1204567", true, false},
                                                      {"12045678", false, false}};
  for (const auto& [conf, spuntato, riepilogo] : casi) {
    Banco b;
    auto& sim = b.prepara(kK, "kabel");
    b.finestra.confBaseTesto = conf;
    b.finestra.aggConfSpuntato = spuntato;
    Comandi attesi = {"222{dINTESTAZIONE{"};
    if (riepilogo) attesi.insert(attesi.begin(), "711{12145678{");
    EXPECT_EQ(Traduci(b.st, "10\tINTESTAZIONE"), attesi) << conf;
    EXPECT_FALSE(StatoProprio<StatoKabel>(b.st).mbKabelConf);
    EXPECT_EQ(Trasmetti(b.st, "10\tINTESTAZIONE").codice, 0);
    EXPECT_EQ(sim.comandi(), attesi) << conf;
    EXPECT_EQ(StatoProprio<StatoKabel>(b.st).mbKabelConf, riepilogo) << conf;
  }
}

// The base configuration with the summary switched on: its third digit becomes 1,
// whatever its length.
TEST(Driver, KabelVatSummaryOfTheBaseConfiguration) {
  const std::pair<const char*, const char*> casi[] = {
      {"12045678", "12145678"}, {"1204", "1214"}, {"12", "121"}};
  for (const auto& [conf, atteso] : casi) EXPECT_EQ(DetIva(conf), atteso) << conf;
}

// Frontiera shows the record and the lottery command only when they are really sent.
TEST(Driver, FrontieraDisplayOnlyOnARealSend) {
  Banco f;
  f.prepara(kF, "frontiera");
  Traduci(f.st, "LS\tab12");
  EXPECT_EQ(make_pair(f.st.txtTipo, f.st.TxtManda), make_pair(std::string("Frontiera"), std::string()));
  Trasmetti(f.st, "LS\tab12");
  EXPECT_EQ(make_pair(f.st.txtTipo, f.st.TxtManda),
            make_pair(Q + "AB12    " + Q + "@37F", std::string("LS\tab12")));
}

}  // namespace
}  // namespace quimbo::prova
