// The Qt shell (window, headless window, port on a pty, pump) and the program itself, offscreen.

#include <gtest/gtest.h>
#include <poll.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <csignal>
#include <cstring>
#include <regex>

#include "aiuti_qt.h"
#include "domanda_qt.h"
#include "fakes.h"
#include "finestra_qt.h"
#include "nome_riga.h"
#include "programma/operatore.h"
#include "programma/senza_finestra.h"
#include "queue/coda.h"
#include "queue/scansione.h"
#include "timer_qt.h"

using namespace quimbo;
using namespace quimbo::app;
using namespace quimbo::prova_qt;
using std::make_tuple;

namespace {

QWidget* figlio(const QWidget& w, const char* nome) { return w.findChild<QWidget*>(nome); }
QLineEdit* testo(const QWidget& w, const char* nome) { return qobject_cast<QLineEdit*>(figlio(w, nome)); }

// The controls that come and go, shown before Form_Load (0), then for V Vandoni, F Frontiera, O Olivetti,
// K Kabel (no other family shows any).
const std::pair<const char*, const char*> kControlli[] = {
    {"LabRit", "VOK"},     {"TxtRit", "VOK"},    {"txtProva", "0K"},  {"comTest", "0K"},
    {"txtConfBase", "0K"}, {"CheAggConf", "0K"}, {"CmdSblocca", "V"}, {"LabConfBase", "0K"}};

void controlliMostrati(const QWidget& finestra, char stato) {
  for (const auto& [nome, mostrato] : kControlli)
    EXPECT_EQ(!figlio(finestra, nome)->isHidden(), std::strchr(mostrato, stato) != nullptr)
        << nome << " " << stato;
}

// The real window over a pty, started by Form_Load; termina() only counts.
struct Avviata : SuPortaVera<FinestraQt, TimerQt> {
  Pty pty;
  int terminata = 0;
  EsitoAvvio esito;
  OperatoreDelProgramma operatore{st, servizio};
  explicit Avviata(const std::string& tipo) {
    timer.suScatto([this] { Timer1_Timer(st); });
    finestra.collega(&operatore, &pompa);
    finestra.impostaTermine([this] { ++terminata; });
    esito = Form_Load(st, imp, scriviIni(dir, tipo, pty.nome));
  }
};

struct Headless {  // writing to memory, over the scripted platform's state
  char *buf = nullptr, *bufErr = nullptr;
  size_t n = 0, nErr = 0;
  std::FILE* uscita = open_memstream(&buf, &n);
  std::FILE* errori = open_memstream(&bufErr, &nErr);
  prova::Banco banco;
  FinestraHeadless finestra{banco.orologio, uscita, errori};
  Headless() { finestra.collega(&banco.st); }
  ~Headless() { std::fclose(uscita), std::fclose(errori), std::free(buf), std::free(bufErr); }
  std::string letto() { return std::fflush(uscita), std::string(buf, n); }
  std::string lettoErr() { return std::fflush(errori), std::string(bufErr, nErr); }
};

}  // namespace

TEST(FinestraQt, OnlyTheCommonControlsShowBeforeStartUp) {
  FinestraQt f;
  controlliMostrati(f, '0');
}

// Windows-1252 text to and from the boxes, control characters shown by name.
TEST(FinestraQt, FieldsShowWindows1252TextAndControlCharacters) {
  using enum Campo;
  FinestraQt f;
  for (const auto& [c, nome] : {std::pair{TxtManda, "TxtManda"}, {TxtRit, "TxtRit"}, {TxtMsg, "TxtMsg"}}) {
    f.scrivi(c, "\002ABC\350\003");
    EXPECT_EQ(testo(f, nome)->text(), QString::fromUtf8("<STX>ABCè<ETX>")) << nome;
  }
  EXPECT_EQ(testo(f, "TxtMsg")->toolTip(), QString::fromUtf8("<STX>ABCè<ETX>")) << "the whole message";
  testo(f, "txtProva")->setText(QString::fromUtf8("però €"));
  EXPECT_EQ(f.prova(), "per\xf2 \x80");
}

TEST(FinestraQt, Timer1RunsOnlyWhenEnabledWithAnInterval) {
  TimerQt timer1;
  const QTimer& t = timer1.timer();
  timer1.intervallo(0);
  timer1.abilita(true);
  EXPECT_FALSE(t.isActive()) << "an interval of 0 gives no ticks";
  timer1.abilita(false);
  timer1.intervallo(25);
  EXPECT_FALSE(t.isActive()) << "a new interval does not enable the timer";
}

// The box of each kind: Italian buttons mapped to their answers, the first the default (the cautious box's
// Annulla), the last answering Esc and the close box; the application's title when there is none.
using Scritte = std::vector<std::pair<QString, Risposta>>;
struct Scatola {
  const char *nome, *titolo;
  Icona icona;
  Pulsanti pulsanti;
  QMessageBox::Icon iconaQt;
  Scritte scritte;
  std::size_t predefinito = 0;  // of the buttons
};
class Box : public ::testing::TestWithParam<Scatola> {};

TEST_P(Box, HasItalianButtonsForItsAnswers) {
  const auto& [_, titolo, icona, pulsanti, iconaQt, scritte, predefinito] = GetParam();
  Domanda d = costruisciDomanda(nullptr, titolo, "riga 1\r\nriga 2", icona, pulsanti);
  EXPECT_EQ(make_tuple(d.box->windowTitle(), d.box->text(), d.box->icon()),
            make_tuple(*titolo ? titolo : "Invio Scontrini alle casse", "riga 1\nriga 2", iconaQt));
  EXPECT_EQ(make_tuple(d.box->defaultButton()->text(), d.box->escapeButton()->text(), d.risposta()),
            make_tuple(scritte[predefinito].first, scritte.back().first, scritte.back().second));
  Scritte viste;
  for (const auto& [p, risposta] : d.pulsanti) {
    p->click();
    viste.emplace_back(p->text(), d.risposta());
  }
  EXPECT_EQ(viste, scritte);
}
using R = Risposta;
using Q = QMessageBox;
// clang-format off
RIGHE(Domanda, Box,
    {"OkCancelQuestion", "", Icona::Domanda, Pulsanti::OkAnnulla, Q::Question, {{"OK", R::Ok}, {"Annulla", R::Annulla}}},
    {"YesNoCancelWarning", "", Icona::Esclamazione, Pulsanti::SiNoAnnulla, Q::Warning,
     {{QString::fromUtf8("Sì"), R::Si}, {"No", R::No}, {"Annulla", R::Annulla}}},
    {"YesNoCritical", "", Icona::Critico, Pulsanti::SiNo, Q::Critical, {{QString::fromUtf8("Sì"), R::Si}, {"No", R::No}}},
    {"OkInformationWithItsTitle", "Errore", Icona::Informazione, Pulsanti::Ok, Q::Information, {{"OK", R::Ok}}},
    {"CautiousOkCancelDefaultsToCancel", "", Icona::Critico, Pulsanti::OkAnnullaPrudente, Q::Critical,
     {{"OK", R::Ok}, {"Annulla", R::Annulla}}, 1});
// clang-format on

// Form_Load shows each family its controls and name and starts the timer; FINE (the stop asked for), the
// close box and an unload before showing (a signal in start-up) close the port and stop the timer, once if
// tried twice.
struct Chiusura {
  const char *nome, *tipo;
  char lettera;  // the family's controls in kControlli
  void (*chiudi)(FinestraQt&);
  int volte;
  bool fine;
};
class FamigliaAvviata : public ::testing::TestWithParam<Chiusura> {};

TEST_P(FamigliaAvviata, ShowsTheFamilysControlsAndName) {
  const auto& c = GetParam();
  Avviata a(c.tipo);
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  controlliMostrati(a.finestra, c.lettera);
  EXPECT_EQ(make_tuple(a.finestra.windowTitle(), testo(a.finestra, "txtTipo")->text()),
            make_tuple(QStringLiteral("Gestione Registratore di Cassa (%1) ").arg(c.tipo), c.tipo));
  const QTimer& t = a.timer.timer();
  EXPECT_EQ(t.isActive() ? t.interval() : 0, 600000);
}

TEST_P(FamigliaAvviata, ClosesThePortAndStopsTheTimerOnce) {
  const auto& c = GetParam();
  Avviata a(c.tipo);
  ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
  for (int i = 0; i < c.volte; ++i) c.chiudi(a.finestra);
  EXPECT_FALSE(a.porta.aperta());
  EXPECT_FALSE(a.timer.timer().isActive());
  EXPECT_EQ(a.st.link.mbFine(), c.fine);
  EXPECT_EQ(a.terminata, 1);
}
// clang-format off
RIGHE(FinestraAvviata, FamigliaAvviata,
    {"VandoniFineButton", "Vandoni", 'V', [](FinestraQt& f) { f.findChild<QPushButton*>("Command1")->click(); }, 1, true},
    {"FrontieraCloseBoxTwice", "Frontiera", 'F', [](FinestraQt& f) { f.show(), f.close(); }, 2, false},
    {"UppercaseOlivettiClosedBeforeShowing", "OLIVETTI", 'O', [](FinestraQt& f) { f.close(); }, 1, false},
    {"LowercaseKabelClosedTwiceBeforeShowing", "kabel", 'K', [](FinestraQt& f) { f.close(); }, 2, false},
    {"UnknownFamilyCloseBoxTwice", "Epson", 'E', [](FinestraQt& f) { f.show(), f.close(); }, 2, false});
// clang-format on

// N questions a job are answered Yes/OK, then No/Cancel; an OK-only box does not count; a new job ("|")
// counts again. Steps: box (o OK/Cancel, k OK, s Yes/No/Cancel, n Yes/No), answer.
// "Scontrini in dubbio (N)": enabled while there is one; its list shows each receipt with what the operator
// looks for in the register's journal, and settles it once the question naming its total and time is
// answered.
struct Sistemazione {
  const char* nome;
  const char* pulsante;  // in the list
  QString risposta;      // to the question
  const char* dopo;      // where the receipt is then, from the receipt folder (a pattern)
  int inDubbio;          // left on the button
};
class ListaDubbi : public ::testing::TestWithParam<Sistemazione> {};

TEST_P(ListaDubbi, SettlesTheChosenReceiptOnceConfirmed) {
  const Sistemazione& c = GetParam();
  Avviata a("Vandoni");
  const fs::path dubbio = a.dir.p / "scartati" / "20261205-071003_in_dubbio_a.sco";
  fs::create_directories(dubbio.parent_path());
  std::ofstream(dubbio) << "01\tPANE\t150\r\n80\tC\t300\r\n";
  MostraSituazione(a.st);
  a.timer.suScatto([] {});  // no register on the line: a reprint stays in the folder
  auto* pulsante = a.finestra.findChild<QPushButton*>("CmdDubbi");
  ASSERT_TRUE(pulsante->isEnabled());
  EXPECT_EQ(pulsante->text(), "Scontrini in dubbio (1)");
  QString dettaglio, domanda;
  bool scelto = false;
  // The operator, at each modal box as it comes. A click opens the next box's loop: it runs outside the
  // timer's call, which a timer never interrupts with itself.
  const auto premi = [](QAbstractButton* b) { QTimer::singleShot(0, b, &QAbstractButton::click); };
  QTimer operatore;
  QObject::connect(&operatore, &QTimer::timeout, [&] {
    QWidget* m = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(m)) {
      domanda = box->text();
      for (QAbstractButton* b : box->buttons())
        if (b->text() == c.risposta) premi(b);
    } else if (m && m->objectName() == "Dubbi" && m->isEnabled()) {
      if (scelto) return static_cast<void>(m->close());
      scelto = true;
      dettaglio = m->findChild<QPlainTextEdit*>("Dettaglio")->toPlainText();
      premi(m->findChild<QPushButton*>(c.pulsante));
    }
  });
  operatore.start(20);
  pulsante->click();
  EXPECT_TRUE(dettaglio.contains("Totale 300, pagamento C")) << dettaglio.toStdString();
  EXPECT_TRUE(dettaglio.contains("01\tPANE\t150")) << dettaglio.toStdString();
  EXPECT_TRUE(domanda.contains("a.sco, pagamento iniziato il 2026-12-05 07:10:03, totale 300 (C)"))
      << domanda.toStdString();
  std::vector<std::string> dove;
  for (const auto& f : fs::recursive_directory_iterator(a.dir.p))
    if (f.path().extension() == ".sco") dove.push_back(fs::relative(f.path(), a.dir.p).string());
  ASSERT_EQ(dove.size(), 1u);
  EXPECT_TRUE(std::regex_match(dove[0], std::regex(c.dopo))) << dove[0];
  EXPECT_EQ(make_tuple(pulsante->text().toStdString(), pulsante->isEnabled(), a.servizio.note.size()),
            make_tuple("Scontrini in dubbio (" + std::to_string(c.inDubbio) + ")", c.inDubbio > 0,
                       static_cast<std::size_t>(1 - c.inDubbio)));
}
// clang-format off
RIGHE(FinestraQt, ListaDubbi,
    {"AlreadyPrintedIsKept", "GiaStampato", QString::fromUtf8("Sì"), R"(scartati/\d{8}-\d{6}_stampato_a\.sco)", 0},
    {"ReprintGoesBackToTheFolder", "Ristampa", QString::fromUtf8("Sì"), R"(ristampa-a\.sco)", 0},
    {"NoLeavesItInDoubt", "Ristampa", "No", R"(scartati/20261205-071003_in_dubbio_a\.sco)", 1});
// clang-format on

TEST(FinestraHeadless, AnswersNQuestionsAJobThenRefuses) {
  const Pulsanti box[] = {Pulsanti::OkAnnulla, Pulsanti::Ok, Pulsanti::SiNoAnnulla, Pulsanti::SiNo};
  const Risposta risposta[] = {Risposta::Ok, Risposta::Annulla, Risposta::Si, Risposta::No};
  for (const auto& [quante, passi] : {std::pair{2, "oO kO sS oA sA nN | nS oO oA"}, {0, "oA sA nN | oA"}}) {
    Headless h;
    h.banco.imp.miRisposteAutomatiche = quante;
    std::istringstream in(passi);
    for (std::string p; in >> p;)
      if (p == "|")
        h.finestra.nuovoLavoro();
      else
        EXPECT_EQ(h.finestra.chiedi("", "Non risponde\r\nRiprovo?",
                                    p[0] == 'k' ? Icona::Informazione : Icona::Domanda,
                                    box[std::strchr("oksn", p[0]) - "oksn"]),
                  risposta[std::strchr("OASN", p[1]) - "OASN"])
            << quante << ": " << passi;
  }
}

TEST(FinestraHeadless, EachQuestionIsOneTimedLineOnStandardError) {
  Headless h;
  h.banco.imp.miRisposteAutomatiche = 1;
  h.finestra.chiedi("", "Non risponde\r\nRiprovo?", Icona::Domanda, Pulsanti::SiNoAnnulla);
  h.finestra.chiedi("Errore", "Fine", Icona::Informazione, Pulsanti::Ok);
  const std::regex ora(R"(\d\d:\d\d:\d\d\.\d\d\d )");
  EXPECT_EQ(std::regex_replace(h.lettoErr(), ora, ""),
            "DOMANDA [Invio Scontrini alle casse]: Non risponde / Riprovo? -> S\xc3\xac\n"
            "DOMANDA [Errore]: Fine -> OK\n");
}

// The integrator's log: receipts and the link on standard output, errors on standard error, the display
// texts only in detail (--verbose).
TEST(FinestraHeadless, LogLinesGoToTheirStream) {
  for (const bool dettagli : {false, true}) {
    Headless h;
    h.finestra.impostaDettagli(dettagli);
    h.finestra.scrivi(Campo::TxtManda,
                      "\x02"
                      "415\x03");
    h.finestra.annota(Livello::Informazione, "Scontrino a.sco inviato");
    h.finestra.annota(Livello::Errore, "Cassa non risponde");
    const std::regex ora(R"(\d\d:\d\d:\d\d\.\d\d\d )");
    EXPECT_EQ(std::regex_replace(h.letto(), ora, ""),
              std::string(dettagli ? "MANDO ALLA CASSA: <STX>415<ETX>\n" : "") + "Scontrino a.sco inviato\n");
    EXPECT_EQ(std::regex_replace(h.lettoErr(), ora, ""), "ERRORE: Cassa non risponde\n");
  }
}

// Bad settings are refused with a reason; good ones reach QSerialPort, without flow control.
TEST(PortaEPompaQt, BadSettingsAreRefusedGoodOnesReachTheSerialPort) {
  PortaQt porta;
  Pty pty;
  std::string motivo;
  EXPECT_FALSE(porta.apri(pty.nome, "veloce,x", motivo) || motivo.empty() || porta.aperta());
  ASSERT_TRUE(porta.apri(pty.nome, "1200,e,7,2", motivo)) << motivo;
  const QSerialPort& s = porta.seriale();
  EXPECT_EQ(make_tuple(s.baudRate(), s.parity(), s.dataBits(), s.stopBits(), s.flowControl()),
            make_tuple(1200, QSerialPort::EvenParity, QSerialPort::Data7, QSerialPort::TwoStop,
                       QSerialPort::NoFlowControl));
}

// A run killed at 7 bits with parity leaves the pseudo-terminal raw, 1200 baud and local: the next run opens
// it all the same, as the first did (a pty is always 8 bits without parity, whatever it is asked).
TEST(PortaEPompaQt, PseudoTerminalLeftByAKilledRunOpensAgain) {
  Pty pty;
  termios t{};
  ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_iflag |= IGNPAR;
  cfsetspeed(&t, B1200);
  ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &t), 0);
  PortaQt porta;
  std::string motivo;
  EXPECT_TRUE(porta.apri(pty.nome, "1200,e,7,1", motivo)) << motivo;
  EXPECT_TRUE(porta.aperta());
}

// The port over a pty, with the receive events it announces.
struct PortaSuPty {
  PortaQt porta;
  Pty pty;
  std::vector<int> eventi;
  PortaSuPty() {
    porta.suEvento([this](int c) { eventi.push_back(c); });
    std::string motivo;
    EXPECT_TRUE(porta.apri(pty.nome, "9600,n,8,1", motivo)) << motivo;
  }
};

TEST(PortaEPompaQt, EveryByteGoesOutAtOnce) {
  PortaSuPty p;
  std::string tutti, uscito;
  for (int i = 0; i < 256; ++i) tutti += static_cast<char>(i);
  p.porta.output(tutti);  // no event processing: the bytes must be on the line already
  char buf[512];
  for (pollfd f{p.pty.master, POLLIN, 0}; uscito.size() < tutti.size() && poll(&f, 1, 2000) > 0;)
    uscito.append(buf, std::max<ssize_t>(read(p.pty.master, buf, sizeof buf), 0));
  EXPECT_EQ(uscito, tutti);
}

// attendiDati processes no events and times out quietly; bytes it saw are announced afterwards only if
// unread.
TEST(PortaEPompaQt, WaitForDataAnnouncesOnlyBytesLeftUnread) {
  PortaSuPty p;
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(p.porta.attendiDati(0.2));
  EXPECT_TRUE(t.elapsed() >= 180 && t.elapsed() < 1500) << t.elapsed();
  p.pty.scrivi("\x06");
  EXPECT_TRUE(p.porta.attendiDati(2.0));
  EXPECT_EQ(p.porta.input(), "\x06");
  finche([] { return false; }, 100);
  EXPECT_TRUE(p.eventi.empty()) << "bytes read inside the wait are not announced";
  const std::string dati("\x02OK\x13\x11\x14z\x00\xff\x03", 10);  // flow-control bytes are data too
  p.pty.scrivi(dati);
  EXPECT_TRUE(p.porta.attendiDati(2.0));
  EXPECT_TRUE(p.eventi.empty()) << "no receive event inside the wait";
  ASSERT_TRUE(finche([&] { return !p.eventi.empty(); }, 1000));
  EXPECT_EQ(make_tuple(p.eventi, p.porta.input()), make_tuple(std::vector<int>{evento::Receive}, dati));
}

TEST(PortaEPompaQt, PortTheCoreClosedItselfAnnouncesNoLoss) {
  PortaSuPty p;
  p.porta.chiudi();
  p.pty.chiudiMaster();
  finche([] { return false; }, 100);
  EXPECT_TRUE(p.eventi.empty());
}

TEST(PortaEPompaQt, PumpWaitsForItsDeadlineWithTheCpuIdle) {
  OrologioSistema orologio;
  PompaQt pompa(orologio);
  const double cpu = tempoCpu(), inizio = orologio.secondi();
  EXPECT_FALSE(pompa.attendi([] { return false; }, inizio + 0.3));
  EXPECT_GE(orologio.secondi() - inizio, 0.3);
  EXPECT_LT(orologio.secondi() - inizio, 1.5);
  EXPECT_LT(tempoCpu() - cpu, 0.1) << "the pump spins";
}

TEST(PortaEPompaQt, NestedWaitsEndAtTheirOwnDeadlineOrCondition) {
  OrologioSistema orologio;
  PompaQt pompa(orologio);
  int primo = -1, secondo = -1;
  bool fuori = false;
  QTimer::singleShot(10, [&] {
    primo = pompa.profondita();
    pompa.attendi([&] { return secondo = pompa.profondita(), false; }, orologio.secondi() + 0.05);
    fuori = true;
  });
  EXPECT_TRUE(pompa.attendi([&] { return fuori; }, std::nullopt));
  EXPECT_EQ(make_tuple(primo, secondo, pompa.profondita()), make_tuple(1, 2, 0));
}

// Start-up cases of the real program, each with its exit code and what it says. SIGTERM and SIGINT end a
// running program with 0 (a window also on the start-up error box). A configuration that cannot be used stops
// a headless program with 78 and names the value, with the error priority when stderr is the journal; a port
// that cannot open is said with what to do, and ends a command-line action with 1 (a service keeps running);
// the command line and a missing display end with 2. An ini path with spaces may come in pieces; UTF-16 and
// CR-only files are read (their device shows in the port error). "@name" stands for a file of the Scena
// below, in the arguments, or for the pid or pty the words name.
using Parole = std::vector<std::string>;
struct Lancio {
  const char* nome;
  QStringList argomenti;
  int segnale, codice;
  Parole suUscita, suErrore, giornale = {};  // giornale: what the simulator received
  const char* terminale = nullptr;           // typed on the terminal that is its standard input
};

class Scena : public ::testing::TestWithParam<Lancio> {
 protected:
  CartellaTemporanea dir, altra, finestra;
  Pty pty, occupata, terminale;
  Simulatore sim{{"vandoni"}, (dir.p / "giornale.txt").string()};
  QMap<QString, QString> file;  // "@name": its path
  QProcess primo;               // holds the port that the "busy" case asks for

  void scrivi(const char* nome, const std::string& testo) {
    std::ofstream(altra.p / nome, std::ios::binary) << testo;
    file[QString("@") + nome] = QString::fromStdString((altra.p / nome).string());
  }
  void variante(const char* nome, const std::string& altro, const std::string& dispositivo = "") {
    const fs::path ini = altra.p / (std::string(nome) + ".ini");
    fs::copy_file(scriviIni(altra, "Vandoni", dispositivo.empty() ? pty.nome : dispositivo, 600000, altro),
                  ini, fs::copy_options::overwrite_existing);
    file[QString("@") + nome] = QString::fromStdString(ini.string());
  }
  Scena() {
    file["@ini"] = QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo()));
    fs::create_directories(dir.p / "scartati");  // a receipt cut in its payment
    std::ofstream(dir.p / "scartati" / "20261205-071003_in_dubbio_a.sco")
        << "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\r\n";
    std::ofstream(dir.p / "scartati" / "20261205-060000_stampato_c.sco") << "80\tC\t1\t0\t0\r\n";  // settled
    fs::create_directories(altra.p / "con spazi");
    fs::copy_file(scriviIni(altra, "Vandoni", "/dev/quimbo-nessuno"), altra.p / "con spazi" / "mio file.ini");
    file["@con"] = QString::fromStdString((altra.p / "con").string());  // + " spazi/mio file.ini"
    file["@quieta"] = QString::fromStdString(scriviIni(finestra, "Vandoni", pty.nome));
    variante("ritenta", "Ritenta=abc\n");
    variante("giornale", "Ritenta=abc\n");  // stderr is systemd's journal
    variante("epson", "Registratore=Epson\n");
    variante("senza", "DirPerFile=" + (altra.p / "manca").string() + "\n");
    variante("proc", "DirPerFile=/proc\n");
    variante("file", "DirPerFile=" + (altra.p / "file.ini").string() + "\n");
    variante("null", "", "/dev/null");
    variante("occupata", "", occupata.nome);
    // The first of a key wins: these settings come before the file's own.
    variante("settings", "[Parametri Seriale]\nSettings=abc\n[Altri parametri]\n");
    variante("fileporta", "", (altra.p / "ritenta.ini").string());
    scrivi("senzasezione.ini", "[Parametri Seriale]\nDispositivo=/dev/null\n");
    scrivi("binario.ini", std::string("\x7f"
                                      "ELF\x02\x01\x01\0\0\0[x]",
                                      13));
    // Another user, not in the pseudo-terminal's group, may read the configuration but not open the port.
    variante("estraneo", "DirPerFile=/tmp\n");
    fs::permissions(altra.p, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(file["@estraneo"].toStdString(), fs::perms::others_read, fs::perm_options::add);
    std::u16string u16 =
        u"\uFEFF[Altri parametri]\r\n[Parametri Seriale]\r\nDispositivo=/dev/quimbo-utf16\r\n";
    scrivi("utf16.ini", std::string(reinterpret_cast<const char*>(u16.data()), 2 * u16.size()));
    scrivi("cr.ini", "[Altri parametri]\rAttesaTimer=100\r[Parametri Seriale]\rDispositivo=/dev/quimbo-cr\r");
  }
  std::string parola(std::string p) const {
    for (const auto& [segno, valore] :
         {std::pair{"@pid", std::to_string(primo.processId())}, {"@pty", pty.nome}})
      if (const size_t i = p.find(segno); i != std::string::npos) p.replace(i, 4, valore);
    return p;
  }
};

TEST_P(Scena, ProgramEndsWithItsCodeAndSaysWhy) {
  const auto& [_, righe, segnale, codice, suUscita, suErrore, giornale, digitato] = GetParam();
  QStringList argomenti;
  for (const QString& a : righe) argomenti << file.value(a, a);
  if (righe.last() == "@occupata") {
    primo.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--headless", file["@occupata"]});
    ASSERT_TRUE(primo.waitForReadyRead(5000));
  }
  QProcess p;
  if (digitato) {
    terminale.scrivi(digitato);
    p.setStandardInputFile(QString::fromStdString(terminale.nome));
  }
  if (codice == 2 && righe.first() == "@quieta") {  // the window where there is no display
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) ambiente.remove(v);
    p.setProcessEnvironment(ambiente);
  }
  if (righe.last() == "@estraneo") {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can become another user";
    p.start("setpriv", QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", QUIMBO_ESEGUIBILE} +
                           argomenti);
  } else if (righe.last() == "@giornale") {
    const char* comeSystemd = "JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/2) exec \"$0\" \"$@\"";
    p.start("sh", QStringList{"-c", comeSystemd, QUIMBO_ESEGUIBILE} + argomenti);
  } else {
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE), argomenti);
  }
  if (segnale) {
    EXPECT_FALSE(p.waitForFinished(1000)) << "keeps running until told";
    // A program that ended has no process id: a kill of 0 would hit this test's group.
    if (p.processId() > 0) ::kill(static_cast<pid_t>(p.processId()), segnale);
  }
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(make_tuple(p.exitStatus(), p.exitCode()), make_tuple(QProcess::NormalExit, codice));
  const std::string uscita = p.readAllStandardOutput().toStdString(),
                    errore = p.readAllStandardError().toStdString();
  for (const std::string& w : suUscita) EXPECT_NE(uscita.find(parola(w)), std::string::npos) << parola(w);
  for (const std::string& w : suErrore)
    EXPECT_NE(errore.find(parola(w)), std::string::npos) << parola(w) << "\n" << errore;
  if (suErrore.empty()) {
    EXPECT_EQ(errore, "");
  }
  sim.aspettaRighe(giornale.size(), giornale.empty() ? 0 : 2000);
  EXPECT_EQ(sim.righe(), giornale);
}
// clang-format off
RIGHE(Programma, Scena,
    {"WindowEndsWithZeroOnSigterm", {"@quieta"}, SIGTERM, 0, {}, {}},
    {"WindowOnTheStartUpErrorBoxEndsWithZeroOnSigint", {"@ritenta"}, SIGINT, 0, {}, {}},
    {"UnlockFromTheCommandLineSendsItTwice", {"--headless", "--verbose", "--sblocca", "@ini"}, 0, 0,
     {"Avvio: file ini ", "MANDO ALLA CASSA: <STX>"}, {}, {"497", "497"}},
    {"IniPathWithSpacesInPieces", {"--headless", "@con", "spazi/mio", "file.ini"}, SIGTERM, 0, {"porta /dev/quimbo-nessuno"},
     {"Impossibile aprire la porta /dev/quimbo-nessuno: ", "/dev/serial/by-id/"}},
    {"DeviceThatIsNoSerialPortEndsAnActionWithOne", {"--headless", "--sblocca", "@null"}, 0, 1, {}, {"/dev/null non \u00e8 una porta seriale"}},
    {"PortBusyNamesTheProgramHoldingIt", {"--headless", "--sblocca", "@occupata"}, 0, 1, {},
     {"occupata da un altro programma", "processo @pid (quimbo)"}},
    {"SecondProgramOnAFolderSaysWhoHoldsIt", {"--headless", "@occupata"}, 0, 1, {},
     {"gi\u00e0 in uso da un altro Quimbo (PID @pid, file ini ", "occupata.ini): un solo programma per cartella"}},
    {"PortOfAnotherUserIsNamed", {"--headless", "--sblocca", "@estraneo"}, 0, 1, {},
     {"Permission denied. Permesso negato: @pty \u00e8 uno pseudo-terminale dell'utente root"}},
    {"Utf16IniIsRead", {"--headless", "--sblocca", "@utf16.ini"}, 0, 1, {}, {"porta /dev/quimbo-utf16"}},
    {"CarriageReturnOnlyIniIsRead", {"--headless", "--prova", "x", "@cr.ini"}, 0, 1, {"scansione ogni 100 ms"}, {"porta /dev/quimbo-cr"}},
    {"MissingFolderIsSaidAndTheServiceKeepsRunning", {"--headless", "@senza"}, SIGTERM, 0, {}, {"manca inesistente: crearla"}},
    {"FolderThatCannotBeWrittenIsSaid", {"--headless", "@proc"}, SIGTERM, 0, {}, {"Cartella degli scontrini /proc non scrivibile"}},
    {"FolderThatIsAFileIsSaid", {"--headless", "@file"}, SIGTERM, 0, {}, {"file.ini non \u00e8 una cartella: correggere DirPerFile"}},
    {"BadValueStopsHeadlessWith78", {"--headless", "@ritenta"}, 0, 78, {}, {"[Altri parametri] Ritenta = \"abc\": Type mismatch"}},
    {"BadValueInTheJournalHasTheErrorPriority", {"--headless", "@giornale"}, 0, 78, {}, {"<3>quimbo: valore non valido", "Ritenta = \"abc\""}},
    {"UnknownFamilyStopsHeadlessWith78", {"--headless", "@epson"}, 0, 78, {}, {"Registratore = \"Epson\""}},
    {"BadSerialSettingsStopHeadlessWith78", {"--headless", "@settings"}, 0, 78, {}, {"[Parametri Seriale] Settings = \"abc\": "}},
    {"DeviceThatIsAFileStopsHeadlessWith78", {"--headless", "@fileporta"}, 0, 78, {},
     {"[Parametri Seriale] Dispositivo = ", "ritenta.ini non \u00e8 una porta seriale ma un file"}},
    {"IniWithoutTheProgramsSectionStopsHeadlessWith78", {"--headless", "@senzasezione.ini"}, 0, 78, {},
     {"senzasezione.ini non ha la sezione [Altri parametri]"}},
    {"BinaryFileIsNoIni", {"--headless", "@binario.ini"}, 0, 78, {}, {"binario.ini non ha la sezione [Altri parametri]"}},
    {"MissingIniStopsHeadlessWith78", {"--headless", "/nessuna/parte.ini"}, 0, 78, {}, {"quimbo: il file ini /nessuna/parte.ini non esiste"}},
    {"InDoubtReceiptsAreListedWithTheirLines", {"--in-dubbio", "@ini"}, 0, 0,
     {"a.sco  pagamento iniziato il 2026-12-05 07:10:03  totale 300 (C)  2 righe  scartati/20261205-071003_in_dubbio_a.sco\n"
      "    00\tPANE\t2\t150\t3\n    80\tC\t300\t0\t0\n"}, {}},
    {"NothingInDoubtSaysSo", {"--in-dubbio", "@quieta"}, 0, 0, {"Nessuno scontrino in dubbio.\n"}, {}},
    {"ReceiptInDoubtSettledAsPrinted", {"--gia-stampato", "a.sco", "@ini"}, 0, 0,
     {"Scontrino a.sco in dubbio: gi\u00e0 stampato, conservato come scartati/"}, {}},
    {"SettlementOnATerminalIsConfirmedFirst", {"--gia-stampato", "a.sco", "@ini"}, 0, 0,
     {"Confermare che lo scontrino a.sco, pagamento iniziato il 2026-12-05 07:10:03, totale 300 (C) \u00e8 gi\u00e0 "
      "stampato?", "[s/N] ", "gi\u00e0 stampato, conservato come scartati/"}, {}, {}, "s\n"},
    {"SettlementOnATerminalAnsweredNoLeavesItInDoubt", {"--ristampa", "a.sco", "@ini"}, 0, 1,
     {"Stampare di nuovo lo scontrino a.sco, pagamento iniziato il 2026-12-05 07:10:03"},
     {"quimbo: nulla fatto: lo scontrino a.sco resta in dubbio"}, {}, "\n"},
    {"ReceiptSettledAlreadySaysHow", {"--ristampa", "c.sco", "@ini"}, 0, 0,
     {"Scontrino c.sco non pi\u00f9 in dubbio, gi\u00e0 sistemato: gi\u00e0 stampato (sistemato il 2026-12-05 06:00:00)"}, {}},
    {"ReceiptNotInDoubtIsNotSettled", {"--ristampa", "b.sco", "@ini"}, 0, 1, {}, {"quimbo: nessuno scontrino b.sco in dubbio"}},
    {"SettlementWithoutANameIsAUsageError", {"--gia-stampato", "@ini"}, 0, 2, {},
     {"quimbo: --gia-stampato vuole il nome dello scontrino in dubbio", "Uso: quimbo --gia-stampato NOME"}},
    {"HelpNamesEveryOption", {"--help"}, 0, 0, {"--headless", "--verbose", "--prova", "--sblocca", "--version", "--in-dubbio", "--ristampa", "--gia-stampato", "Dispositivo", "GiorniEsiti", "Metriche", "esiti/", "80 totale", "\u00e8"}, {}},
    {"Version", {"--version"}, 0, 0, {"quimbo "}, {}},
    {"UnknownOptionExitsWithTwo", {"--nessuna"}, 0, 2, {}, {"quimbo: opzione sconosciuta: --nessuna", "quimbo --help"}},
    {"ShortHIsNoOption", {"-h"}, 0, 2, {}, {"quimbo: opzione sconosciuta: -h"}},
    {"WindowOnAnotherPlatformExitsWithTwo", {"@quieta", "-platform", "xcb"}, 0, 2, {}, {"usare --headless"}},
    {"WindowWithoutADisplayExitsWithTwo", {"@quieta"}, 0, 2, {}, {"quimbo: nessun display per la finestra: senza display usare --headless"}});
// clang-format on

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
