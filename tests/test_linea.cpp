// The serial link over a real pseudo-terminal: the Qt port and event pump with
// the core's send operation, against the register simulator of each family.

#include <gtest/gtest.h>

#include <QTimer>
#include <csignal>

#include "aiuti_qt.h"
#include "fakes.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "shell/applicazione.h"

namespace quimbo::prova_qt {
namespace {

// The core over the real port and pump; the window is the scripted one.
struct Linea {
  CartellaTemporanea dir;
  Simulatore sim;
  OrologioSistema orologio;
  app::PortaQt porta;
  prova::FinestraFinta finestra;
  app::PompaQt pompa{orologio};
  Stato st{Piattaforma{porta, finestra, pompa, orologio}};

  Linea(const std::string& famiglia, const QStringList& guasti, const std::string& altro = "")
      : sim(QStringList{QString::fromStdString(famiglia)} << guasti, (dir.p / "giornale.txt").string()) {
    EXPECT_FALSE(sim.dispositivo().empty());
    const EsitoAvvio e = Form_Load(st, scriviIni(dir, famiglia, sim.dispositivo(), 600000, altro));
    EXPECT_TRUE(e.portaAperta) << e.motivo;
  }
  std::vector<std::string> log() const {
    std::vector<std::string> r;
    std::ifstream f(dir.p / "errori.txt");
    for (std::string riga; std::getline(f, riga);) r.push_back(riga);
    return r;
  }
};

struct CasoFamiglia {
  const char* famiglia;
  const char* altro;
  std::function<void(Stato&)> invia;
  const char* giornale;
};

class LineaPerFamiglia : public ::testing::TestWithParam<CasoFamiglia> {};

TEST_P(LineaPerFamiglia, OneCommandReachesTheRegister) {
  const CasoFamiglia& c = GetParam();
  Linea l(c.famiglia, {}, c.altro);
  c.invia(l.st);
  ASSERT_TRUE(l.sim.aspettaRighe(1, 3000));
  EXPECT_EQ(l.sim.righe()[0], c.giornale);
  EXPECT_FALSE(l.st.mbErrTx) << l.st.TxtMsg;
  EXPECT_TRUE(l.log().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Famiglie, LineaPerFamiglia,
    ::testing::Values(
        CasoFamiglia{"Vandoni", "", [](Stato& st) { EXPECT_EQ(InviaCar(st, "497", true), 0); }, "497"},
        CasoFamiglia{"Frontiera", "", [](Stato& st) { InviaCar(st, "K", true); }, "K"},
        CasoFamiglia{"Olivetti", "", [](Stato& st) { OlivSpedStr(st, AggCarContr("1322"), true); }, "$1322"},
        CasoFamiglia{"Kabel", "Pausa=0\n", [](Stato& st) { InviaCar(st, "711{x{", true); }, "711{x{"}),
    [](const auto& i) { return std::string(i.param.famiglia); });

TEST(Linea, VandoniAnswersAreShownAndTheSequenceAdvances) {
  Linea l("Vandoni", {});
  for (const char* c : {"415", "415", "497"}) EXPECT_EQ(InviaCar(l.st, c, true), 0);
  ASSERT_TRUE(l.sim.aspettaRighe(3, 3000));
  EXPECT_EQ(l.sim.righe(), (std::vector<std::string>{"415", "415", "497"}));
  EXPECT_EQ(l.st.TxtRit, "6 , ");
  EXPECT_EQ(l.st.miProgr, 35);
}

TEST(Linea, VandoniRefusalSeriesThenTheOperatorRetries) {
  Linea l("Vandoni", {"--rifiuta", "3"});
  l.finestra.risposte = {Risposta::Si};
  EXPECT_EQ(InviaCar(l.st, "419", true), 0);
  ASSERT_TRUE(l.sim.aspettaRighe(6, 3000));
  EXPECT_EQ(l.sim.righe(), (std::vector<std::string>{"419", "419", "419", "497", "497", "419"}));
  ASSERT_EQ(l.finestra.domande.size(), 1u);
}

TEST(Linea, FrontieraHeldByDc3KeepsTheFlowControl) {
  Linea l("Frontiera", {"--dc3-ogni", "3", "--dc3-durata", "0.05"});
  InviaCar(l.st, "\"PANE      \"2*150H1R", true);
  ASSERT_TRUE(l.sim.aspettaRighe(1, 3000));
  EXPECT_EQ(l.sim.righe(), (std::vector<std::string>{"\"PANE      \"2*150H1R"}));
}

TEST(Linea, OlivettiBadStatusIsSentAgain) {
  Linea l("Olivetti", {"--stato-errato", "1"});
  OlivSpedStr(l.st, AggCarContr("1322"), true);
  ASSERT_TRUE(l.sim.aspettaRighe(2, 3000));
  EXPECT_EQ(l.sim.righe(), (std::vector<std::string>{"$1322", "$1322 (ritrasmissione)"}));
  EXPECT_FALSE(l.st.mbErrTx);
}

TEST(Linea, KabelTestTextFramedAndReadySignShown) {
  Linea l("Kabel", {}, "Pausa=0\n");
  l.finestra.provaTesto = "2x1.5\"PANE\"X";
  comTest_Click(l.st);
  ASSERT_TRUE(l.sim.aspettaRighe(1, 3000));
  EXPECT_EQ(l.sim.righe()[0], "2x1.5\"PANE\"X");
  EXPECT_EQ(l.st.TxtRit, "OKz");
}

// The far end goes away while the program waits for an answer: the wait ends,
// the window keeps working, the loss is logged once and the port is closed.
TEST(Linea, HangUpInTheMiddleOfAnExchange) {
  Linea l("Vandoni", {"--muto"});
  int battiti = 0;
  QTimer battito;
  QObject::connect(&battito, &QTimer::timeout, [&] { ++battiti; });
  battito.start(20);
  QTimer::singleShot(300, [&] { l.sim.uccidi(); });
  EXPECT_EQ(InviaCar(l.st, "415", true), 0);
  EXPECT_TRUE(l.st.mbErrTx);
  EXPECT_FALSE(l.porta.aperta());
  EXPECT_GT(battiti, 5);  // events kept flowing during the wait
  lasciaScorrere(300);    // a port that kept reporting would log again here
  int perdite = 0;
  for (const std::string& riga : l.log()) perdite += riga.find("Porta seriale non disponibile") != std::string::npos;
  EXPECT_EQ(perdite, 1);
  EXPECT_EQ(l.st.TxtMsg.rfind("Porta seriale non disponibile: ", 0), 0u) << l.st.TxtMsg;
}

TEST(Linea, SilentRegisterWaitEndsAtTheLimit) {
  Linea l("Vandoni", {"--muto"}, "TempoMaxRisposta=0,3\n");
  QElapsedTimer t;
  t.start();
  InviaCar(l.st, "415", true);
  EXPECT_GE(t.elapsed(), 250);
  EXPECT_TRUE(l.st.mbErrTx);
  EXPECT_EQ(l.st.TxtMsg, "Nessuna risposta dalla cassa");
}

}  // namespace
}  // namespace quimbo::prova_qt
