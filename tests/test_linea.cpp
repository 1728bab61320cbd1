// The core's send operation over the real port and pump, against simcassa (whole receipts: test_famiglie).

#include <gtest/gtest.h>

#include "aiuti_qt.h"
#include "fakes.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "numero_errore.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;

// The core over the real port and pump, against the simulator; the window is the scripted one.
struct Linea : SuPortaVera<prova::FinestraFinta> {
  Simulatore sim;
  Linea(const std::string& famiglia, const QStringList& guasti)
      : sim(QStringList{QString::fromStdString(famiglia)} << guasti, (dir.p / "giornale.txt").string()) {
    const EsitoAvvio e = Form_Load(st, imp, scriviIni(dir, famiglia, sim.dispositivo()));
    EXPECT_TRUE(e.portaAperta) << e.motivo;
  }
  std::string log() const { return leggi(dir.p / "errori.txt"); }
};

TEST(Linea, FrontieraKeepsToAHoldEveryThirdCharacter) {
  Linea f("Frontiera", {"--dc3-ogni", "3", "--dc3-durata", "0.05"});
  EXPECT_EQ(InviaComando(f.st, "\"PANE      \"2*150H1R", true).esito, EsitoComando::Accettato);
  ASSERT_TRUE(f.sim.aspettaRighe(1, 3000));
  EXPECT_EQ(f.sim.righe(), Righe{"\"PANE      \"2*150H1R (vendita)"});
  EXPECT_EQ(f.log(), "");
}

TEST(Linea, OlivettiSendsAgainAfterABadStatus) {
  Linea o("Olivetti", {"--stato-errato", "1"});
  EXPECT_EQ(OlivSpedComando(o.st, AggCarContr("1322"), true).esito, EsitoComando::Accettato);
  ASSERT_TRUE(o.sim.aspettaRighe(2, 3000));
  EXPECT_EQ(o.sim.righe(), (Righe{"$1322 (apertura)", "$1322 (apertura, ritrasmissione)"}));
  EXPECT_EQ(o.log(), "");
}

// The far end hangs up during a wait: the wait ends while events run, the loss is logged once and the port
// closed for good, without a handler that spins.
TEST(Linea, HangUpDuringAWaitClosesThePortAndIsLoggedOnce) {
  Linea l("Vandoni", {"--muto"});
  int battiti = 0;
  QTimer battito;
  QObject::connect(&battito, &QTimer::timeout, [&] { ++battiti; });
  battito.start(20);
  QTimer::singleShot(300, [&] { l.sim.uccidi(); });
  EXPECT_EQ(InviaComando(l.st, "415", true).esito, EsitoComando::LineaPersa);
  EXPECT_FALSE(l.porta.aperta());
  EXPECT_GT(battiti, 5);
  const double cpu = tempoCpu();
  finche([] { return false; }, 300);  // a port that kept reporting would log again here
  EXPECT_LT(tempoCpu() - cpu, 0.15) << "an error handler spins";
  const std::string log = l.log(), perdita = "Porta seriale non disponibile: ";
  EXPECT_TRUE(log.find(perdita) != std::string::npos && log.find(perdita) == log.rfind(perdita)) << log;
  EXPECT_TRUE(l.st.TxtMsg.starts_with(perdita)) << l.st.TxtMsg;
  EXPECT_EQ(numeroErrore([&] { l.porta.output("x"); }), err::PortaNonAperta);
}

}  // namespace
}  // namespace quimbo::prova_qt
