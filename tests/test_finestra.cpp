// The Qt shell: window, headless window, serial port on a pseudo-terminal, event
// pump, signals and the program itself. Runs under the offscreen platform.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "domanda_qt.h"
#include "finestra_headless.h"
#include "finestra_qt.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "segnali.h"
#include "shell/applicazione.h"
#include "shell/errore.h"
#include "aiuti_qt.h"

namespace fs = std::filesystem;
using namespace quimbo;
using namespace quimbo::app;
using namespace quimbo::prova_qt;

namespace {

// The real window over a pty, started by Form_Load; termina() only counts.
struct Avviata {
  Pty pty;
  CartellaTemporanea dir;
  OrologioSistema orologio;
  PortaQt porta;
  FinestraQt finestra;
  PompaQt pompa{orologio};
  Stato st{Piattaforma{porta, finestra, pompa, orologio}};
  int terminata = 0;
  EsitoAvvio esito;

  explicit Avviata(const std::string& tipo) {
    finestra.collega(&st, &pompa);
    finestra.impostaTermine([this] { ++terminata; });
    esito = Form_Load(st, scriviIni(dir, tipo, pty.nome));
  }
  bool mostrato(const char* nome) const {
    const auto* w = finestra.findChild<QWidget*>(QString::fromLatin1(nome));
    return w != nullptr && !w->isHidden();
  }
};

QWidget* figlio(const QWidget& w, const char* nome) {
  return w.findChild<QWidget*>(QString::fromLatin1(nome));
}

}  // namespace

// ---- The window as drawn ----

TEST(FinestraQt, OgniControlloHaIlSuoNomeETipo) {
  FinestraQt f;
  for (const char* n : {"LabManda", "LabRit", "LabConfBase", "Label1"})
    EXPECT_NE(qobject_cast<QLabel*>(figlio(f, n)), nullptr) << n;
  for (const char* n : {"TxtManda", "TxtRit", "txtProva", "txtConfBase", "txtTipo", "TxtMsg"})
    EXPECT_NE(qobject_cast<QLineEdit*>(figlio(f, n)), nullptr) << n;
  for (const char* n : {"comTest", "CmdSblocca", "Command1"})
    EXPECT_NE(qobject_cast<QPushButton*>(figlio(f, n)), nullptr) << n;
  EXPECT_NE(qobject_cast<QCheckBox*>(figlio(f, "CheAggConf")), nullptr);
}

TEST(FinestraQt, CaptionGeometriaInTwipECaratteri) {
  FinestraQt f;
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Gestione Registratore di Cassa"));
  EXPECT_EQ(f.size(), QSize(455, 255));  // 6825 x 3825 twips
  EXPECT_EQ(figlio(f, "TxtManda")->geometry(), QRect(44, 32, 365, 33));
  EXPECT_EQ(figlio(f, "Command1")->geometry(), QRect(320, 184, 121, 45));
  EXPECT_EQ(figlio(f, "TxtMsg")->geometry(), QRect(16, 232, 437, 19));
  EXPECT_EQ(figlio(f, "LabConfBase")->geometry(), QRect(8, 164, 137, 13));

  EXPECT_DOUBLE_EQ(f.font().pointSizeF(), 8.25);
  EXPECT_TRUE(f.font().bold());
  EXPECT_DOUBLE_EQ(figlio(f, "Command1")->font().pointSizeF(), 19.5);
  EXPECT_DOUBLE_EQ(figlio(f, "CmdSblocca")->font().pointSizeF(), 9.75);
  EXPECT_DOUBLE_EQ(figlio(f, "LabManda")->font().pointSizeF(), 13.5);
  EXPECT_FALSE(figlio(f, "TxtMsg")->font().bold());
  EXPECT_TRUE(figlio(f, "txtTipo")->font().bold());
  EXPECT_EQ(qobject_cast<QLabel*>(figlio(f, "LabConfBase"))->alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  EXPECT_EQ(qobject_cast<QLabel*>(figlio(f, "LabManda"))->alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
}

TEST(FinestraQt, StatoAllaCreazione) {
  FinestraQt f;
  for (const char* n : {"LabRit", "TxtRit", "CmdSblocca"}) EXPECT_TRUE(figlio(f, n)->isHidden()) << n;
  for (const char* n : {"LabManda", "TxtManda", "txtProva", "comTest", "LabConfBase", "txtConfBase",
                        "CheAggConf", "Label1", "txtTipo", "Command1", "TxtMsg"})
    EXPECT_FALSE(figlio(f, n)->isHidden()) << n;
  EXPECT_FALSE(qobject_cast<QCheckBox*>(figlio(f, "CheAggConf"))->isChecked());
  for (const char* n : {"TxtManda", "TxtRit", "TxtMsg"})
    EXPECT_TRUE(qobject_cast<QLineEdit*>(figlio(f, n))->isReadOnly()) << n;
  for (const char* n : {"txtProva", "txtConfBase"})
    EXPECT_FALSE(qobject_cast<QLineEdit*>(figlio(f, n))->isReadOnly()) << n;
  EXPECT_FALSE(f.timer1().timer().isActive());
}

TEST(FinestraQt, TastiDiAccesso) {
  FinestraQt f;
  auto* fine = qobject_cast<QPushButton*>(figlio(f, "Command1"));
  auto* sblocca = qobject_cast<QPushButton*>(figlio(f, "CmdSblocca"));
  EXPECT_EQ(fine->text(), QStringLiteral("&FINE"));
  EXPECT_EQ(fine->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F));
  EXPECT_EQ(sblocca->text(), QStringLiteral("&Sblocca tastiera"));
  EXPECT_EQ(sblocca->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
  EXPECT_EQ(qobject_cast<QPushButton*>(figlio(f, "comTest"))->text(), QStringLiteral("InviaTest"));
}

TEST(FinestraQt, OrdineDiTabulazione) {
  FinestraQt f;
  const std::vector<QString> atteso = {"TxtRit", "TxtManda", "Command1", "CmdSblocca", "TxtMsg",
                                       "txtTipo", "txtProva", "comTest", "txtConfBase", "CheAggConf"};
  std::vector<QString> visto;
  QWidget* w = figlio(f, "TxtRit");
  for (int i = 0; i < 40 && visto.size() < atteso.size(); ++i, w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) visto.push_back(w->objectName());
  }
  EXPECT_EQ(visto, atteso);
}

TEST(FinestraQt, TestiInWindows1252) {
  FinestraQt f;
  f.scrivi(Campo::TxtManda, std::string("\x02" "ABC\xe8\x03", 6));
  EXPECT_EQ(qobject_cast<QLineEdit*>(figlio(f, "TxtManda"))->text(), QString::fromUtf8("<STX>ABCè<ETX>"));
  f.scrivi(Campo::Caption, "Gestione Registratore di Cassa (Caff\xe8) ");
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Gestione Registratore di Cassa (Caffè) "));
  f.impostaConfBase("caff\xe8");
  EXPECT_EQ(qobject_cast<QLineEdit*>(figlio(f, "txtConfBase"))->text(), QString::fromUtf8("caffè"));
  EXPECT_EQ(f.confBase(), "caff\xe8");
  qobject_cast<QLineEdit*>(figlio(f, "txtProva"))->setText(QString::fromUtf8("però €"));
  EXPECT_EQ(f.prova(), "per\xf2 \x80");
  f.impostaAggConf(true);
  EXPECT_TRUE(f.aggConf());
  EXPECT_TRUE(qobject_cast<QCheckBox*>(figlio(f, "CheAggConf"))->isChecked());
}

TEST(FinestraQt, CollegamentoOccupatoBloccaIDuePulsanti) {
  FinestraQt f;
  f.collegamentoOccupato(true);
  EXPECT_FALSE(figlio(f, "CmdSblocca")->isEnabled());
  EXPECT_FALSE(figlio(f, "comTest")->isEnabled());
  EXPECT_TRUE(figlio(f, "Command1")->isEnabled());
  f.collegamentoOccupato(false);
  EXPECT_TRUE(figlio(f, "CmdSblocca")->isEnabled());
  EXPECT_TRUE(figlio(f, "comTest")->isEnabled());
}

TEST(FinestraQt, Timer1) {
  FinestraQt f;
  const QTimer& t = f.timer1().timer();
  f.intervalloTimer(0);
  f.abilitaTimer(true);
  EXPECT_FALSE(t.isActive()) << "an interval of 0 gives no ticks";
  f.intervalloTimer(4000);
  EXPECT_TRUE(t.isActive());
  EXPECT_EQ(t.interval(), 4000);
  EXPECT_GT(t.remainingTime(), 3900);
  f.abilitaTimer(false);
  EXPECT_FALSE(t.isActive());
  f.intervalloTimer(25);
  EXPECT_FALSE(t.isActive()) << "a new interval does not enable the timer";
}

// ---- Message boxes ----

TEST(Domanda, PulsantiItalianiETitoloDellApplicazione) {
  auto testi = [](const Domanda& d) {
    std::vector<QString> r;
    for (const auto& [p, risposta] : d.pulsanti) r.push_back(p->text());
    return r;
  };
  Domanda a = costruisciDomanda(nullptr, "", "riga 1\r\nriga 2", Icona::Domanda, Pulsanti::OkAnnulla);
  EXPECT_EQ(a.box->windowTitle(), QStringLiteral("Invio Scontrini alle casse"));
  EXPECT_EQ(a.box->text(), QStringLiteral("riga 1\nriga 2"));
  EXPECT_EQ(a.box->icon(), QMessageBox::Question);
  EXPECT_EQ(testi(a), (std::vector<QString>{"OK", "Annulla"}));
  EXPECT_EQ(a.box->defaultButton()->text(), QStringLiteral("OK"));
  EXPECT_EQ(a.risposta(), Risposta::Annulla) << "closed without a click";

  Domanda b = costruisciDomanda(nullptr, "Errore file ini", "x", Icona::Esclamazione, Pulsanti::SiNoAnnulla);
  EXPECT_EQ(b.box->windowTitle(), QStringLiteral("Errore file ini"));
  EXPECT_EQ(b.box->icon(), QMessageBox::Warning);
  EXPECT_EQ(testi(b), (std::vector<QString>{QString::fromUtf8("Sì"), "No", "Annulla"}));
  EXPECT_EQ(b.box->escapeButton()->text(), QStringLiteral("Annulla"));

  Domanda c = costruisciDomanda(nullptr, "", "x", Icona::Critico, Pulsanti::SiNo);
  EXPECT_EQ(c.box->icon(), QMessageBox::Critical);
  EXPECT_EQ(testi(c), (std::vector<QString>{QString::fromUtf8("Sì"), "No"}));
  EXPECT_EQ(c.risposta(), Risposta::No);

  Domanda d = costruisciDomanda(nullptr, "", "x", Icona::Informazione, Pulsanti::Ok);
  EXPECT_EQ(testi(d), (std::vector<QString>{"OK"}));
  EXPECT_EQ(d.box->icon(), QMessageBox::Information);
}

TEST(Domanda, ChiediRestituisceIlPulsantePremuto) {
  FinestraQt f;
  std::function<void()> premi;
  QString titolo;
  bool modale = false;
  premi = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      QTimer::singleShot(5, premi);
      return;
    }
    titolo = box->windowTitle();
    modale = box->isModal();
    for (QAbstractButton* b : box->buttons())
      if (b->text() == QStringLiteral("No")) b->click();
  };
  QTimer::singleShot(0, premi);
  EXPECT_EQ(f.chiedi("", "Riprovo?", Icona::Domanda, Pulsanti::SiNoAnnulla), Risposta::No);
  EXPECT_EQ(titolo, QStringLiteral("Invio Scontrini alle casse"));
  EXPECT_TRUE(modale);
}

// ---- Start-up through the window ----

TEST(FinestraAvviata, Vandoni) {
  Avviata a("Vandoni");
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  EXPECT_TRUE(a.mostrato("TxtRit"));
  EXPECT_TRUE(a.mostrato("LabRit"));
  EXPECT_TRUE(a.mostrato("CmdSblocca"));
  for (const char* n : {"txtProva", "comTest", "LabConfBase", "txtConfBase", "CheAggConf"})
    EXPECT_FALSE(a.mostrato(n)) << n;
  EXPECT_EQ(a.finestra.windowTitle(), QStringLiteral("Gestione Registratore di Cassa (Vandoni) "));
  EXPECT_EQ(qobject_cast<QLineEdit*>(figlio(a.finestra, "txtTipo"))->text(), QStringLiteral("Vandoni"));
  EXPECT_TRUE(a.porta.aperta());
  EXPECT_TRUE(a.finestra.timer1().timer().isActive());
  EXPECT_EQ(a.finestra.timer1().timer().interval(), 600000);
}

TEST(FinestraAvviata, FrontieraNonMostraNeRispostaNeSblocco) {
  Avviata a("Frontiera");
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  for (const char* n : {"TxtRit", "LabRit", "CmdSblocca", "txtProva", "comTest", "LabConfBase",
                        "txtConfBase", "CheAggConf"})
    EXPECT_FALSE(a.mostrato(n)) << n;
}

TEST(FinestraAvviata, KabelInMinuscoloMostraIControlliKabel) {
  Avviata a("kabel");
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  for (const char* n : {"TxtRit", "LabRit", "txtProva", "comTest", "LabConfBase", "txtConfBase", "CheAggConf"})
    EXPECT_TRUE(a.mostrato(n)) << n;
  EXPECT_FALSE(a.mostrato("CmdSblocca"));
  EXPECT_EQ(a.finestra.windowTitle(), QStringLiteral("Gestione Registratore di Cassa (kabel) "));
}

TEST(FinestraAvviata, TipoSconosciutoNascondeTutto) {
  Avviata a("Epson");
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  for (const char* n : {"TxtRit", "LabRit", "CmdSblocca", "txtProva", "comTest", "LabConfBase",
                        "txtConfBase", "CheAggConf"})
    EXPECT_FALSE(a.mostrato(n)) << n;
  EXPECT_EQ(a.finestra.windowTitle(), QStringLiteral("Gestione Registratore di Cassa (Epson) "));
}

TEST(FinestraAvviata, FineChiudeLaPortaEFermaIlTimer) {
  Avviata a("Vandoni");
  ASSERT_TRUE(a.porta.aperta());
  qobject_cast<QPushButton*>(figlio(a.finestra, "Command1"))->click();
  EXPECT_FALSE(a.porta.aperta());
  EXPECT_FALSE(a.finestra.timer1().timer().isActive());
  EXPECT_TRUE(a.st.mbErrTx);
  EXPECT_EQ(a.terminata, 1);
}

TEST(FinestraAvviata, ScaricaAncheSenzaEssereMostrata) {
  Avviata a("Vandoni");
  ASSERT_TRUE(a.porta.aperta());
  a.finestra.scarica();  // a signal during start-up, before the window is shown
  EXPECT_FALSE(a.porta.aperta());
  EXPECT_FALSE(a.finestra.timer1().timer().isActive());
  EXPECT_EQ(a.terminata, 1);
  a.finestra.scarica();
  EXPECT_EQ(a.terminata, 1);
}

TEST(FinestraAvviata, LaCrocettaScaricaLaFinestraUnaVolta) {
  Avviata a("Vandoni");
  a.finestra.show();
  ASSERT_TRUE(a.porta.aperta());
  EXPECT_TRUE(a.finestra.close());
  EXPECT_FALSE(a.porta.aperta());
  EXPECT_FALSE(a.finestra.timer1().timer().isActive());
  EXPECT_EQ(a.terminata, 1);
  a.finestra.show();
  a.finestra.close();
  EXPECT_EQ(a.terminata, 1) << "the window unloads once";
}

// ---- Headless ----

namespace {
struct Headless {
  OrologioSistema orologio;
  PortaQt porta;
  std::FILE* uscita = std::tmpfile();
  FinestraHeadless finestra{uscita};
  PompaQt pompa{orologio};
  Stato st{Piattaforma{porta, finestra, pompa, orologio}};
  Headless() { finestra.collega(&st, &pompa); }
  ~Headless() { std::fclose(uscita); }
  std::string letto() {
    std::fflush(uscita);
    std::rewind(uscita);
    std::string r;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, uscita)) > 0) r.append(buf, n);
    return r;
  }
};
}  // namespace

TEST(FinestraHeadless, RisposteAutomaticheContatePerLavoro) {
  Headless h;
  h.st.miRisposteAutomatiche = 2;
  auto& f = h.finestra;
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Ok);
  EXPECT_EQ(f.chiedi("", "?", Icona::Informazione, Pulsanti::Ok), Risposta::Ok);  // not counted
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNoAnnulla), Risposta::Si);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Annulla);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNoAnnulla), Risposta::Annulla);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNo), Risposta::No);
  f.nuovoLavoro();
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNo), Risposta::Si);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Ok);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Annulla);
}

TEST(FinestraHeadless, ZeroVuolDireSempreRinunciare) {
  Headless h;
  h.st.miRisposteAutomatiche = 0;
  auto& f = h.finestra;
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Annulla);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNoAnnulla), Risposta::Annulla);
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::SiNo), Risposta::No);
  f.nuovoLavoro();
  EXPECT_EQ(f.chiedi("", "?", Icona::Domanda, Pulsanti::OkAnnulla), Risposta::Annulla);
}

TEST(FinestraHeadless, UnaRigaPerCambiamento) {
  Headless h;
  h.st.miRisposteAutomatiche = 1;
  auto& f = h.finestra;
  f.scrivi(Campo::TxtManda, std::string("\x02" " $497\x03p   ,32", 14));
  f.scrivi(Campo::TxtRit, "6 , ");
  f.scrivi(Campo::TxtMsg, "Framing Error");
  f.scrivi(Campo::txtTipo, "Caff\xe8");
  f.scrivi(Campo::Caption, "Gestione Registratore di Cassa (Vandoni) ");
  f.chiedi("", "Il registratore non risponde\r\nRiprovo?", Icona::Domanda, Pulsanti::OkAnnulla);
  f.chiedi("Errore", "Ancora?", Icona::Domanda, Pulsanti::SiNo);

  const std::string ora = R"(\d\d:\d\d:\d\d\.\d\d\d )";
  const std::regex atteso(
      ora + "MANDO ALLA CASSA: <STX> \\$497<ETX>p   ,32\n" +
      ora + "RITORNO DALLA CASSA: 6 , \n" +
      ora + "MESSAGGI: Framing Error\n" +
      ora + "Tipo Registratore: Caffè\n" +
      ora + "FINESTRA: Gestione Registratore di Cassa \\(Vandoni\\) \n" +
      ora + "DOMANDA \\[Invio Scontrini alle casse\\]: Il registratore non risponde / Riprovo\\? -> OK\n" +
      ora + "DOMANDA \\[Errore\\]: Ancora\\? -> No\n");
  const std::string uscita = h.letto();
  EXPECT_TRUE(std::regex_match(uscita, atteso)) << uscita;
}

TEST(FinestraHeadless, ValoriTenutiPerIlNucleo) {
  Headless h;
  auto& f = h.finestra;
  EXPECT_EQ(f.prova(), "");
  f.impostaProva("ciao");
  EXPECT_EQ(f.prova(), "ciao");
  f.impostaConfBase("ABC");
  EXPECT_EQ(f.confBase(), "ABC");
  f.impostaAggConf(true);
  EXPECT_TRUE(f.aggConf());
  f.intervalloTimer(4000);
  f.abilitaTimer(true);
  EXPECT_TRUE(f.timer1().timer().isActive());
  f.abilitaTimer(false);
  EXPECT_FALSE(f.timer1().timer().isActive());
}

// ---- The serial port on a pseudo-terminal ----

namespace {
struct PortaSuPty : ::testing::Test {
  Pty pty;
  PortaQt porta;
  std::vector<int> eventi;
  void SetUp() override {
    ASSERT_GE(pty.master, 0);
    porta.suEvento([this](int c) { eventi.push_back(c); });
    std::string motivo;
    ASSERT_TRUE(porta.apri(pty.nome, "9600,n,8,1", motivo)) << motivo;
  }
  int quanti(int codice) const { return static_cast<int>(std::count(eventi.begin(), eventi.end(), codice)); }
};
}  // namespace

TEST(PortaQt, AperturaFallitaDiceIlMotivo) {
  PortaQt porta;
  std::string motivo;
  EXPECT_FALSE(porta.apri("/dev/quimbo-nessun-dispositivo", "1200,e,7,1", motivo));
  EXPECT_FALSE(motivo.empty());
  EXPECT_FALSE(porta.aperta());
  Pty pty;
  motivo.clear();
  EXPECT_FALSE(porta.apri(pty.nome, "veloce,x", motivo));
  EXPECT_FALSE(motivo.empty());
  EXPECT_FALSE(porta.aperta());
}

TEST(PortaQt, ScritturaSuPortaChiusaSollevaErrore) {
  PortaQt porta;
  try {
    porta.output("x");
    FAIL() << "no error";
  } catch (const Errore& e) {
    EXPECT_EQ(e.numero(), err::PortaNonAperta);
  }
  EXPECT_EQ(porta.inBufferCount(), 0);
  EXPECT_EQ(porta.input(), "");
}

TEST_F(PortaSuPty, ImpostazioniApplicate) {
  std::string motivo;
  ASSERT_TRUE(porta.apri(pty.nome, "1200,e,7,2", motivo)) << motivo;
  EXPECT_EQ(porta.seriale().baudRate(), 1200);
  EXPECT_EQ(porta.seriale().parity(), QSerialPort::EvenParity);
  EXPECT_EQ(porta.seriale().dataBits(), QSerialPort::Data7);
  EXPECT_EQ(porta.seriale().stopBits(), QSerialPort::TwoStop);
  EXPECT_EQ(porta.seriale().flowControl(), QSerialPort::NoFlowControl);
}

TEST_F(PortaSuPty, OgniByteArrivaAllaLinea) {
  std::string tutti;
  for (int i = 0; i < 256; ++i) tutti += static_cast<char>(i);
  porta.output(tutti);  // no event processing: the bytes must be on the line already
  EXPECT_EQ(pty.leggi(tutti.size(), 2000), tutti);
}

TEST_F(PortaSuPty, RiceveComeEventoDueEPassaIControlli) {
  const std::string dati("\x02OK\x13\x11\x14z\x00\xff\x03", 10);
  pty.scrivi(dati);
  std::string letto;
  ASSERT_TRUE(finche([&] {
    while (porta.inBufferCount() > 0) letto += porta.input();
    return letto.size() >= dati.size();
  }, 2000));
  EXPECT_EQ(letto, dati);
  EXPECT_GE(quanti(evento::Receive), 1);
  EXPECT_EQ(quanti(evento::Receive), static_cast<int>(eventi.size()));
}

TEST_F(PortaSuPty, AttesaSenzaDatiScadeSenzaEventi) {
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(porta.attendiDati(0.2));
  EXPECT_GE(t.elapsed(), 180);
  EXPECT_LT(t.elapsed(), 1500);
  EXPECT_TRUE(eventi.empty());
}

TEST_F(PortaSuPty, AttesaConDatiNonChiamaIlGestore) {
  pty.scrivi("\x06");
  EXPECT_TRUE(porta.attendiDati(2.0));
  EXPECT_TRUE(eventi.empty()) << "no receive event inside a wait that processes no events";
  EXPECT_EQ(porta.input(), "\x06");
  lasciaScorrere(100);
  EXPECT_TRUE(eventi.empty()) << "bytes read inside the wait are not announced afterwards";
}

TEST_F(PortaSuPty, ByteNonLettiDopoLAttesaArrivanoConUnEvento) {
  pty.scrivi("\x15");
  EXPECT_TRUE(porta.attendiDati(2.0));
  EXPECT_TRUE(eventi.empty());
  ASSERT_TRUE(finche([&] { return !eventi.empty(); }, 1000));
  EXPECT_EQ(eventi, std::vector<int>{evento::Receive});
  EXPECT_EQ(porta.input(), "\x15");
}

TEST_F(PortaSuPty, LaCadutaDellAltroCapoChiudeLaPortaUnaVolta) {
  pty.chiudiMaster();
  ASSERT_TRUE(finche([&] { return quanti(evento::PortaPersa) > 0; }, 3000));
  EXPECT_FALSE(porta.aperta());
  EXPECT_FALSE(porta.seriale().isOpen());
  EXPECT_FALSE(porta.motivoChiusura().empty());
  const double cpu = tempoCpu();
  lasciaScorrere(300);
  EXPECT_EQ(quanti(evento::PortaPersa), 1);
  EXPECT_LT(tempoCpu() - cpu, 0.15) << "an error handler spins";
  EXPECT_THROW(porta.output("x"), Errore);
}

TEST_F(PortaSuPty, ChiusaDalNucleoNonAnnunciaPerdite) {
  porta.chiudi();
  EXPECT_FALSE(porta.aperta());
  pty.chiudiMaster();
  lasciaScorrere(100);
  EXPECT_EQ(quanti(evento::PortaPersa), 0);
}

// ---- The event pump ----

TEST(PompaQt, ScadenzaSenzaGirareAVuoto) {
  OrologioSistema orologio;
  PompaQt pompa(orologio);
  const double cpu = tempoCpu();
  const double inizio = orologio.secondi();
  EXPECT_FALSE(pompa.attendi([] { return false; }, inizio + 0.3));
  EXPECT_GE(orologio.secondi() - inizio, 0.3);
  EXPECT_LT(orologio.secondi() - inizio, 1.5);
  EXPECT_LT(tempoCpu() - cpu, 0.1) << "the pump spins";
  EXPECT_EQ(pompa.profondita(), 0);
}

TEST(PompaQt, FinisceQuandoLaCondizioneVale) {
  OrologioSistema orologio;
  PompaQt pompa(orologio);
  bool fatto = false;
  int profonditaDentro = -1;
  QTimer::singleShot(30, [&] {
    fatto = true;
    profonditaDentro = pompa.profondita();
  });
  const double inizio = orologio.secondi();
  EXPECT_TRUE(pompa.attendi([&] { return fatto; }, std::nullopt));
  EXPECT_LT(orologio.secondi() - inizio, 1.0);
  EXPECT_EQ(profonditaDentro, 1);
  EXPECT_EQ(pompa.profondita(), 0);
}

TEST(PompaQt, AtteseAnnidate) {
  OrologioSistema orologio;
  PompaQt pompa(orologio);
  int dentro = -1;
  bool fuori = false;
  QTimer::singleShot(10, [&] {
    pompa.attendi([&] {
      dentro = pompa.profondita();
      return false;
    }, orologio.secondi() + 0.05);
    fuori = true;
  });
  EXPECT_TRUE(pompa.attendi([&] { return fuori; }, orologio.secondi() + 5));
  EXPECT_EQ(dentro, 2);
}

// ---- Signals ----

TEST(Segnali, SigtermArrivaComeEventoDellaFinestra) {
  QObject contesto;
  int chiamate = 0;
  ASSERT_TRUE(installaUscitaSuSegnali(&contesto, [&] { ++chiamate; }));
  std::raise(SIGTERM);
  EXPECT_EQ(chiamate, 0) << "nothing runs inside the handler";
  ASSERT_TRUE(finche([&] { return chiamate > 0; }, 2000));
  EXPECT_EQ(chiamate, 1);
}

// ---- The program ----

namespace {
struct Programma {
  Pty pty;
  CartellaTemporanea dir;
  QProcess p;
  Programma(const QStringList& argomenti, const std::string& tipo, bool finestra = false,
            int attesaTimer = 600000) {
    QStringList a = argomenti;
    a << QString::fromStdString(scriviIni(dir, tipo, pty.nome, attesaTimer));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (finestra) env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE), a);
  }
};
}  // namespace

TEST(Programma, SigtermChiudeConCodiceZero) {
  Programma prg({"--headless"}, "Vandoni");
  ASSERT_TRUE(prg.p.waitForStarted(5000));
  ASSERT_TRUE(prg.p.waitForReadyRead(5000));  // started: the type line is out
  prg.p.terminate();
  ASSERT_TRUE(prg.p.waitForFinished(5000));
  EXPECT_EQ(prg.p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(prg.p.exitCode(), 0);
  EXPECT_TRUE(prg.p.readAllStandardOutput().contains("Tipo Registratore: Vandoni"));
}

TEST(Programma, FinestraSottoSigtermChiudeConCodiceZero) {
  Programma prg({}, "Vandoni", true);
  ASSERT_TRUE(prg.p.waitForStarted(5000));
  // Wait for the window's event loop: the program keeps running until told.
  EXPECT_FALSE(prg.p.waitForFinished(1000));
  prg.p.terminate();
  ASSERT_TRUE(prg.p.waitForFinished(5000));
  EXPECT_EQ(prg.p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(prg.p.exitCode(), 0);
}


TEST(Programma, SigtermDuranteLAttesaDellaCassaLasciaLoScontrino) {
  Programma prg({"--headless"}, "Vandoni", false, 200);
  {
    std::ofstream sco(prg.dir.p / "a.sco");
    sco << "V\t1\tPANE\t1,50\r\n";
  }
  // A register that never answers: the program waits inside the pump.
  QByteArray visto;
  ASSERT_TRUE(aspettaUscita(prg.p, visto, "MANDO ALLA CASSA", 10000)) << visto.toStdString();
  EXPECT_EQ(prg.pty.leggi(1, 2000).substr(0, 1), "\x02");
  prg.p.terminate();
  ASSERT_TRUE(prg.p.waitForFinished(5000));
  EXPECT_EQ(prg.p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(prg.p.exitCode(), 0);
  EXPECT_TRUE(fs::exists(prg.dir.p / "a.sco"));
}

TEST(Programma, SbloccaDallaRigaDiComandoControIlSimulatore) {
  QProcess sim;
  sim.start(QStringLiteral(SIMCASSA), {"vandoni"});
  QByteArray riga;
  ASSERT_TRUE(aspettaUscita(sim, riga, "\n", 5000));
  ASSERT_TRUE(riga.startsWith("PORTA "));
  const std::string dispositivo = riga.mid(6, riga.indexOf('\n') - 6).trimmed().toStdString();
  CartellaTemporanea dir;
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
          {"--headless", "--sblocca", QString::fromStdString(scriviIni(dir, "Vandoni", dispositivo))});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
  EXPECT_TRUE(aspettaUscita(sim, riga, "497", 2000)) << riga.toStdString();
  sim.terminate();
  sim.waitForFinished(5000);
}

TEST(Programma, SigtermSulMessaggioDiAvvioNonLasciaProseguire) {
  // "Ritenta" made of letters: the start-up error box waits for OK, before the
  // window is shown and before the main loop runs.
  CartellaTemporanea dir;
  Pty pty;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
          {QString::fromStdString(scriviIni(dir, "Vandoni", pty.nome, 600000, "Ritenta=abc\n"))});
  ASSERT_TRUE(p.waitForStarted(5000));
  EXPECT_FALSE(p.waitForFinished(1000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000)) << "the signal was lost";
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
}

TEST(Programma, PortaCheNonSiApreDaCodiceUno) {
  CartellaTemporanea dir;
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE),
          {"--headless", QString::fromStdString(scriviIni(dir, "Vandoni", "/dev/quimbo-nessuno"))});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(p.readAllStandardError().startsWith("quimbo: impossibile aprire la porta /dev/quimbo-nessuno: "));
}

TEST(Programma, IlPercorsoConSpaziVaPresoIntero) {
  CartellaTemporanea dir;
  Pty pty;
  const fs::path sotto = dir.p / "con spazi";
  fs::create_directories(sotto);
  const fs::path ini = sotto / "mio file.ini";
  fs::copy_file(scriviIni(dir, "Frontiera", pty.nome), ini);
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--headless", QString::fromStdString((dir.p / "con").string()),
                                              "spazi/mio", "file.ini"});
  ASSERT_TRUE(p.waitForReadyRead(5000));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().contains("Tipo Registratore: Frontiera"));
}

TEST(Programma, AiutoEVersione) {
  QProcess p;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--help"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  const QByteArray aiuto = p.readAllStandardOutput();
  for (const char* parola : {"--headless", "--prova", "--sblocca", "--version", "Dispositivo", "Registratore"})
    EXPECT_TRUE(aiuto.contains(parola)) << parola;
  p.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--nessuna"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 2);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
