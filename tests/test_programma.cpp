// The program itself: build/quimbo --headless against build/simcassa on a
// pseudo-terminal, with a temporary receipt folder. Receipts go in as files;
// what the register received is read from the simulator's journal.

#include <gtest/gtest.h>

#include <algorithm>

#include "aiuti_qt.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

struct ProgrammaConCassa {
  CartellaTemporanea dir;
  Simulatore sim;
  std::string ini;
  QProcess p;
  QByteArray uscita;

  explicit ProgrammaConCassa(const QStringList& guasti, const std::string& altro = "")
      : sim(QStringList{"vandoni"} << guasti, (dir.p / "giornale.txt").string()) {
    fs::create_directory(dir.p / "scontrini");
    ini = (dir.p / "quimbo.ini").string();
    std::ofstream(ini) << "[Altri parametri]\nRegistratore=Vandoni\nAttesaTimer=100\nDirPerFile="
                       << (dir.p / "scontrini").string() << "\n" << altro
                       << "[Parametri Seriale]\nSettings=9600,e,7,1\nDispositivo=" << sim.dispositivo() << "\n";
  }
  ~ProgrammaConCassa() { ferma(); }

  void avvia() {
    uscita.clear();
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--headless", QString::fromStdString(ini)});
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  int ferma() {
    if (p.state() == QProcess::NotRunning) return p.exitCode();
    p.terminate();
    if (!p.waitForFinished(5000)) {
      p.kill();
      p.waitForFinished(5000);
      return -1;
    }
    uscita += p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  void scontrino(const std::string& nome, const std::string& righe) const {
    std::ofstream(dir.p / "scontrini" / nome, std::ios::binary) << righe;
  }
  int scontriniInAttesa() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir.p / "scontrini")) n += e.path().extension() == ".sco";
    return n;
  }
  bool finoAlloSvuotamento(int ms) {
    const bool ok = finche([&] { return scontriniInAttesa() == 0; }, ms);
    uscita += p.readAllStandardOutput();
    return ok;
  }
  std::string leggi(const std::string& nome) const {
    std::ifstream f(dir.p / "scontrini" / nome, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
};

// The journal cut into receipts: each begins with its two synchronisation commands.
std::vector<Righe> PerScontrino(const Righe& giornale) {
  std::vector<Righe> blocchi;
  for (size_t i = 0; i < giornale.size(); ++i) {
    if (giornale[i] == "415" && i + 1 < giornale.size() && giornale[i + 1] == "415" &&
        (blocchi.empty() || blocchi.back().size() > 1))
      blocchi.emplace_back();
    if (blocchi.empty()) blocchi.emplace_back();
    blocchi.back().push_back(giornale[i]);
  }
  std::sort(blocchi.begin(), blocchi.end());
  return blocchi;
}

TEST(Programma, ThreeReceiptsAreSentAndDeleted) {
  ProgrammaConCassa prg({});
  prg.scontrino("uno.sco", "00\tPane\t2\t1.5\t1\r\n80\tC\t3\t0\t0\t5\r\n");
  prg.scontrino("due.sco", "00\tLatte\t1\t1.2\t2\r\n00\t\t3\t0.5\t4\r\n80\tR\t2.7\t0\t0\r\n");
  prg.scontrino("tre.sco", "80\tS\t15\t1\t5\r\n");
  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(15000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.ferma(), 0);
  std::vector<Righe> attesi = {
      {"415", "415", "40214", "2PANE           000001.5011", "419", "40050", "420", "497"},
      {"415", "415", "2LATTE          000001.2021", "40314", "400160524", "419", "40050", "456", "497"},
      {"415", "415", "419", "40150", "409", "458", "420", "497"}};
  std::sort(attesi.begin(), attesi.end());
  EXPECT_EQ(PerScontrino(prg.sim.righe()), attesi);
  EXPECT_FALSE(fs::exists(prg.dir.p / "scontrini" / "badscont.bad"));
  EXPECT_FALSE(fs::exists(prg.dir.p / "scontrini" / "inviati.txt"));
}

TEST(Programma, RefusedFramesAreSentAgain) {
  ProgrammaConCassa prg({"--rifiuta", "2"});
  prg.scontrino("a.sco", "80\tC\t1\t0\t0\r\n");
  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(15000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.sim.righe(), (Righe{"415", "415", "415", "415", "419", "40050", "420", "497"}));
}

TEST(Programma, RefusalSeriesIsAnsweredAutomatically) {
  ProgrammaConCassa prg({"--rifiuta", "3"});
  prg.scontrino("a.sco", "80\tC\t1\t0\t0\r\n");
  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(15000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.sim.righe(),
            (Righe{"415", "415", "415", "497", "497", "415", "415", "419", "40050", "420", "497"}));
  EXPECT_TRUE(prg.uscita.contains("Verificati 3 errori in trasmissione")) << prg.uscita.toStdString();
}

TEST(Programma, UnknownPaymentLetterIsSetAside) {
  ProgrammaConCassa prg({});
  const std::string righe = "00\tPane\t1\t1.5\t1\r\n80\tQ\t1.5\t0\t0\r\n";
  prg.scontrino("a.sco", righe);
  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(15000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.ferma(), 0);
  EXPECT_EQ(prg.leggi("badscont.bad"), righe);
  EXPECT_EQ(prg.leggi("NomiFil.txt").rfind((prg.dir.p / "scontrini" / "a.sco").string() + " ", 0), 0u);
  EXPECT_EQ(prg.sim.righe(), (Righe{"415", "415", "2PANE           000001.5011"}));
  EXPECT_NE(prg.leggi("errori.txt").find("in s_scontrino Dopo"), std::string::npos);
}

// Stopped in the middle of a receipt, the program leaves it in the folder; the
// next run sends it whole, once.
TEST(Programma, SigtermInTheMiddleThenRestartSendsOnce) {
  ProgrammaConCassa prg({"--baud", "1200"});
  std::string righe;
  Righe blocco = {"415", "415"};
  for (int i = 1; i <= 5; ++i) {
    righe += "00\tArticolo" + std::to_string(i) + "\t1\t" + std::to_string(i) + "\t1\r\n";
    blocco.push_back("2ARTICOLO" + std::to_string(i) + "      0000000" + std::to_string(i) + "011");
  }
  righe += "80\tC\t15\t0\t0\r\n";
  for (const char* c : {"419", "40050", "420", "497"}) blocco.push_back(c);
  prg.scontrino("a.sco", righe);
  prg.avvia();
  ASSERT_TRUE(prg.sim.aspettaRighe(4, 15000));
  EXPECT_EQ(prg.ferma(), 0);
  EXPECT_EQ(prg.leggi("a.sco"), righe);
  const size_t primaParte = prg.sim.righe().size();
  EXPECT_LT(primaParte, blocco.size());

  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(30000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.ferma(), 0);
  const Righe tutto = prg.sim.righe();
  EXPECT_EQ(Righe(tutto.begin() + static_cast<long>(primaParte), tutto.end()), blocco);
}

}  // namespace
}  // namespace quimbo::prova_qt
