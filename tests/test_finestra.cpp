// The Qt shell (window, headless window, port on a pty, pump) and the program itself, offscreen.

#include <gtest/gtest.h>
#include <poll.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <csignal>
#include <cstring>
#include <regex>

#include "aiuti_qt.h"
#include "domanda_qt.h"
#include "fakes.h"
#include "finestra_headless.h"
#include "finestra_qt.h"

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
struct Avviata : SuPortaVera<FinestraQt> {
  Pty pty;
  int terminata = 0;
  EsitoAvvio esito;
  explicit Avviata(const std::string& tipo) {
    finestra.collega(&st, &pompa);
    finestra.impostaTermine([this] { ++terminata; });
    esito = Form_Load(st, scriviIni(dir, tipo, pty.nome));
  }
};

struct Headless {  // writing to memory, over the scripted platform's state
  char* buf = nullptr;
  size_t n = 0;
  std::FILE* uscita = open_memstream(&buf, &n);
  prova::Banco banco;
  FinestraHeadless finestra{uscita};
  Headless() { finestra.collega(&banco.st, nullptr); }
  ~Headless() { std::fclose(uscita), std::free(buf); }
  std::string letto() { return std::fflush(uscita), std::string(buf, n); }
};

}  // namespace

// The controls before Form_Load; Windows-1252 text to and from the boxes, control characters shown; an
// interval of 0 gives Timer1 no ticks, and a new interval does not enable it.
TEST(FinestraQt, ControlliCampiETimer1) {
  using enum Campo;
  FinestraQt f;
  controlliMostrati(f, '0');
  for (const auto& [c, nome] : {std::pair{TxtManda, "TxtManda"}, {TxtRit, "TxtRit"}, {TxtMsg, "TxtMsg"}}) {
    f.scrivi(c, "\002ABC\350\003");
    EXPECT_EQ(testo(f, nome)->text(), QString::fromUtf8("<STX>ABCè<ETX>")) << nome;
  }
  testo(f, "txtProva")->setText(QString::fromUtf8("però €"));
  EXPECT_EQ(f.prova(), "per\xf2 \x80");
  const QTimer& t = f.timer1().timer();
  f.intervalloTimer(0);
  f.abilitaTimer(true);
  EXPECT_FALSE(t.isActive()) << "an interval of 0 gives no ticks";
  f.abilitaTimer(false);
  f.intervalloTimer(25);
  EXPECT_FALSE(t.isActive()) << "a new interval does not enable the timer";
}

// The box of each kind: Italian buttons mapped to their answers, the first the default, the last answering
// Esc and the close box; the application's title when there is none.
TEST(Domanda, PulsantiItalianiETitoloDellApplicazione) {
  using R = Risposta;
  using P = Pulsanti;
  using Q = QMessageBox;
  using I = Icona;
  using Scritte = std::vector<std::pair<QString, R>>;
  const QString si = QString::fromUtf8("Sì");
  const Scritte siNoAnnulla = {{si, R::Si}, {"No", R::No}, {"Annulla", R::Annulla}};
  const std::tuple<const char*, I, P, Q::Icon, Scritte> casi[] = {
      {"", I::Domanda, P::OkAnnulla, Q::Question, {{"OK", R::Ok}, {"Annulla", R::Annulla}}},
      {"", I::Esclamazione, P::SiNoAnnulla, Q::Warning, siNoAnnulla},
      {"", I::Critico, P::SiNo, Q::Critical, {{si, R::Si}, {"No", R::No}}},
      {"Errore", I::Informazione, P::Ok, Q::Information, {{"OK", R::Ok}}},
  };
  for (const auto& [titolo, icona, pulsanti, iconaQt, scritte] : casi) {
    Domanda d = costruisciDomanda(nullptr, titolo, "riga 1\r\nriga 2", icona, pulsanti);
    EXPECT_EQ(make_tuple(d.box->windowTitle(), d.box->text(), d.box->icon()),
              make_tuple(*titolo ? titolo : "Invio Scontrini alle casse", "riga 1\nriga 2", iconaQt));
    EXPECT_EQ(make_tuple(d.box->defaultButton()->text(), d.box->escapeButton()->text(), d.risposta()),
              make_tuple(scritte.front().first, scritte.back().first, scritte.back().second));
    Scritte viste;
    for (const auto& [p, risposta] : d.pulsanti) {
      p->click();
      viste.emplace_back(p->text(), d.risposta());
    }
    EXPECT_EQ(viste, scritte);
  }
}

// Form_Load shows each family its controls and name and starts the timer; FINE (abort flag set), the close
// box and an unload before showing (a signal in start-up) close the port and stop the timer, once if tried
// twice.
TEST(FinestraAvviata, ControlliPerFamigliaEChiusura) {
  const std::tuple<const char*, char, std::function<void(FinestraQt&)>, int, bool> casi[] = {
      {"Vandoni", 'V', [](FinestraQt& f) { f.findChild<QPushButton*>("Command1")->click(); }, 1, true},
      {"Frontiera", 'F', [](FinestraQt& f) { f.show(), f.close(); }, 2, false},
      {"OLIVETTI", 'O', [](FinestraQt& f) { f.scarica(); }, 1, false},
      {"kabel", 'K', [](FinestraQt& f) { f.scarica(); }, 2, false},
      {"Epson", 'E', [](FinestraQt& f) { f.show(), f.close(); }, 2, false},
  };
  for (const auto& [tipo, lettera, chiudi, volte, errTx] : casi) {
    Avviata a(tipo);
    ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
    controlliMostrati(a.finestra, lettera);
    EXPECT_EQ(make_tuple(a.finestra.windowTitle(), testo(a.finestra, "txtTipo")->text()),
              make_tuple(QStringLiteral("Gestione Registratore di Cassa (%1) ").arg(tipo), tipo));
    const QTimer& t = a.finestra.timer1().timer();
    EXPECT_EQ(t.isActive() ? t.interval() : 0, 600000) << tipo;
    for (int i = 0; i < volte; ++i) chiudi(a.finestra);
    EXPECT_EQ(make_tuple(a.porta.aperta(), t.isActive(), a.st.mbErrTx, a.terminata),
              make_tuple(false, false, errTx, 1))
        << tipo;
  }
}

// N questions a job are answered Yes/OK, then No/Cancel; an OK-only box does not count; a new job ("|")
// counts again. Steps: box (o OK/Cancel, k OK, s Yes/No/Cancel, n Yes/No), answer. One timed line per
// question.
TEST(FinestraHeadless, RisposteAutomaticheEUnaRigaPerDomanda) {
  const Pulsanti box[] = {Pulsanti::OkAnnulla, Pulsanti::Ok, Pulsanti::SiNoAnnulla, Pulsanti::SiNo};
  const Risposta risposta[] = {Risposta::Ok, Risposta::Annulla, Risposta::Si, Risposta::No};
  for (const auto& [quante, passi] : {std::pair{2, "oO kO sS oA sA nN | nS oO oA"}, {0, "oA sA nN | oA"}}) {
    Headless h;
    h.banco.st.miRisposteAutomatiche = quante;
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
    const std::regex righe(R"((\d\d:\d\d:\d\d\.\d\d\d DOMANDA \[Invio Scontrini alle casse\]: )"
                           R"(Non risponde / Riprovo\? -> (OK|Annulla|Sì|No)\n)+)");
    EXPECT_TRUE(std::regex_match(h.letto(), righe)) << h.letto();
  }
}

// Bad settings are refused with a reason; good ones reach QSerialPort, without flow control; every byte goes
// out. attendiDati processes no events and times out quietly; bytes it saw are announced afterwards only if
// unread. A port the core closed itself announces no loss. The pump's deadline passes with the CPU idle;
// nested waits end at their own deadline or condition.
TEST(PortaEPompaQt, ByteAttesaDeiDatiEScadenze) {
  PortaQt porta;
  Pty pty;
  std::vector<int> eventi;
  porta.suEvento([&](int c) { eventi.push_back(c); });
  std::string motivo;
  EXPECT_FALSE(porta.apri(pty.nome, "veloce,x", motivo) || motivo.empty() || porta.aperta());
  ASSERT_TRUE(porta.apri(pty.nome, "1200,e,7,2", motivo)) << motivo;
  const QSerialPort& s = porta.seriale();
  EXPECT_EQ(make_tuple(s.baudRate(), s.parity(), s.dataBits(), s.stopBits(), s.flowControl()),
            make_tuple(1200, QSerialPort::EvenParity, QSerialPort::Data7, QSerialPort::TwoStop,
                       QSerialPort::NoFlowControl));

  std::string tutti, uscito;
  for (int i = 0; i < 256; ++i) tutti += static_cast<char>(i);
  porta.output(tutti);  // no event processing: the bytes must be on the line already
  char buf[512];
  for (pollfd p{pty.master, POLLIN, 0}; uscito.size() < tutti.size() && poll(&p, 1, 2000) > 0;)
    uscito.append(buf, std::max<ssize_t>(read(pty.master, buf, sizeof buf), 0));
  EXPECT_EQ(uscito, tutti);

  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(porta.attendiDati(0.2));
  EXPECT_TRUE(t.elapsed() >= 180 && t.elapsed() < 1500) << t.elapsed();
  pty.scrivi("\x06");
  EXPECT_TRUE(porta.attendiDati(2.0));
  EXPECT_EQ(porta.input(), "\x06");
  finche([] { return false; }, 100);
  EXPECT_TRUE(eventi.empty()) << "bytes read inside the wait are not announced";
  const std::string dati("\x02OK\x13\x11\x14z\x00\xff\x03", 10);  // flow-control bytes are data too
  pty.scrivi(dati);
  EXPECT_TRUE(porta.attendiDati(2.0));
  EXPECT_TRUE(eventi.empty()) << "no receive event inside the wait";
  ASSERT_TRUE(finche([&] { return !eventi.empty(); }, 1000));
  EXPECT_EQ(make_tuple(eventi, porta.input()), make_tuple(std::vector<int>{evento::Receive}, dati));

  porta.chiudi();
  pty.chiudiMaster();
  finche([] { return false; }, 100);
  EXPECT_EQ(eventi.size(), 1u) << "a port the core closed itself announces no loss";

  OrologioSistema orologio;
  PompaQt pompa(orologio);
  const double cpu = tempoCpu(), inizio = orologio.secondi();
  EXPECT_FALSE(pompa.attendi([] { return false; }, inizio + 0.3));
  EXPECT_GE(orologio.secondi() - inizio, 0.3);
  EXPECT_LT(orologio.secondi() - inizio, 1.5);
  EXPECT_LT(tempoCpu() - cpu, 0.1) << "the pump spins";
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

// SIGTERM and SIGINT end the window with 0, also on the start-up error box before the main loop (headless:
// test_programma). Runs that end by themselves: an unlock; a port that cannot open, named by an ini path with
// spaces given in pieces; help, version, an unknown option.
TEST(Programma, SegnaliECodiciDUscita) {
  CartellaTemporanea dir, altra, finestra;
  Pty pty;
  Simulatore sim({"vandoni"}, (dir.p / "giornale.txt").string());
  const QString ini = QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo()));
  fs::create_directories(altra.p / "con spazi");
  fs::copy_file(scriviIni(altra, "Vandoni", "/dev/quimbo-nessuno"), altra.p / "con spazi" / "mio file.ini");
  const QString con = QString::fromStdString((altra.p / "con").string());  // + " spazi/mio file.ini"
  const QString quieta = QString::fromStdString(scriviIni(finestra, "Vandoni", pty.nome));
  const QString ritenta =
      QString::fromStdString(scriviIni(altra, "Vandoni", pty.nome, 600000, "Ritenta=abc\n"));
  // clang-format off
  const std::tuple<QStringList, int, int, std::vector<const char*>, const char*> casi[] = {
      {{quieta}, SIGTERM, 0, {}, ""},
      {{ritenta}, SIGINT, 0, {}, ""},
      {{"--headless", "--sblocca", ini}, 0, 0, {"MANDO ALLA CASSA: <STX>"}, ""},
      {{"--headless", con, "spazi/mio", "file.ini"}, 0, 1, {},
       "quimbo: impossibile aprire la porta /dev/quimbo-nessuno: "},
      {{"--help"}, 0, 0, {"--headless", "--prova", "--sblocca", "--version", "Dispositivo", "Registratore"}, ""},
      {{"--version"}, 0, 0, {"quimbo "}, ""},
      {{"--nessuna"}, 0, 2, {}, "quimbo: "},
  };
  // clang-format on
  for (const auto& [argomenti, segnale, codice, suUscita, errore] : casi) {
    SCOPED_TRACE(argomenti.join(' ').toStdString());
    QProcess p;
    p.start(QStringLiteral(QUIMBO_ESEGUIBILE), argomenti);
    if (segnale) {
      EXPECT_FALSE(p.waitForFinished(1000)) << "a window keeps running until told";
      ::kill(static_cast<pid_t>(p.processId()), segnale);
    }
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(make_tuple(p.exitStatus(), p.exitCode()), make_tuple(QProcess::NormalExit, codice));
    const QByteArray uscita = p.readAllStandardOutput();
    for (const char* parola : suUscita) EXPECT_TRUE(uscita.contains(parola)) << parola;
    EXPECT_TRUE(p.readAllStandardError().startsWith(errore));
  }
  ASSERT_TRUE(sim.aspettaRighe(2, 2000));
  EXPECT_EQ(sim.righe(), (std::vector<std::string>{"497", "497"})) << "the unlock command, twice";
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
