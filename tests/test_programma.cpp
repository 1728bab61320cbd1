// quimbo --headless against simcassa on a pty, with a temporary folder; simcassa's journal shows what came.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>

#include "aiuti_qt.h"
#include "queue/scansione.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

// A receipt of five sales in the folder, and the commands the register receives for it.
struct CinqueVendite {
  CartellaTemporanea dir;
  std::string righe;
  Righe blocco = {"415", "415"};
  CinqueVendite() {
    for (const std::string i : {"1", "2", "3", "4", "5"}) {
      righe += "00\tArticolo" + i + "\t1\t" + i + "\t1\r\n";
      blocco.push_back("2ARTICOLO" + i + "      0000000" + i + "011");
    }
    righe += "80\tC\t15\t0\t0\r\n";
    blocco.insert(blocco.end(), {"419", "40050", "420", "497"});
    std::ofstream(dir.p / "a.sco", std::ios::binary) << righe;
  }
  QStringList argomenti(const Simulatore& sim) const {
    return {"--headless", QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo(), 100))};
  }
};

TEST(Programma, RefusalsAreResolvedByThemselvesAfterTheUnlock) {
  CinqueVendite r;
  Simulatore sim({"vandoni", "--rifiuta", "3"}, (r.dir.p / "giornale.txt").string());
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), r.argomenti(sim));
  EXPECT_TRUE(finche([&] { return !fs::exists(r.dir.p / "a.sco"); }, 30000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_TRUE(p.readAllStandardError().contains("Verificati 3 errori in trasmissione"));
  Righe attese = {"415 (rifiutato)", "415 (rifiutato)", "415 (rifiutato)", "497", "497"};  // then the unlock
  attese.insert(attese.end(), r.blocco.begin(), r.blocco.end());
  sim.aspettaRighe(attese.size(), 2000);  // the simulator writes its journal after answering
  EXPECT_EQ(sim.righe(), attese);
}

// Stopped in the middle of the receipt, the program ends with code 0 and leaves it in the folder; the next
// run sends it whole, once.
TEST(Programma, StopInTheMiddleOfAReceiptLeavesItForTheNextRun) {
  CinqueVendite r;
  Simulatore sim({"vandoni", "--baud", "1200"}, (r.dir.p / "giornale.txt").string());
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), r.argomenti(sim));
  ASSERT_TRUE(sim.aspettaRighe(3, 15000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(std::make_pair(p.exitStatus(), p.exitCode()), std::make_pair(QProcess::NormalExit, 0));
  const Righe prima = sim.righe();
  ASSERT_LT(prima.size(), r.blocco.size()) << "not stopped in the middle";
  EXPECT_EQ(prima, Righe(r.blocco.begin(), r.blocco.begin() + static_cast<long>(prima.size())));
  EXPECT_EQ(leggi(r.dir.p / "a.sco"), r.righe);

  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), r.argomenti(sim));
  EXPECT_TRUE(finche([&] { return !fs::exists(r.dir.p / "a.sco"); }, 30000));
  p.terminate();
  EXPECT_TRUE(p.waitForFinished(5000) && p.exitCode() == 0);
  sim.aspettaRighe(prima.size() + r.blocco.size(), 2000);
  const Righe tutto = sim.righe();
  EXPECT_EQ(Righe(tutto.begin() + static_cast<long>(prima.size()), tutto.end()), r.blocco);
}

// The register's answer to the frame an earlier run wrote last is still on the line when the program opens
// it, or arrives just after: it answers nothing of this run. The refused closing goes out again, and the
// receipt is deleted once it was taken.
TEST(Programma, StaleAnswerOnTheLineAnswersNothingOfThisRun) {
  for (const char* dopo : {"", "0.02"}) {
    SCOPED_TRACE(*dopo ? "arriving just after the port opens" : "already on the line");
    CartellaTemporanea dir;
    QStringList opzioni = {"vandoni",   "--baud", "1200",      "--stantio", "\\x06",
                           "--rifiuta", "1",      "--al-dato", "497"};
    if (*dopo) opzioni << "--stantio-dopo" << dopo;
    Simulatore sim(opzioni, (dir.p / "giornale.txt").string());
    std::ofstream(dir.p / "a.sco", std::ios::binary) << "00\tPANE\t1\t150\t3\r\n80\tC\t150\t0\t0\r\n";
    QProcess p;
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
            {"--headless", QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo()))});
    EXPECT_TRUE(finche([&] { return !fs::exists(dir.p / "a.sco"); }, 10000));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(5000));
    sim.aspettaRighe(8, 2000);
    EXPECT_EQ(sim.righe(), Righe({"415", "415", "2PANE           00000150031", "419", "40050", "420",
                                  "497 (rifiutato)", "497"}));
  }
}

// With a timer that would not tick for ten minutes: the receipts found at start-up go at once, more than one
// scan's worth of them; a receipt renamed into the folder goes as soon as it lands; other files cost no scan.
// One line each on standard output.
TEST(Programma, ReceiptsGoOutAsSoonAsTheyArrive) {
  CartellaTemporanea dir, fuori;
  Simulatore sim({"vandoni"}, (fuori.p / "giornale.txt").string());
  auto ricevuta = [](int i) {
    return "00\tPANE" + std::to_string(i) + "\t1\t150\t1\r\n80\tC\t150\t0\t0\r\n";
  };
  auto vendite = [&] {
    const Righe r = sim.righe();
    return std::count_if(r.begin(), r.end(), [](const std::string& l) { return l.find("PANE") != l.npos; });
  };
  for (int i = 1; i <= kFilePerGiro + 2; ++i)
    std::ofstream(dir.p / (std::to_string(100 + i) + ".sco"), std::ios::binary) << ricevuta(i);
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
          {"--headless", QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo()))});
  EXPECT_TRUE(finche([&] { return vendite() == kFilePerGiro + 2; }, 60000)) << vendite();
  std::ofstream(dir.p / "altro.txt") << "x";
  std::ofstream(fuori.p / "ultima.sco", std::ios::binary) << ricevuta(99);
  fs::rename(fuori.p / "ultima.sco", dir.p / "ultima.sco");
  EXPECT_TRUE(
      finche([&] { return vendite() == kFilePerGiro + 3 && !fs::exists(dir.p / "ultima.sco"); }, 60000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  const QString uscita = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(uscita.count(QRegularExpression(R"(Scontrino \d+\.sco inviato: 7 comandi in \d+\.\d\d s\n)")),
            kFilePerGiro + 2)
      << uscita.toStdString();
  EXPECT_TRUE(uscita.contains("Scontrino ultima.sco inviato")) << uscita.toStdString();
  EXPECT_EQ(p.readAllStandardError(), "");
}

}  // namespace
}  // namespace quimbo::prova_qt
