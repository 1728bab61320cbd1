// simcassa: a cash register on a pseudo-terminal (or a real port) for trying the
// program without hardware. One thread, one ppoll() loop: the register's delayed
// answers, the optional line pacing and the "line has gone quiet" check are all
// deadlines of that loop, so the process sleeps while nothing happens.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registratore.h"

namespace {

constexpr const char* kUso =
    "Uso: simcassa FAMIGLIA [opzioni]\n"
    "Fa la parte di un registratore di cassa della FAMIGLIA data (vandoni, frontiera,\n"
    "olivetti, kabel) finche' non riceve SIGTERM o SIGINT.\n"
    "\n"
    "Senza --porta crea uno pseudo-terminale e scrive come prima riga\n"
    "  PORTA /dev/pts/N\n"
    "poi una riga per ogni riga del giornale (un comando decodificato, oppure \"?? ...\"\n"
    "per quanto non e' un comando valido, \"!! ...\" per il controllo di flusso violato).\n"
    "\n"
    "Opzioni:\n"
    "  --porta DEV          usa il dispositivo DEV invece di uno pseudo-terminale\n"
    "  --impostazioni T     con --porta: velocita',parita',bit,stop (predefinito 1200,e,7,1)\n"
    "  --baud B             pseudo-terminale: ogni carattere, in entrata e in uscita, richiede\n"
    "                       il tempo di 10 bit a B baud; con --porta: velocita' della linea\n"
    "  --giornale FILE      aggiunge ogni riga del giornale a FILE\n"
    "  --rifiuta N          Vandoni: NAK alle prime N trame\n"
    "  --rispondi C         risponde il carattere C invece della conferma (un carattere e'\n"
    "                       se stesso; un testo piu' lungo e' un codice: 21, 0x15)\n"
    "  --al-comando K       ...solo alla trama numero K (da 1); senza: a tutte\n"
    "  --muto               non risponde mai nulla\n"
    "  --dc3-ogni K         Frontiera: DC3 ogni K caratteri ricevuti, DC1 dopo la durata\n"
    "  --dc3-durata S       durata dell'arresto in secondi (predefinita 0.05)\n"
    "  --stato-errato N     Olivetti: le prime N trame di risposta hanno uno stato d'errore\n"
    "  --senza-pronto       Kabel: la sezione di stato non contiene \"z\"\n"
    "  --riaggancia-dopo N  dopo N trame chiude la linea ed esce\n"
    "  --al-dato D          --rifiuta e --rispondi valgono solo per i comandi i cui dati\n"
    "                       cominciano con D, e --al-comando conta solo quelli\n"
    "  --stantio T          scrive T sulla linea prima di tutto, come una risposta rimasta\n"
    "                       da un'esecuzione precedente (\\xHH e' il byte HH: '\\x06')\n"
    "  --stantio-dopo S     ...invece S secondi dopo che il programma ha aperto la linea\n"
    "                       (solo sullo pseudo-terminale)\n"
    "  --help               questo aiuto\n";

// After this long without traffic in either direction a half-received frame is judged.
constexpr double kQuiete = 0.2;

volatile sig_atomic_t gFine = 0;
void fermati(int) { gFine = 1; }

double ora() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Opzioni {
  std::string famiglia;
  simcassa::Guasti guasti;
  std::string porta;
  std::string impostazioni = "1200,e,7,1";
  std::string giornale;
  double baud = 0;
  std::string stantio;      // bytes left on the line by an earlier conversation
  double stantioDopo = -1;  // seconds after the program opens the line; < 0: at once
};

// "\x06" is the byte 6, "\\" a backslash; anything else stands for itself.
std::string byteDa(const std::string& t) {
  std::string r;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\\' && i + 3 < t.size() && t[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(t[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(t[i + 3]))) {
      r += static_cast<char>(std::stoi(t.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == '\\') {
      r += t[++i];
    } else {
      r += t[i];
    }
  }
  return r;
}

[[noreturn]] void errore(const std::string& testo) {
  std::fprintf(stderr, "simcassa: %s\n(simcassa --help per l'uso)\n", testo.c_str());
  std::exit(2);
}

long intero(const std::string& nome, const std::string& v, long minimo) {
  char* fine = nullptr;
  errno = 0;
  long n = std::strtol(v.c_str(), &fine, 0);
  if (v.empty() || *fine != '\0' || errno != 0 || n < minimo || n > 1000000000L)
    errore("valore non valido per " + nome + ": " + v);
  return n;
}

double reale(const std::string& nome, const std::string& v) {
  char* fine = nullptr;
  double d = std::strtod(v.c_str(), &fine);
  if (v.empty() || *fine != '\0' || !(d >= 0) || !std::isfinite(d))
    errore("valore non valido per " + nome + ": " + v);
  return d;
}

// The register's faults: true when `nome` is one of them.
bool opzioneGuasto(const std::string& nome, const std::function<std::string()>& arg, simcassa::Guasti& g) {
  if (nome == "--rifiuta") {
    g.rifiutaPrimi = static_cast<int>(intero(nome, arg(), 0));
  } else if (nome == "--rispondi") {
    const std::string v = arg();
    g.rispondiCon = v.size() == 1 ? v[0] : static_cast<char>(intero(nome, v, 1) & 0xFF);
    if (g.rispondiCon == 0) errore("--rispondi non puo' essere il carattere 0");
  } else if (nome == "--al-comando") {
    g.rispondiAlComando = static_cast<int>(intero(nome, arg(), 0));
  } else if (nome == "--muto") {
    g.muto = true;
  } else if (nome == "--dc3-ogni") {
    g.dc3OgniK = static_cast<int>(intero(nome, arg(), 0));
  } else if (nome == "--dc3-durata") {
    g.dc3Durata = reale(nome, arg());
  } else if (nome == "--stato-errato") {
    g.statoErratoPrimi = static_cast<int>(intero(nome, arg(), 0));
  } else if (nome == "--senza-pronto") {
    g.kabelSenzaPronto = true;
  } else if (nome == "--al-dato") {
    g.alDato = arg();
  } else if (nome == "--riaggancia-dopo") {
    g.riagganciaDopo = static_cast<int>(intero(nome, arg(), 0));
  } else {
    return false;
  }
  return true;
}

Opzioni leggiOpzioni(int argc, char** argv) {
  Opzioni o;
  std::vector<std::string> a(argv + 1, argv + argc);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::string nome = a[i];
    std::optional<std::string> valore;
    if (auto uguale = nome.find('='); nome.rfind("--", 0) == 0 && uguale != std::string::npos) {
      valore = nome.substr(uguale + 1);
      nome.resize(uguale);
    }
    const std::function<std::string()> arg = [&]() -> std::string {
      if (valore) return *valore;
      if (i + 1 >= a.size()) errore("manca il valore di " + nome);
      return a[++i];
    };
    if (nome == "--help" || nome == "-h") {
      std::fputs(kUso, stdout);
      std::exit(0);
    } else if (opzioneGuasto(nome, arg, o.guasti)) {
      continue;
    } else if (nome == "--porta") {
      o.porta = arg();
    } else if (nome == "--impostazioni") {
      o.impostazioni = arg();
    } else if (nome == "--baud") {
      o.baud = reale(nome, arg());
    } else if (nome == "--giornale") {
      o.giornale = arg();
    } else if (nome == "--stantio") {
      o.stantio = byteDa(arg());
      if (o.stantio.empty()) errore("--stantio vuole almeno un byte");
    } else if (nome == "--stantio-dopo") {
      o.stantioDopo = reale(nome, arg());
    } else if (nome.rfind("--", 0) == 0) {
      errore("opzione sconosciuta: " + nome);
    } else if (o.famiglia.empty()) {
      o.famiglia = nome;
    } else {
      errore("argomento in piu': " + nome);
    }
  }
  if (o.famiglia.empty()) errore("manca la FAMIGLIA");
  return o;
}

speed_t velocita(long baud) {
  static const std::pair<long, speed_t> tabella[] = {
      {50, B50},     {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
      {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
      {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (auto [b, s] : tabella)
    if (b == baud) return s;
  errore("velocita' non gestita: " + std::to_string(baud));
}

// "1200,e,7,1": speed, parity (n, e, o), data bits, stop bits.
void configuraDispositivo(int fd, const Opzioni& o) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) errore("tcgetattr " + o.porta + ": " + std::strerror(errno));
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  std::vector<std::string> p;
  std::string parte;
  for (char c : o.impostazioni + ",") {
    if (c == ',') {
      p.push_back(parte);
      parte.clear();
    } else {
      parte += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  if (p.size() != 4) errore("impostazioni non valide: " + o.impostazioni);
  long baud = o.baud > 0 ? std::lround(o.baud) : intero("--impostazioni", p[0], 1);
  cfsetispeed(&t, velocita(baud));
  cfsetospeed(&t, velocita(baud));
  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSIZE | CSTOPB);
  if (p[1] == "e") {
    t.c_cflag |= PARENB;
  } else if (p[1] == "o") {
    t.c_cflag |= PARENB | PARODD;
  } else if (p[1] != "n") {
    errore("parita' non valida: " + p[1]);
  }
  switch (intero("--impostazioni", p[2], 5)) {
    case 5:
      t.c_cflag |= CS5;
      break;
    case 6:
      t.c_cflag |= CS6;
      break;
    case 7:
      t.c_cflag |= CS7;
      break;
    case 8:
      t.c_cflag |= CS8;
      break;
    default:
      errore("bit di dati non validi: " + p[2]);
  }
  if (p[3] == "2") {
    t.c_cflag |= CSTOPB;
  } else if (p[3] != "1") {
    errore("bit di stop non validi: " + p[3]);
  }
  if (tcsetattr(fd, TCSANOW, &t) != 0) errore("tcsetattr " + o.porta + ": " + std::strerror(errno));
}

void grezzo(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
}

class Servizio {
 public:
  // `aperture`: an inotify descriptor that reports the program opening the line, for
  // the stale bytes due some time after that (-1: none).
  Servizio(const Opzioni& o, simcassa::Registratore& reg, int fd, std::FILE* giornale, int aperture)
      : reg_(reg),
        fd_(fd),
        giornale_(giornale),
        tempoCarattere_(o.porta.empty() && o.baud > 0 ? 10.0 / o.baud : 0),
        aperture_(aperture),
        stantio_(o.stantio),
        stantioDopo_(o.stantioDopo) {}

  // Returns the exit status.
  int esegui() {
    sigset_t vuoto;
    sigemptyset(&vuoto);
    stampaGiornale();
    while (!gFine) {
      const double adesso = ora();
      elaboraIngresso(adesso);
      programma(adesso);
      if (!scrivi(adesso)) return 1;
      if (daQuietare_ && fermo() && adesso - ultimoTraffico_ >= kQuiete) {
        daQuietare_ = false;
        accetta(reg_.quiete(), adesso);
        continue;
      }
      if (reg_.riagganciato() && programmate_.empty() && trasmissione_.empty()) {
        std::fprintf(stderr, "simcassa: riaggancio dopo %d trame\n", reg_.trameRicevute());
        return 0;
      }
      if (!attendi(scadenza(), vuoto)) return 1;
    }
    // A frame cut short by the end of the run still gets its journal line.
    reg_.quiete();
    stampaGiornale();
    return 0;
  }

 private:
  // Nothing coming in, due or going out.
  bool fermo() const { return ingresso_.empty() && programmate_.empty() && trasmissione_.empty(); }

  // The next moment something is due: a byte received, an answer, a byte to send, the
  // line gone quiet.
  double scadenza() const {
    double scadenza = INFINITY;
    if (!ingresso_.empty()) scadenza = std::min(scadenza, ingresso_.front().first);
    if (!programmate_.empty()) scadenza = std::min(scadenza, programmate_.begin()->first);
    if (!trasmissione_.empty() && !bloccato_) scadenza = std::min(scadenza, trasmissione_.front().first);
    if (daQuietare_ && fermo()) scadenza = std::min(scadenza, ultimoTraffico_ + kQuiete);
    return scadenza;
  }

  // Sleeps until `scadenza` or the line, the program opening it or a signal wakes it.
  // False on an error of the line.
  bool attendi(double scadenza, const sigset_t& vuoto) {
    pollfd pp[2] = {{fd_, POLLIN, 0}, {aperture_, POLLIN, 0}};
    pollfd& p = pp[0];
    if (bloccato_) p.events |= POLLOUT;
    timespec attesa{};
    timespec* pa = nullptr;
    if (std::isfinite(scadenza)) {
      double d = std::max(0.0, scadenza - ora());
      attesa.tv_sec = static_cast<time_t>(d);
      attesa.tv_nsec = static_cast<long>((d - static_cast<double>(attesa.tv_sec)) * 1e9);
      pa = &attesa;
    }
    int n = ppoll(pp, aperture_ >= 0 ? 2 : 1, pa, &vuoto);
    if (n < 0) {
      if (errno == EINTR) return true;
      std::perror("simcassa: ppoll");
      return false;
    }
    if (aperture_ >= 0 && (pp[1].revents & POLLIN)) apertaDalProgramma();
    if (p.revents & POLLOUT) bloccato_ = false;
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) return leggi();
    return true;
  }

  // The line was opened: the stale bytes are due a while later, once.
  void apertaDalProgramma() {
    char buf[4096];
    while (read(aperture_, buf, sizeof buf) > 0) {
    }
    close(std::exchange(aperture_, -1));
    programmate_.emplace(ora() + stantioDopo_, stantio_);
  }

  bool leggi() {
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (n <= 0) {
      std::fprintf(stderr, "simcassa: la linea si e' chiusa (%s)\n",
                   n == 0 ? "fine del file" : std::strerror(errno));
      return false;
    }
    const double adesso = ora();
    ultimoTraffico_ = adesso;
    daQuietare_ = true;
    for (ssize_t i = 0; i < n; ++i) {
      // With pacing each byte takes a character time to come in after the one before.
      double quando = adesso;
      if (tempoCarattere_ > 0)
        quando = ricezioneLibera_ = std::max(adesso, ricezioneLibera_) + tempoCarattere_;
      ingresso_.emplace_back(quando, buf[i]);
    }
    return true;
  }

  void elaboraIngresso(double adesso) {
    while (!ingresso_.empty() && ingresso_.front().first <= adesso && !reg_.riagganciato()) {
      const double quando = ingresso_.front().first;
      std::string pezzo;
      while (!ingresso_.empty() && ingresso_.front().first == quando) {
        pezzo += ingresso_.front().second;
        ingresso_.pop_front();
      }
      reg_.orologio(quando);
      accetta(reg_.ricevi(pezzo), quando);
    }
    if (reg_.riagganciato()) ingresso_.clear();
  }

  void accetta(const std::vector<simcassa::Uscita>& uscite, double quando) {
    for (const auto& u : uscite) programmate_.emplace(quando + u.ritardo, u.byte);
    stampaGiornale();
  }

  void programma(double adesso) {
    while (!programmate_.empty() && programmate_.begin()->first <= adesso) {
      const double dovuto = programmate_.begin()->first;
      for (char c : programmate_.begin()->second) {
        double quando = dovuto;
        if (tempoCarattere_ > 0) quando = lineaLibera_ = std::max(dovuto, lineaLibera_) + tempoCarattere_;
        trasmissione_.emplace_back(quando, c);
      }
      programmate_.erase(programmate_.begin());
    }
  }

  bool scrivi(double adesso) {
    if (bloccato_) return true;
    std::string pronti;
    for (const auto& [quando, c] : trasmissione_) {
      if (quando > adesso) break;
      pronti += c;
    }
    if (pronti.empty()) return true;
    ssize_t n = write(fd_, pronti.data(), pronti.size());
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) {
        bloccato_ = errno == EAGAIN;
        return true;
      }
      std::fprintf(stderr, "simcassa: scrittura: %s\n", std::strerror(errno));
      return false;
    }
    trasmissione_.erase(trasmissione_.begin(), trasmissione_.begin() + n);
    if (static_cast<std::size_t>(n) < pronti.size()) bloccato_ = true;
    ultimoTraffico_ = adesso;
    return true;
  }

  void stampaGiornale() {
    const auto& g = reg_.giornale();
    for (; stampate_ < g.size(); ++stampate_) {
      std::printf("%s\n", g[stampate_].c_str());
      if (giornale_) {
        std::fprintf(giornale_, "%s\n", g[stampate_].c_str());
        std::fflush(giornale_);
      }
    }
    std::fflush(stdout);
  }

  simcassa::Registratore& reg_;
  int fd_;
  std::FILE* giornale_;
  const double tempoCarattere_;
  std::deque<std::pair<double, char>> ingresso_;      // bytes and when they count as received
  std::multimap<double, std::string> programmate_;    // answers and when they are due
  std::deque<std::pair<double, char>> trasmissione_;  // bytes and when they leave
  double ricezioneLibera_ = 0;
  double lineaLibera_ = 0;
  double ultimoTraffico_ = 0;
  bool daQuietare_ = false;
  bool bloccato_ = false;
  std::size_t stampate_ = 0;
  int aperture_;
  std::string stantio_;
  double stantioDopo_;
};

}  // namespace

namespace {

// The signals are blocked except inside ppoll(), so that none is lost between the test
// of the flag and the wait.
void preparaSegnali() {
  sigset_t bloccati;
  sigemptyset(&bloccati);
  sigaddset(&bloccati, SIGTERM);
  sigaddset(&bloccati, SIGINT);
  sigprocmask(SIG_BLOCK, &bloccati, nullptr);
  struct sigaction sa {};
  sa.sa_handler = fermati;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// A new pseudo-terminal, named on the first line of the output. Our own slave
// descriptor stays open for the whole run: when the program closes the port the
// master then sees no hang-up, and a reopened port finds the register still there.
// `aperture` gets the watch for the program's opening when stale bytes are due after it.
void apriPty(const Opzioni& o, int& fd, int& schiavo, int& aperture) {
  if (openpty(&fd, &schiavo, nullptr, nullptr, nullptr) != 0) {
    std::perror("simcassa: openpty");
    std::exit(1);
  }
  grezzo(fd);
  grezzo(schiavo);
  // Written before the line is named, so before anyone can have opened it: the
  // program finds it waiting.
  if (!o.stantio.empty() && o.stantioDopo < 0 && write(fd, o.stantio.data(), o.stantio.size()) < 0)
    errore(std::string("scrittura: ") + std::strerror(errno));
  if (o.stantioDopo >= 0) {
    aperture = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (aperture < 0 || inotify_add_watch(aperture, ttyname(schiavo), IN_OPEN) < 0)
      errore(std::string("inotify: ") + std::strerror(errno));
  }
  std::printf("PORTA %s\n", ttyname(schiavo));
  std::fflush(stdout);
}

// A real line, with its settings.
int apriPorta(const Opzioni& o) {
  const int fd = open(o.porta.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) errore("non riesco ad aprire " + o.porta + ": " + std::strerror(errno));
  configuraDispositivo(fd, o);
  // On a real line nobody can be told apart opening the other end: at once.
  if (!o.stantio.empty() && write(fd, o.stantio.data(), o.stantio.size()) < 0)
    errore(std::string("scrittura: ") + std::strerror(errno));
  return fd;
}

// A pty drops what the other side has not read yet when the master closes: the
// program takes the last answer before the line goes dead.
void lasciaLeggere(int schiavo) {
  const double limite = ora() + 1.0, minimo = ora() + 0.02;
  int inAttesa = 0;
  while (ora() < limite && (ora() < minimo || (ioctl(schiavo, FIONREAD, &inAttesa) == 0 && inAttesa > 0)))
    usleep(5000);
}

}  // namespace

int main(int argc, char** argv) {
  const Opzioni o = leggiOpzioni(argc, argv);
  auto reg = simcassa::Registratore::crea(o.famiglia, o.guasti);
  if (!reg) errore("famiglia sconosciuta: " + o.famiglia);
  preparaSegnali();

  std::FILE* giornale = nullptr;
  if (!o.giornale.empty()) {
    giornale = std::fopen(o.giornale.c_str(), "a");
    if (!giornale) errore("non riesco ad aprire " + o.giornale + ": " + std::strerror(errno));
  }

  int fd = -1;
  int schiavo = -1;
  int aperture = -1;
  if (o.porta.empty())
    apriPty(o, fd, schiavo, aperture);
  else
    fd = apriPorta(o);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

  int esito = 0;
  if (!reg->riagganciato()) {
    Servizio servizio(o, *reg, fd, giornale, aperture);
    esito = servizio.esegui();
  }
  if (reg->riagganciato() && schiavo >= 0) lasciaLeggere(schiavo);
  if (schiavo >= 0) close(schiavo);
  close(fd);
  if (giornale) std::fclose(giornale);
  return esito;
}
