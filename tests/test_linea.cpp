// The serial link over a real pseudo-terminal: the Qt port and event pump with
// the core's send operation, against the register simulator of each family.

#include <gtest/gtest.h>

#include <QTimer>

#include "aiuti_qt.h"
#include "fakes.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "numero_errore.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "shell/applicazione.h"
#include "shell/util.h"

namespace quimbo::prova_qt {
namespace {

using Righe = std::vector<std::string>;
using std::make_tuple;

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
    const EsitoAvvio e = Form_Load(st, scriviIni(dir, famiglia, sim.dispositivo(), 600000, altro));
    EXPECT_TRUE(e.portaAperta) << e.motivo;
  }
  Righe log() const {
    std::ifstream f(dir.p / "errori.txt");
    Righe r;
    for (std::string riga; std::getline(f, riga);) r.push_back(riga);
    return r;
  }
};

// Commands of each family reach the register with nothing logged: Vandoni's answers are shown and the
// sequence advances, a refusal series ends with the operator's retry; Frontiera keeps to the DC3 and DC1 of
// its flow control; an Olivetti bad status is sent again; the Kabel test text goes framed and its ready sign
// is shown. Each case: family, simulator faults, commands, journal ("|" between lines), TxtRit.
TEST(Linea, OgniFamigliaFinoAlSimulatore) {
  const std::tuple<const char*, QStringList, const char*, const char*, const char*> casi[] = {
      {"Vandoni", {}, "415|415|497", "415|415|497", "6 , "},
      {"Vandoni", {"--rifiuta", "3"}, "419", "419|419|419|497|497|419", "6 , "},
      {"Frontiera",
       {"--dc3-ogni", "3", "--dc3-durata", "0.05"},
       "\"PANE      \"2*150H1R",
       "\"PANE      \"2*150H1R (vendita)",
       ""},
      {"Olivetti", {"--stato-errato", "1"}, "1322", "$1322 (apertura)|$1322 (apertura, ritrasmissione)", ""},
      {"Kabel", {}, "2x1.5\"PANE\"X", "2x1.5\"PANE\"X (vendita)", "OKz"},
  };
  for (const auto& [famiglia, guasti, comandi, giornale, txtRit] : casi) {
    SCOPED_TRACE(giornale);
    Linea l(famiglia, guasti, famiglia == std::string("Kabel") ? "Pausa=0\n" : "");
    l.finestra.risposte = {Risposta::Si};
    for (const std::string& c : util::Dividi(comandi, "|")) {
      l.finestra.provaTesto = c;
      if (l.st.msTipoReg == "Olivetti")
        OlivSpedStr(l.st, AggCarContr(c), true);
      else if (l.st.msTipoReg == "Kabel")
        comTest_Click(l.st);
      else
        EXPECT_EQ(InviaCar(l.st, c, true), 0);
    }
    const Righe attese = util::Dividi(giornale, "|");
    ASSERT_TRUE(l.sim.aspettaRighe(attese.size(), 3000));
    EXPECT_EQ(l.sim.righe(), attese);
    EXPECT_EQ(make_tuple(l.st.mbErrTx, l.log(), l.finestra.domande.size()),
              make_tuple(false, Righe{}, l.finestra.risposte.empty() ? 1u : 0u))
        << l.st.TxtMsg;
    EXPECT_EQ(l.st.TxtRit, txtRit);
    EXPECT_EQ(l.st.miProgr, l.st.msTipoReg == "Vandoni" ? 32 + static_cast<int>(attese.size()) : 32);
  }
}

// A silent register: the wait ends at the time limit. Then the far end goes away during the next wait: the
// wait ends, the window kept working, the loss is logged once and the port is closed for good, without a
// handler that spins.
TEST(Linea, LimiteDiTempoERiaggancioDuranteUnoScambio) {
  Linea l("Vandoni", {"--muto"}, "TempoMaxRisposta=1\n");
  QElapsedTimer t;
  t.start();
  InviaCar(l.st, "415", true);
  EXPECT_GE(t.elapsed(), 950);
  EXPECT_EQ(make_tuple(l.st.mbErrTx, l.st.TxtMsg), make_tuple(true, "Nessuna risposta dalla cassa"));

  int battiti = 0;
  QTimer battito;
  QObject::connect(&battito, &QTimer::timeout, [&] { ++battiti; });
  battito.start(20);
  QTimer::singleShot(300, [&] { l.sim.uccidi(); });
  l.st.mbErrTx = false;
  EXPECT_EQ(InviaCar(l.st, "415", true), 0);
  EXPECT_EQ(make_tuple(l.st.mbErrTx, l.porta.aperta()), make_tuple(true, false));
  EXPECT_GT(battiti, 5);
  const double cpu = tempoCpu();
  finche([] { return false; }, 300);  // a port that kept reporting would log again here
  EXPECT_LT(tempoCpu() - cpu, 0.15) << "an error handler spins";
  EXPECT_FALSE(l.porta.seriale().isOpen());
  int perdite = 0;
  for (const std::string& riga : l.log())
    perdite += riga.find("Porta seriale non disponibile: ") != std::string::npos;
  EXPECT_EQ(perdite, 1);
  EXPECT_TRUE(l.st.TxtMsg.starts_with("Porta seriale non disponibile: ")) << l.st.TxtMsg;
  EXPECT_FALSE(l.porta.motivoChiusura().empty());
  EXPECT_EQ(numeroErrore([&] { l.porta.output("x"); }), err::PortaNonAperta);
}

}  // namespace
}  // namespace quimbo::prova_qt
