#pragma once
// The window without a display (--headless), for the integrator's log: one line
// per receipt and per change of the link on standard output, errors and the
// operator's questions (which answer themselves) on standard error. The display
// texts, frame by frame, only when asked for (--verbose).

#include <cstdio>
#include <functional>
#include <string>

#include "base/stato.h"

namespace quimbo {

// Whether the stream is connected to systemd's journal (JOURNAL_STREAM names it).
bool AlGiornaleDiSistema(std::FILE* f);

// A line of the program itself on standard error, before or outside the headless
// log: "quimbo: ...", each of its lines with the error priority when stderr is the journal.
void ErroreSuStderr(const std::string& testo);

class FinestraHeadless : public Finestra {
 public:
  // Lines go to `uscita`, errors to `errori` (standard output and error in the
  // program), each with the time from `orologio`.
  explicit FinestraHeadless(Orologio& orologio, std::FILE* uscita = stdout, std::FILE* errori = stderr);

  // The state whose miRisposteAutomatiche bounds the automatic answers.
  void collega(const Stato* st) { st_ = st; }
  void impostaProva(const std::string& testo) { prova_ = testo; }
  // What termina() does: the program's end.
  void impostaTermine(std::function<void()> termine) { termine_ = std::move(termine); }
  void impostaDettagli(bool dettagli) { dettagli_ = dettagli; }
  // Where each change of the state goes (the service manager's status line).
  void suSituazione(std::function<void(const Situazione&)> f) { suSituazione_ = std::move(f); }
  // Where each error goes besides standard error (the service's system log).
  void suErrore(std::function<void(const std::string&)> f) { suErrore_ = std::move(f); }

  void scrivi(Campo campo, const std::string& testo) override;
  void mostra(Elemento, bool) override {}
  std::string confBase() override { return confBase_; }
  void impostaConfBase(const std::string& testo) override { confBase_ = testo; }
  bool aggConf() override { return aggConf_; }
  void impostaAggConf(bool spuntato) override { aggConf_ = spuntato; }
  std::string prova() override { return prova_; }
  Risposta chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                  Pulsanti pulsanti) override;
  void collegamentoOccupato(bool) override {}
  void nuovoLavoro() override { risposteDate_ = 0; }
  void annota(Livello livello, const std::string& riga) override;
  void situazione(const Situazione& s) override {
    if (suSituazione_) suSituazione_(s);
  }
  void termina() override {
    if (termine_) termine_();
  }

 private:
  void riga(std::FILE* dove, const std::string& intestazione, const std::string& testo);

  Orologio& orologio_;
  std::FILE* uscita_;
  std::FILE* errori_;
  bool giornaleUscita_, giornaleErrori_;  // connected to systemd's journal
  bool dettagli_ = false;
  std::function<void(const Situazione&)> suSituazione_;
  std::function<void(const std::string&)> suErrore_;
  const Stato* st_ = nullptr;
  std::function<void()> termine_;
  std::string confBase_;
  bool aggConf_ = false;
  std::string prova_;
  int risposteDate_ = 0;  // "try again" answers given in the current job
};

}  // namespace quimbo
