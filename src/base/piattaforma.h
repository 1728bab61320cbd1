#pragma once
// The core's only view of the outside: the serial port, the window and its
// operator, the scan's timer and the folder's watch, the event pump, the clock and
// the service manager. Each is implemented for real in a shell (app/) and scripted
// in the tests.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quimbo {

// Event codes of the original serial control, as Comm1_OnComm expects them.
namespace evento {
inline constexpr int Send = 1;
inline constexpr int Receive = 2;
inline constexpr int CTS = 3;
inline constexpr int DSR = 4;
inline constexpr int CD = 5;
inline constexpr int Ring = 6;
inline constexpr int Break = 1001;
inline constexpr int CTSTO = 1002;
inline constexpr int DSRTO = 1003;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int CDTO = 1007;
inline constexpr int RxOver = 1008;
inline constexpr int RxParity = 1009;
inline constexpr int TxFull = 1010;
// Not a code of the original control: the device went away (far end hung up, USB
// adapter pulled). The port has already closed itself when this arrives.
inline constexpr int PortaPersa = 9001;
}  // namespace evento

class Porta {
 public:
  using Gestore = std::function<void(int codice)>;
  virtual ~Porta() = default;

  // Where events go; set once, before the port is opened.
  virtual void suEvento(Gestore gestore) = 0;
  // Opens the device with a settings text such as "1200,e,7,1". On failure returns
  // false and puts the system's reason into `motivo`.
  virtual bool apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) = 0;
  virtual void chiudi() = 0;
  virtual bool aperta() const = 0;
  // Why the port was lost, when it closed itself (empty otherwise).
  virtual std::string motivoChiusura() const { return {}; }

  virtual int inBufferCount() = 0;
  virtual std::string input() = 0;  // all waiting bytes, removed from the buffer
  // Drops every byte received and not yet read: the program's buffer and the system
  // driver's input queue alike. input() alone leaves what the driver still holds.
  virtual void scarta() = 0;
  // Queues the bytes and pushes them towards the line, also inside waits that
  // process no events. Raises Errore when the port is not open.
  virtual void output(std::string_view dati) = 0;
  // Blocks up to `secondi` for input without processing any event; true when bytes
  // are waiting. No receive event is raised for bytes that arrive during the wait.
  virtual bool attendiDati(double secondi) = 0;
  // Bytes written but not yet gone down the line (queued in the program or the system).
  virtual int inUscita() { return 0; }
};

struct DataOra {
  int anno = 2000, mese = 1, giorno = 1, ora = 0, minuto = 0, secondo = 0;
  int millisecondo = 0;  // for the headless log's lines
  bool operator==(const DataOra&) const = default;
};

// A line of the log an integrator reads: the outcome of each receipt and each
// change of the link (Informazione), and the errors (Errore).
enum class Livello { Informazione, Errore };

// What the operator and the service manager are shown of the program's state.
struct Situazione {
  int inAttesa = 0;    // receipts waiting in the folder
  std::string ultimo;  // the last receipt sent ("" before the first)
  DataOra quando;      // and when it went
  bool portaAssente = false;
  std::string dispositivo;  // the port's device, named when it is missing
  bool cassaMuta = false;
  bool discoPieno = false;  // no room in the receipt folder: receipts wait
  int inDubbio = 0;         // set aside in doubt, for the operator to settle
  bool operator==(const Situazione&) const = default;
};
// Its line: "2 scontrini in attesa; ultimo inviato: a.sco alle 10:41:07; 1 scontrino in
// dubbio; cassa collegata"
std::string DescriviSituazione(const Situazione& s);

// A receipt set aside in doubt: cut during its payment, it may have been printed, and
// waits in scartati/ for the operator to check the register's own journal.
struct InDubbio {
  std::string file{};  // its name in scartati/
  std::string nome{};  // the receipt's own name
  // When its payment began, the time to look for in the register's journal; none when
  // nobody knows (a receipt cut by a stop of an earlier version).
  std::optional<DataOra> inizio{};
  std::string totale{}, pagamento{};  // from its total line ("80"): the amount and the payment's letter
  std::vector<std::string> righe{};   // its lines with a record, as the point of sale wrote them
  std::string motivo{};               // why, as its outcome says
  std::string ultimo{};               // what last reached the register, when known
};

// When its payment began: "pagamento iniziato il 2026-12-05 07:10:03", or that nobody knows.
std::string QuandoPagato(const InDubbio& d);
// The receipt as a question names it: "lo scontrino a.sco, pagamento iniziato il
// 2026-12-05 07:10:03, totale 300 (C)".
std::string QualeScontrino(const InDubbio& d);
// Its entry in a list: "a.sco  pagamento iniziato il 2026-12-05 07:10:03  totale 300 (C)  2 righe".
std::string VoceInDubbio(const InDubbio& d);
// All the operator needs to look for it in the register's journal, a fact a line.
std::string DescriviInDubbio(const InDubbio& d);

// The title of the operator's boxes that have none of their own.
inline constexpr const char* kTitoloApplicazione = "Invio Scontrini alle casse";

// What a window's operator can ask of the program, and what the window must know of
// it: the one way a shell's window reaches the program.
class Operatore {
 public:
  virtual ~Operatore() = default;
  virtual void fine() = 0;       // "&FINE": the program ends at once
  virtual void sblocca() = 0;    // "Sblocca tastiera"
  virtual void inviaTest() = 0;  // "InviaTest": the text of txtProva to the register
  // The close box, log-off: a receipt being paid ends first, and the window goes once
  // chiuso() says so.
  virtual void chiudi() = 0;
  virtual bool chiuso() const = 0;
  virtual bool inPagamento() const = 0;
  // "Scontrini in dubbio": the receipts in doubt, oldest first; and the operator's
  // settlement of one, after a question that names its total and time. True when it
  // was settled; otherwise the operator answered No, or it was settled already (said).
  virtual std::vector<InDubbio> inDubbio() = 0;
  virtual bool sistema(const InDubbio& d, bool ristampa) = 0;
};

enum class Campo { TxtManda, TxtRit, TxtMsg, txtTipo, Caption };
enum class Elemento { LabRit, TxtRit, CmdSblocca, txtProva, comTest, LabConfBase, txtConfBase, CheAggConf };
enum class Icona { Nessuna, Domanda, Critico, Esclamazione, Informazione };
// OkAnnullaPrudente: OK and Annulla with Annulla the default, for a question whose OK
// may print a receipt twice.
enum class Pulsanti { Ok, OkAnnulla, SiNoAnnulla, SiNo, OkAnnullaPrudente };
enum class Risposta { Ok, Annulla, Si, No };

class Finestra {
 public:
  virtual ~Finestra() = default;
  // Display texts, Windows-1252 bytes (the window converts them for showing).
  virtual void scrivi(Campo campo, const std::string& testo) = 0;
  virtual void mostra(Elemento elemento, bool visibile) = 0;

  virtual std::string confBase() = 0;  // txtConfBase
  virtual void impostaConfBase(const std::string& testo) = 0;
  virtual bool aggConf() = 0;  // CheAggConf checked
  virtual void impostaAggConf(bool spuntato) = 0;
  virtual std::string prova() = 0;  // txtProva

  // A modal question. An empty title means the application's title.
  virtual Risposta chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                          Pulsanti pulsanti) = 0;

  // While the link waits for the register the two buttons that start an exchange
  // are disabled, so that no second exchange starts inside the first.
  virtual void collegamentoOccupato(bool occupato) = 0;
  // A new job starts (one receipt, or one command-line action): the headless
  // operator counts its automatic answers per job.
  virtual void nuovoLavoro() {}
  virtual void annota(Livello, const std::string&) {}
  virtual void situazione(const Situazione&) {}
  // Ends the program at once (after "&FINE"); nothing in progress resumes.
  virtual void termina() = 0;
  // Shows the window, once start-up is over. The headless log has none to show.
  virtual void visualizza() {}
};

// Timer1, the folder-scan timer, with the watch on the folder that asks for a scan
// as soon as a receipt lands. The shell makes it; the program owns what it runs.
class TimerScansione {
 public:
  virtual ~TimerScansione() = default;
  // What each tick runs (set once, before the timer is enabled).
  virtual void suScatto(std::function<void()> scatto) = 0;
  // As the original control: a new interval takes effect at once on a running
  // timer, and an interval of 0 stops it.
  virtual void intervallo(int millisecondi) = 0;
  // Enabling counts one full interval from now; enabling a running timer leaves it
  // as it is.
  virtual void abilita(bool abilitato) = 0;
  // A tick as soon as the events waiting have been processed (never inside a tick).
  virtual void subito() = 0;
  // A receipt closed after writing, or moved into the folder, asks for a tick.
  virtual void osserva(const std::string& cartella) = 0;
};

// A Timer1 that never ticks, for a program that sends without scanning the folder
// (the measurements, the fuzz targets).
class TimerFermo : public TimerScansione {
 public:
  void suScatto(std::function<void()>) override {}
  void intervallo(int) override {}
  void abilita(bool) override {}
  void subito() override {}
  void osserva(const std::string&) override {}
};

// The service manager: ready once the port is open and the first scan armed, a
// status line, the stop, and the errors for the system's log. A program not run as
// a service tells nobody.
class Servizio {
 public:
  virtual ~Servizio() = default;
  virtual void pronto() = 0;
  virtual void stato(const std::string& testo) = 0;
  virtual void inArresto() = 0;
  // An error of the headless log (Windows-1252 text), for a system log that does not
  // read standard error (systemd's journal does: nothing to do there).
  virtual void errore(const std::string&) {}
  // A fact the system's log keeps even when no service runs (a receipt in doubt
  // settled by the operator), Windows-1252 text.
  virtual void nota(const std::string&) {}
};

class Pompa {
 public:
  virtual ~Pompa() = default;
  // Lets the window process events until `fatto` holds or the monotonic moment
  // `scadenza` passes; never spins. Returns fatto() as it stands at the end.
  virtual bool attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) = 0;
  // Runs `azione` once, from the event loop, `secondi` from now.
  virtual void dopo(double secondi, std::function<void()> azione) = 0;
  // The program's main loop, until esci(); its exit code.
  virtual int eseguiCicloPrincipale() = 0;
  // Ends the program. From the main loop itself the loop is left with code 0;
  // anywhere else (inside a wait, a modal box, the start-up) nothing in progress may
  // resume, so the process leaves on the spot.
  virtual void esci() = 0;
};

// Counts a wait of a pump for its life: how many run one inside the other decides how
// the program may end (Pompa::esci).
class LivelloDiAttesa {
 public:
  explicit LivelloDiAttesa(int& profondita) : n_(profondita) { ++n_; }
  ~LivelloDiAttesa() { --n_; }
  LivelloDiAttesa(const LivelloDiAttesa&) = delete;
  LivelloDiAttesa& operator=(const LivelloDiAttesa&) = delete;

 private:
  int& n_;
};

class Orologio {
 public:
  virtual ~Orologio() = default;
  virtual double secondi() = 0;            // monotonic, for waits
  virtual DataOra adesso() = 0;            // local date and time, for the log and NomiFil.txt
  virtual void dormi(double secondi) = 0;  // blocks, processes no events
};

// The real clock, for the program itself.
class OrologioSistema : public Orologio {
 public:
  double secondi() override;
  DataOra adesso() override;
  void dormi(double secondi) override;
};

struct Piattaforma {
  Porta& porta;
  Finestra& finestra;
  TimerScansione& timer;
  Pompa& pompa;
  Orologio& orologio;
};

}  // namespace quimbo
