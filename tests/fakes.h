#pragma once
// A scripted platform for in-process scenarios: a fake clock that only moves when
// something waits, a port wired to a scripted register, a window that records
// what it was told and answers questions from a script, and an event pump that
// delivers the register's bytes as receive events.

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/piattaforma.h"
#include "base/stato.h"
#include "queue/coda.h"
#include "registratore.h"

namespace quimbo::prova {

// The same tests run on Windows (under wine), where a few facts differ.
#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// A fresh temporary folder, removed with everything in it (made writable first).
struct CartellaTemporanea {
  std::filesystem::path p;
  CartellaTemporanea();
  ~CartellaTemporanea();
};

// A whole file, or "" when it cannot be read.
std::string leggi(const std::filesystem::path& file);

class OrologioFinto : public Orologio {
 public:
  double t = 1000.0;
  DataOra data{2026, 12, 5, 7, 10, 3};
  double secondi() override { return t; }
  DataOra adesso() override { return data; }
  void dormi(double s) override {
    if (s > 0) t += s;
    dormito += s > 0 ? s : 0;
  }
  double dormito = 0;
};

// What the register sends back, `ritardo` seconds after the bytes that caused it.
using Cassa = std::function<std::vector<simcassa::Uscita>(std::string_view scritti)>;

class PortaFinta : public Porta {
 public:
  explicit PortaFinta(OrologioFinto& orologio) : orologio_(orologio) {}

  Cassa cassa;                         // the scripted register
  std::string scritto;                 // every byte the program wrote
  std::vector<std::string> scritture;  // one element per output() call
  std::vector<std::string> aperture;   // devices opened
  bool apriFallisce = false;
  std::string motivoFallimento = "No such file or directory";

  void suEvento(Gestore g) override { gestore_ = std::move(g); }
  bool apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) override;
  void chiudi() override { aperta_ = false; }
  bool aperta() const override { return aperta_; }
  std::string motivoChiusura() const override { return motivoChiusura_; }
  int inBufferCount() override;
  std::string input() override;
  void scarta() override { input(); }
  void output(std::string_view dati) override;
  bool attendiDati(double secondi) override;

  // Bytes from the register due by now move into the receive buffer; true when
  // any arrived.
  bool consegna();
  std::optional<double> prossimaConsegna() const;
  // Bytes that arrive at once, as if the register had sent them unprompted.
  void arriva(std::string byte, double ritardo = 0);
  // The far end hangs up now.
  void perdi(const std::string& motivo);
  void evento(int codice) {
    if (gestore_) gestore_(codice);
  }
  const std::string& impostazioni() const { return impostazioni_; }

 private:
  OrologioFinto& orologio_;
  Gestore gestore_;
  bool aperta_ = false;
  std::string motivoChiusura_;
  std::string impostazioni_;
  std::string buffer_;
  std::multimap<double, std::string> programmate_;
};

struct Domanda {
  std::string titolo, testo;
  Icona icona;
  Pulsanti pulsanti;
  Risposta risposta;
};

class FinestraFinta : public Finestra {
 public:
  std::map<Campo, std::vector<std::string>> storia;  // every text each field was given
  std::deque<Risposta> risposte;                     // answers to the next questions, in order
  std::vector<Domanda> domande;
  std::string confBaseTesto, provaTesto;
  bool aggConfSpuntato = false;
  std::vector<bool> occupato;
  int lavori = 0;
  bool terminato = false;
  int erroreAllaDomanda = 0;  // a question raises this error number (a broken window)

  void scrivi(Campo c, const std::string& t) override { storia[c].push_back(t); }
  void mostra(Elemento, bool) override {}
  std::string confBase() override { return confBaseTesto; }
  void impostaConfBase(const std::string& t) override { confBaseTesto = t; }
  bool aggConf() override { return aggConfSpuntato; }
  void impostaAggConf(bool s) override { aggConfSpuntato = s; }
  std::string prova() override { return provaTesto; }
  Risposta chiedi(const std::string& titolo, const std::string& testo, Icona icona, Pulsanti p) override;
  void collegamentoOccupato(bool o) override { occupato.push_back(o); }
  void nuovoLavoro() override { ++lavori; }
  std::vector<std::string> annotazioni;  // "I text" or "E text"
  void annota(Livello l, const std::string& t) override {
    annotazioni.push_back((l == Livello::Errore ? "E " : "I ") + t);
  }
  Situazione situazioneMostrata;
  void situazione(const Situazione& s) override { situazioneMostrata = s; }
  void termina() override { terminato = true; }

  std::string ultimo(Campo c) const;
};

// Timer1 as the program leaves it: its interval, whether it runs, how often it was
// enabled, the scans asked for at once and the folder watched. It never ticks: the
// tests call Timer1_Timer themselves.
class TimerFinto : public TimerScansione {
 public:
  int periodo = -1;
  bool abilitato = false;
  int abilitazioni = 0;
  int subiti = 0;
  std::string osservata;

  void suScatto(std::function<void()>) override {}
  void intervallo(int ms) override { periodo = ms; }
  void abilita(bool a) override {
    abilitato = a;
    if (a) ++abilitazioni;
  }
  void subito() override { ++subiti; }
  void osserva(const std::string& cartella) override { osservata = cartella; }
};

// Delivers the register's bytes as receive events and moves the fake clock to the
// next thing that can happen. A wait that nothing can ever end fails the test
// instead of hanging it.
class PompaFinta : public Pompa {
 public:
  PompaFinta(OrologioFinto& o, PortaFinta& p) : orologio_(o), porta_(p) {}
  bool attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) override;
  // Something the operator does at a given moment (a click, a close).
  void alle(double t, std::function<void()> azione) { azioni_.emplace(t, std::move(azione)); }
  void dopo(double secondi, std::function<void()> azione) override {
    alle(orologio_.t + secondi, std::move(azione));
  }
  // The main loop: the scripted events until esci().
  int eseguiCicloPrincipale() override {
    attendi([this] { return uscito; }, std::nullopt);
    return 0;
  }
  void esci() override { uscito = true; }
  int attese = 0;
  bool uscito = false;

 private:
  OrologioFinto& orologio_;
  PortaFinta& porta_;
  std::multimap<double, std::function<void()>> azioni_;
};

// A whole scripted platform and the state over it.
// The service manager's side, keeping what it was told for the system's log.
struct ServizioFinto : Servizio {
  std::vector<std::string> note;
  void pronto() override {}
  void stato(const std::string&) override {}
  void inArresto() override {}
  void nota(const std::string& testo) override { note.push_back(testo); }
};

struct Banco {
  OrologioFinto orologio;
  PortaFinta porta{orologio};
  FinestraFinta finestra;
  TimerFinto timer;
  PompaFinta pompa{orologio, porta};
  Impostazioni imp;
  StatoCoda coda;
  Stato st{Piattaforma{porta, finestra, timer, pompa, orologio}, imp, coda};
  ServizioFinto servizio;
  CartellaTemporanea dir;
  const std::filesystem::path cartella = dir.p;  // the receipt folder
  std::unique_ptr<simcassa::Registratore> simulatore;

  // Writes quimbo.ini with "[Altri parametri]" lines (DirPerFile is added) and
  // runs the start-up.
  void avvia(const std::string& altriParametri, const std::string& parametriSeriale = "");
  // Plays a simulated register of that family behind the port.
  simcassa::Registratore& collega(const std::string& famiglia, const simcassa::Guasti& g = {});
  // Both at once: start-up with these lines, then the register.
  simcassa::Registratore& prepara(const std::string& altriParametri, const std::string& famiglia,
                                  const simcassa::Guasti& g = {}) {
    avvia(altriParametri);
    return collega(famiglia, g);
  }
  void scriviFile(const std::string& nome, const std::string& contenuto) const;
  std::string leggiFile(const std::string& nome) const;
  bool esiste(const std::string& nome) const;
  std::vector<std::string> righeLog() const;
  std::vector<std::string> fileInCartella() const;   // names, sorted (folders end with "/")
  std::string esito(const std::string& nome) const;  // esiti/<nome>.esito, "" when there is none
};

// A Vandoni frame built by the simulator's side, for asserting what went on the wire.
using simcassa::tramaVandoni;

}  // namespace quimbo::prova
