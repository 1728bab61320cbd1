#pragma once
// The main window: draws the controls and wires them to the core's entry points.

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "base/disposizione.h"
#include "base/piattaforma.h"

namespace quimbo::app {

class PompaQt;

// The original's layout unit: 15 twips to a pixel.
constexpr int daTwip(int twip) { return (twip + 7) / 15; }

class FinestraQt : public QWidget, public Finestra {
 public:
  explicit FinestraQt(QWidget* genitore = nullptr);

  // The program the window's events go to, and the pump whose depth decides how the
  // program ends. Set before Form_Load.
  void collega(Operatore* op, const PompaQt* pompa);
  // What termina() does; the tests put a probe here.
  void impostaTermine(std::function<void()> termine);

  void scrivi(Campo campo, const std::string& testo) override;
  void mostra(Elemento elemento, bool visibile) override;
  std::string confBase() override;
  void impostaConfBase(const std::string& testo) override;
  bool aggConf() override;
  void impostaAggConf(bool spuntato) override;
  std::string prova() override;
  Risposta chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                  Pulsanti pulsanti) override;
  void collegamentoOccupato(bool occupato) override;
  void termina() override;
  void situazione(const Situazione& s) override;
  void visualizza() override;

 protected:
  void closeEvent(QCloseEvent* evento) override;

 private:
  Operatore* op_ = nullptr;
  const PompaQt* pompa_ = nullptr;
  std::function<void()> termine_;

  // The window's controls, by the layout's row: the toolkit's kind is the row's.
  template <typename W>
  W* di(Controllo c) const {
    return static_cast<W*>(controlli_[static_cast<std::size_t>(c)]);
  }
  std::array<QWidget*, kNumeroControlli> controlli_{};
  // The list of receipts in doubt waits while the link does: its loop would hold the
  // receipt being sent.
  bool occupato_ = false;
  int inDubbio_ = 0;
  void abilitaDubbi();
};

}  // namespace quimbo::app
