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
#include "finestra_qt.h"
#include "programma/operatore.h"
#include "programma/senza_finestra.h"
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
  OperatoreDelProgramma operatore{st};
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
  TimerQt timer1;
  const QTimer& t = timer1.timer();
  timer1.intervallo(0);
  timer1.abilita(true);
  EXPECT_FALSE(t.isActive()) << "an interval of 0 gives no ticks";
  timer1.abilita(false);
  timer1.intervallo(25);
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

// Form_Load shows each family its controls and name and starts the timer; FINE (the stop asked for), the
// close box and an unload before showing (a signal in start-up) close the port and stop the timer, once if
// tried twice.
TEST(FinestraAvviata, ControlliPerFamigliaEChiusura) {
  const std::tuple<const char*, char, std::function<void(FinestraQt&)>, int, bool> casi[] = {
      {"Vandoni", 'V', [](FinestraQt& f) { f.findChild<QPushButton*>("Command1")->click(); }, 1, true},
      {"Frontiera", 'F', [](FinestraQt& f) { f.show(), f.close(); }, 2, false},
      {"OLIVETTI", 'O', [](FinestraQt& f) { f.close(); }, 1, false},
      {"kabel", 'K', [](FinestraQt& f) { f.close(); }, 2, false},
      {"Epson", 'E', [](FinestraQt& f) { f.show(), f.close(); }, 2, false},
  };
  for (const auto& [tipo, lettera, chiudi, volte, fine] : casi) {
    Avviata a(tipo);
    ASSERT_TRUE(a.esito.portaAperta) << a.esito.motivo;
    controlliMostrati(a.finestra, lettera);
    EXPECT_EQ(make_tuple(a.finestra.windowTitle(), testo(a.finestra, "txtTipo")->text()),
              make_tuple(QStringLiteral("Gestione Registratore di Cassa (%1) ").arg(tipo), tipo));
    const QTimer& t = a.timer.timer();
    EXPECT_EQ(t.isActive() ? t.interval() : 0, 600000) << tipo;
    for (int i = 0; i < volte; ++i) chiudi(a.finestra);
    EXPECT_EQ(make_tuple(a.porta.aperta(), t.isActive(), a.st.mbFine, a.terminata),
              make_tuple(false, false, fine, 1))
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
    const std::regex righe(R"((\d\d:\d\d:\d\d\.\d\d\d DOMANDA \[Invio Scontrini alle casse\]: )"
                           R"(Non risponde / Riprovo\? -> (OK|Annulla|Sì|No)\n)+)");
    EXPECT_TRUE(std::regex_match(h.lettoErr(), righe)) << h.lettoErr();
  }
}

// The integrator's log: receipts and the link on standard output, errors on standard error, the display
// texts only in detail (--verbose).
TEST(FinestraHeadless, RigheDelRegistroPerFlusso) {
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

// Start-up cases of the real program, each with its exit code and what it says. SIGTERM and SIGINT end a
// running program with 0 (a window also on the start-up error box). A configuration that cannot be used stops
// a headless program with 78 and names the value, with the error priority when stderr is the journal; a port
// that cannot open is said with what to do, and ends a command-line action with 1 (a service keeps running);
// the command line and a missing display end with 2. An ini path with spaces may come in pieces; UTF-16 and
// CR-only files are read (their device shows in the port error).
TEST(Programma, AvvioCodiciDUscitaEMessaggi) {
  CartellaTemporanea dir, altra, finestra;
  Pty pty, occupata;
  Simulatore sim({"vandoni"}, (dir.p / "giornale.txt").string());
  const QString ini = QString::fromStdString(scriviIni(dir, "Vandoni", sim.dispositivo()));
  fs::create_directories(altra.p / "con spazi");
  fs::copy_file(scriviIni(altra, "Vandoni", "/dev/quimbo-nessuno"), altra.p / "con spazi" / "mio file.ini");
  const QString con = QString::fromStdString((altra.p / "con").string());  // + " spazi/mio file.ini"
  const QString quieta = QString::fromStdString(scriviIni(finestra, "Vandoni", pty.nome));
  auto scrivi = [&](const char* nome, const std::string& testo) {
    std::ofstream(altra.p / nome, std::ios::binary) << testo;
    return QString::fromStdString((altra.p / nome).string());
  };
  auto variante = [&](const char* nome, const std::string& altro, const std::string& dispositivo = "") {
    fs::copy_file(scriviIni(altra, "Vandoni", dispositivo.empty() ? pty.nome : dispositivo, 600000, altro),
                  altra.p / nome, fs::copy_options::overwrite_existing);
    return QString::fromStdString((altra.p / nome).string());
  };
  const QString ritenta = variante("ritenta.ini", "Ritenta=abc\n");
  const QString nelGiornale = variante("giornale.ini", "Ritenta=abc\n");  // stderr is systemd's journal
  const QString epson = variante("epson.ini", "Registratore=Epson\n");
  const QString senzaCartella = variante("senza.ini", "DirPerFile=" + (altra.p / "manca").string() + "\n");
  const QString proc = variante("proc.ini", "DirPerFile=/proc\n");
  const QString unFile = variante("file.ini", "DirPerFile=" + (altra.p / "file.ini").string() + "\n");
  const QString nulla = variante("null.ini", "", "/dev/null");
  // The first program holds a folder of its own, and the port.
  fs::create_directories(altra.p / "tenuta");
  const QString occupante =
      variante("occupata.ini", "DirPerFile=" + (altra.p / "tenuta").string() + "\n", occupata.nome);
  // The first of a key wins: these settings come before the file's own.
  const QString impostazioni =
      variante("settings.ini", "[Parametri Seriale]\nSettings=abc\n[Altri parametri]\n");
  const QString filePorta = variante("fileporta.ini", "", (altra.p / "ritenta.ini").string());
  const QString senzaSezione = scrivi("senzasezione.ini", "[Parametri Seriale]\nDispositivo=/dev/null\n");
  const QString binario = scrivi("binario.ini", std::string("\x7f"
                                                            "ELF\x02\x01\x01\0\0\0[x]",
                                                            13));
  // Another user, not in the pseudo-terminal's group, may read the configuration but not open the port.
  const QString estraneo = variante("estraneo.ini", "DirPerFile=/tmp\n");
  fs::permissions(altra.p, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(estraneo.toStdString(), fs::perms::others_read, fs::perm_options::add);
  std::u16string u16 = u"\uFEFF[Altri parametri]\r\n[Parametri Seriale]\r\nDispositivo=/dev/quimbo-utf16\r\n";
  const QString utf16 =
      scrivi("utf16.ini", std::string(reinterpret_cast<const char*>(u16.data()), 2 * u16.size()));
  const QString soloCr = scrivi("cr.ini",
                                "[Altri parametri]\rAttesaTimer=100\r[Parametri Seriale]\r"
                                "Dispositivo=/dev/quimbo-cr\r");
  QProcess primo;  // holds the port that the "busy" case asks for
  primo.start(QStringLiteral(QUIMBO_ESEGUIBILE), {"--headless", occupante});
  ASSERT_TRUE(primo.waitForReadyRead(5000));
  const std::string pidPrimo = std::to_string(primo.processId());
  using Parole = std::vector<std::string>;
  // clang-format off
  const std::tuple<QStringList, int, int, Parole, Parole> casi[] = {
      {{quieta}, SIGTERM, 0, {}, {}},
      {{ritenta}, SIGINT, 0, {}, {}},
      {{"--headless", "--verbose", "--sblocca", ini}, 0, 0, {"Avvio: file ini ", "MANDO ALLA CASSA: <STX>"}, {}},
      {{"--headless", con, "spazi/mio", "file.ini"}, SIGTERM, 0, {"porta /dev/quimbo-nessuno"},
       {"Impossibile aprire la porta /dev/quimbo-nessuno: ", "/dev/serial/by-id/"}},
      {{"--headless", "--sblocca", nulla}, 0, 1, {}, {"/dev/null non \u00e8 una porta seriale"}},
      {{"--headless", "--sblocca", occupante}, 0, 1, {},
       {"occupata da un altro programma", "processo " + pidPrimo + " (quimbo)"}},
      {{"--headless", occupante}, 0, 1, {},
       {"gi\u00e0 in uso da un altro Quimbo (PID " + pidPrimo + ", file ini " + occupante.toStdString() + ")"}},
      {{"--headless", "--sblocca", estraneo}, 0, 1, {},
       {"Permission denied. Permesso negato: " + pty.nome + " \u00e8 uno pseudo-terminale dell'utente root"}},
      {{"--headless", "--sblocca", utf16}, 0, 1, {}, {"porta /dev/quimbo-utf16"}},
      {{"--headless", "--prova", "x", soloCr}, 0, 1, {"scansione ogni 100 ms"}, {"porta /dev/quimbo-cr"}},
      {{"--headless", senzaCartella}, SIGTERM, 0, {}, {"manca inesistente: crearla"}},
      {{"--headless", proc}, SIGTERM, 0, {}, {"Cartella degli scontrini /proc non scrivibile"}},
      {{"--headless", unFile}, SIGTERM, 0, {}, {"file.ini non \u00e8 una cartella: correggere DirPerFile"}},
      {{"--headless", ritenta}, 0, 78, {}, {"[Altri parametri] Ritenta = \"abc\": Type mismatch"}},
      {{"--headless", nelGiornale}, 0, 78, {}, {"<3>quimbo: valore non valido", "Ritenta = \"abc\""}},
      {{"--headless", epson}, 0, 78, {}, {"Registratore = \"Epson\""}},
      {{"--headless", impostazioni}, 0, 78, {}, {"[Parametri Seriale] Settings = \"abc\": "}},
      {{"--headless", filePorta}, 0, 78, {}, {"[Parametri Seriale] Dispositivo = ", "ritenta.ini non \u00e8 una porta seriale ma un file"}},
      {{"--headless", senzaSezione}, 0, 78, {}, {"senzasezione.ini non ha la sezione [Altri parametri]"}},
      {{"--headless", binario}, 0, 78, {}, {"binario.ini non ha la sezione [Altri parametri]"}},
      {{"--headless", "/nessuna/parte.ini"}, 0, 78, {}, {"quimbo: il file ini /nessuna/parte.ini non esiste"}},
      {{"--help"}, 0, 0, {"--headless", "--verbose", "--prova", "--sblocca", "--version", "Dispositivo", "\u00e8"}, {}},
      {{"--version"}, 0, 0, {"quimbo "}, {}},
      {{"--nessuna"}, 0, 2, {}, {"quimbo: opzione sconosciuta: --nessuna", "quimbo --help"}},
      {{"-h"}, 0, 2, {}, {"quimbo: opzione sconosciuta: -h"}},
      {{quieta, "-platform", "xcb"}, 0, 2, {}, {"usare --headless"}},
      {{quieta}, 0, 2, {}, {"quimbo: nessun display per la finestra: senza display usare --headless"}},
  };
  // clang-format on
  for (const auto& [argomenti, segnale, codice, suUscita, suErrore] : casi) {
    SCOPED_TRACE(argomenti.join(' ').toStdString());
    QProcess p;
    if (codice == 2 && argomenti.first() == quieta) {  // the window where there is no display
      QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
      for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) ambiente.remove(v);
      p.setProcessEnvironment(ambiente);
    }
    if (argomenti.last() == estraneo) {
      if (::geteuid() != 0) continue;  // only root can become another user
      p.start(
          "setpriv",
          QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", QUIMBO_ESEGUIBILE} + argomenti);
    } else if (argomenti.last() == nelGiornale) {
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
    for (const std::string& parola : suUscita) EXPECT_NE(uscita.find(parola), std::string::npos) << parola;
    for (const std::string& parola : suErrore)
      EXPECT_NE(errore.find(parola), std::string::npos) << parola << "\n" << errore;
    if (suErrore.empty()) {
      EXPECT_EQ(errore, "");
    }
  }
  primo.terminate();
  EXPECT_TRUE(primo.waitForFinished(5000));
  ASSERT_TRUE(sim.aspettaRighe(2, 2000));
  EXPECT_EQ(sim.righe(), (std::vector<std::string>{"497", "497"})) << "the unlock command, twice";
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
