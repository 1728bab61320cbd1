// quimbo --headless against simcassa on a pty, with a temporary folder; simcassa's journal shows what came.

#include <gtest/gtest.h>

#include "aiuti_qt.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

// A refusal series is answered by itself ("try again"), after the unlock. Stopped in the middle of the
// receipt, the program ends with code 0 and leaves it in the folder; the next run sends it whole, once.
TEST(Programma, RifiutiRisoltiDaSoloESigtermAMetaScontrino) {
  CartellaTemporanea dir;
  Simulatore sim({"vandoni", "--rifiuta", "3", "--baud", "1200"}, (dir.p / "giornale.txt").string());
  const QStringList argomenti = {"--headless",
                                 QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo(), 100))};
  std::string righe;
  Righe blocco = {"415", "415"};
  for (const std::string i : {"1", "2", "3", "4", "5"}) {
    righe += "00\tArticolo" + i + "\t1\t" + i + "\t1\r\n";
    blocco.push_back("2ARTICOLO" + i + "      0000000" + i + "011");
  }
  righe += "80\tC\t15\t0\t0\r\n";
  blocco.insert(blocco.end(), {"419", "40050", "420", "497"});
  std::ofstream(dir.p / "a.sco", std::ios::binary) << righe;
  const Righe rifiuti = {"415", "415", "415", "497", "497"};  // three NAKs, then the unlock

  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), argomenti);
  ASSERT_TRUE(sim.aspettaRighe(rifiuti.size() + 3, 15000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(std::make_pair(p.exitStatus(), p.exitCode()), std::make_pair(QProcess::NormalExit, 0));
  EXPECT_TRUE(p.readAllStandardError().contains("Verificati 3 errori in trasmissione"));
  const Righe prima = sim.righe();
  ASSERT_LT(prima.size(), rifiuti.size() + blocco.size()) << "not stopped in the middle";
  const long n = static_cast<long>(prima.size() - rifiuti.size());  // commands of the receipt that went out
  EXPECT_EQ(std::make_pair(Righe(prima.begin(), prima.end() - n), Righe(prima.end() - n, prima.end())),
            std::make_pair(rifiuti, Righe(blocco.begin(), blocco.begin() + n)));
  EXPECT_EQ(leggi(dir.p / "a.sco"), righe);

  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), argomenti);
  EXPECT_TRUE(finche([&] { return !fs::exists(dir.p / "a.sco"); }, 30000));
  p.terminate();
  EXPECT_TRUE(p.waitForFinished(5000) && p.exitCode() == 0);
  const Righe tutto = sim.righe();
  EXPECT_EQ(Righe(tutto.begin() + static_cast<long>(prima.size()), tutto.end()), blocco);
}

}  // namespace
}  // namespace quimbo::prova_qt
