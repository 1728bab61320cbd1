#pragma once
// A platform that does nothing but hand the fuzzer's bytes to the port, for
// targets that run the core's translations and answer parsers.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/piattaforma.h"
#include "base/stato.h"
#include "drivers/famiglie.h"
#include "queue/coda.h"

namespace quimbo::fuzz {

class PortaMuta : public Porta {
 public:
  std::string arrivo;  // what the register "sends"; read once
  void suEvento(Gestore) override {}
  bool apri(const std::string&, const std::string&, std::string&) override { return aperta_ = true; }
  void chiudi() override { aperta_ = false; }
  bool aperta() const override { return aperta_; }
  int inBufferCount() override { return static_cast<int>(arrivo.size()); }
  std::string input() override { return std::exchange(arrivo, {}); }
  void scarta() override { arrivo.clear(); }
  void output(std::string_view) override {}
  bool attendiDati(double) override { return !arrivo.empty(); }

 private:
  bool aperta_ = true;
};

class FinestraMuta : public Finestra {
 public:
  std::string conf = "12045678";
  void scrivi(Campo, const std::string&) override {}
  void mostra(Elemento, bool) override {}
  std::string confBase() override { return conf; }
  void impostaConfBase(const std::string& t) override { conf = t; }
  bool aggConf() override { return true; }
  void impostaAggConf(bool) override {}
  std::string prova() override { return {}; }
  Risposta chiedi(const std::string&, const std::string&, Icona, Pulsanti) override {
    return Risposta::Annulla;
  }
  void collegamentoOccupato(bool) override {}
  void termina() override {}
};

// Time moves on every look at the clock, so that every wait ends.
class OrologioMuto : public Orologio {
 public:
  double t = 0;
  double secondi() override { return t += 0.5; }
  DataOra adesso() override { return {2026, 12, 6, 12, 0, 0}; }
  void dormi(double s) override { t += s; }
};

class PompaMuta : public Pompa {
 public:
  bool attendi(const std::function<bool()>& fatto, std::optional<double>) override { return fatto(); }
  // No event loop: nothing runs later, and there is nothing to leave.
  void dopo(double, std::function<void()>) override {}
  int eseguiCicloPrincipale() override { return 0; }
  void esci() override {}
};

// The state of a started program of one family, over the mute platform.
struct Banco {
  PortaMuta porta;
  FinestraMuta finestra;
  TimerFermo timer;
  PompaMuta pompa;
  OrologioMuto orologio;
  Impostazioni imp;
  StatoCoda coda;
  Stato st{Piattaforma{porta, finestra, timer, pompa, orologio}, imp, coda};
  explicit Banco(const char* famiglia) {
    imp.msTipoReg = famiglia;
    imp.mpFamiglia = FamigliaDi(famiglia);
    st.mpStatoFamiglia = NuovoStato(imp.mpFamiglia);
    imp.msDirPerFile = "/nonexistent/quimbo-fuzz";  // the error log drops its lines
    imp.miFrontMaxDesc = 10, imp.miFrontMaxLotteria = 8, imp.miLungMaxDesc = 14, imp.miRepDef = 1;
    imp.miDecimali = 2, imp.msSepDecimaliQta = ".", imp.msTotDisplay = "S", imp.msAttRisposta = "S";
    imp.mdPausa = 0.005, imp.mdTempoMaxRisposta = 1;
  }
};

inline const char* const kFamiglie[] = {"Vandoni", "Frontiera", "Olivetti", "Kabel"};

}  // namespace quimbo::fuzz
