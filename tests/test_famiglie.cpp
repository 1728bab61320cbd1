// The program itself for each family: quimbo --headless against simcassa on a
// pseudo-terminal, a whole receipt printed and a receipt with a bad second sale
// line set aside with nothing of it sent.

#include <gtest/gtest.h>

#include "aiuti_qt.h"
#include "nome_riga.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

const char* const kRicevutaGuasta = "00\tPANE\t1\t1\t1\r\n00\tLATTE\t1\tuno\t1\r\n80\tC\t2\t0\t0\r\n";

struct Famiglia {
  const char *nome, *altro, *ricevuta;
  Righe giornale;
};
class ProgrammaVero : public ::testing::TestWithParam<Famiglia> {};

TEST_P(ProgrammaVero, PrintsAReceiptAndSetsABadOneAsideWithNothingSent) {
  const auto& c = GetParam();
  CartellaTemporanea dir;
  Simulatore sim({QString::fromLatin1(c.nome).toLower()}, (dir.p / "giornale.txt").string());
  ASSERT_FALSE(sim.dispositivo().empty());
  const std::string ini = scriviIni(dir, c.nome, sim.dispositivo(), 100, c.altro);
  // "b" after "a": the bad receipt comes second, after a receipt that was printed.
  std::ofstream(dir.p / "a.sco", std::ios::binary) << c.ricevuta;
  std::ofstream(dir.p / "b.sco", std::ios::binary) << kRicevutaGuasta;

  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--headless", QString::fromStdString(ini)});
  ASSERT_TRUE(p.waitForStarted(5000));
  EXPECT_TRUE(finche([&] { return !fs::exists(dir.p / "a.sco") && !fs::exists(dir.p / "b.sco"); }, 10000));
  p.terminate();
  EXPECT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  sim.ferma();

  EXPECT_EQ(sim.righe(), c.giornale);
  EXPECT_EQ(leggi(dir.p / "badscont.bad"), kRicevutaGuasta);
  EXPECT_NE(leggi(dir.p / "errori.txt").find("n.13 (Riga 2: Type mismatch) in s_scontrino Dopo"),
            std::string::npos);
}
// clang-format off
RIGHE(Famiglie, ProgrammaVero,
      {"Vandoni", "", "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n",
       {"415", "415", "40214", "2PANE           00000150031", "419", "40050", "420", "497"}},
      {"Frontiera", "TotDisplay=S\n",
       "00\tPANE\t2\t150\t1\r\n00\tLATTE\t1\t120\t2\r\nLS\tABC12345\r\n80\tC\t420\t0\t0\t500\r\n",
       {"K (sincronizzazione)", "\"PANE      \"2*150H1R (vendita)", "\"LATTE     \"120H2R (vendita)",
        "\"ABC12345\"@37F (lotteria)", "= (totale)", "500H1T (contanti, con il dato)",
        "\"Totale\"1% (display, riga 1)", "\"5,00\"2% (display, riga 2)"}},
      {"Olivetti", "", "00\tPANE\t1\t150\r\n80\tS\t1500\t100\t500\t0\r\n",
       {"$1322 (apertura)", "$1325#150$PANE  !0 (vendita: 150 | PANE |  |  | 0)", "$1327#100 (sconto: 100)",
        "$1329#500(Anticipo (pagamento: 500 | Anticipo)", "$1329#900'Sospeso (pagamento: 900 | Sospeso)",
        "$1323 (chiusura)"}},
      {"Kabel", "ConfBase=12045678\n", "10\tINTESTAZIONE\r\n00\tPANE\t2\t1.5\t1\r\n80\tA\t1500\t0\t0\t500\r\n",
       {"711{12145678{ (configurazione)", "222{dINTESTAZIONE{ (intestazione)", "2x1.5\"PANE\"X (vendita)",
        "500= (contanti)", "1000S (assegni)", "711{12045678{ (configurazione)"}});
// clang-format on

}  // namespace
}  // namespace quimbo::prova_qt
