// The program itself: build/quimbo --headless against build/simcassa on a
// pseudo-terminal, with a temporary receipt folder. Receipts go in as files;
// what the register received is read from the simulator's journal.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "aiuti_qt.h"
#include "shell/util.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

struct ProgrammaConCassa {
  CartellaTemporanea dir;
  Simulatore sim;
  QProcess p;
  QByteArray uscita;

  explicit ProgrammaConCassa(const QStringList& guasti)
      : sim(QStringList{"vandoni"} << guasti, (dir.p / "giornale.txt").string()) {}
  void avvia() {
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
            {"--headless", QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo(), 100))});
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  // SIGTERM; the exit code, or -1 when the program did not end normally.
  int ferma() {
    p.terminate();
    const bool finito = p.waitForFinished(5000);
    uscita += p.readAllStandardOutput();
    return finito && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  void scontrino(const std::string& nome, const std::string& righe) const {
    std::ofstream(dir.p / nome, std::ios::binary) << righe;
  }
  bool finoAlloSvuotamento(int ms) {
    return finche(
        [&] {
          return std::none_of(fs::directory_iterator(dir.p), fs::directory_iterator(),
                              [](const auto& e) { return e.path().extension() == ".sco"; });
        },
        ms);
  }
  std::string leggi(const std::string& nome) const {
    std::ostringstream ss;
    ss << std::ifstream(dir.p / nome, std::ios::binary).rdbuf();
    return ss.str();
  }
};

// Refused frames are sent again; a refusal series is answered automatically ("try again"). Each run begins
// with the two synchronisation commands.
TEST(Programma, RifiutiDellaCassaRisoltiDaSolo) {
  const std::tuple<QStringList, const char*, const char*> casi[] = {
      {{"--rifiuta", "2"}, "415|415|415|415|419|40050|420|497", ""},
      {{"--rifiuta", "3"},
       "415|415|415|497|497|415|415|419|40050|420|497",
       "Verificati 3 errori in trasmissione"},
  };
  for (const auto& [guasti, giornale, uscita] : casi) {
    ProgrammaConCassa prg(guasti);
    prg.scontrino("a.sco", "80\tC\t1\t0\t0\r\n");
    prg.avvia();
    ASSERT_TRUE(prg.finoAlloSvuotamento(15000));
    EXPECT_EQ(prg.ferma(), 0);
    EXPECT_TRUE(prg.uscita.contains(uscita)) << prg.uscita.toStdString();
    EXPECT_EQ(prg.sim.righe(), util::Dividi(giornale, "|"));
    EXPECT_FALSE(fs::exists(prg.dir.p / "badscont.bad"));
  }
}

// Stopped in the middle of a receipt, the program leaves it in the folder; the next run sends it whole, once.
TEST(Programma, SigtermAMetaScontrinoPoiUnSoloInvio) {
  ProgrammaConCassa prg({"--baud", "1200"});
  std::string righe;
  Righe blocco = {"415", "415"};
  for (int i = 1; i <= 5; ++i) {
    righe += "00\tArticolo" + std::to_string(i) + "\t1\t" + std::to_string(i) + "\t1\r\n";
    blocco.push_back("2ARTICOLO" + std::to_string(i) + "      0000000" + std::to_string(i) + "011");
  }
  righe += "80\tC\t15\t0\t0\r\n";
  blocco.insert(blocco.end(), {"419", "40050", "420", "497"});
  prg.scontrino("a.sco", righe);
  prg.avvia();
  ASSERT_TRUE(prg.sim.aspettaRighe(4, 15000));
  EXPECT_EQ(prg.ferma(), 0);
  EXPECT_EQ(prg.leggi("a.sco"), righe);
  const Righe primaParte = prg.sim.righe();
  EXPECT_LT(primaParte.size(), blocco.size());
  prg.avvia();
  ASSERT_TRUE(prg.finoAlloSvuotamento(30000)) << prg.uscita.toStdString();
  EXPECT_EQ(prg.ferma(), 0);
  const Righe tutto = prg.sim.righe();
  EXPECT_EQ(Righe(tutto.begin() + static_cast<long>(primaParte.size()), tutto.end()), blocco);
}

}  // namespace
}  // namespace quimbo::prova_qt
