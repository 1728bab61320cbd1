#pragma once
// The main window: draws the controls and wires them to the core's entry points.

#include <QWidget>
#include <functional>
#include <string>

#include "shell/piattaforma.h"
#include "timer_qt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quimbo {
struct Stato;
}

namespace quimbo::app {

class PompaQt;

// The original's layout unit: 15 twips to a pixel.
constexpr int daTwip(int twip) { return (twip + 7) / 15; }

class FinestraQt : public QWidget, public Finestra {
 public:
  explicit FinestraQt(QWidget* genitore = nullptr);

  // The state the window's events go to, and the pump whose depth decides how the
  // program ends. Set before Form_Load.
  void collega(Stato* st, const PompaQt* pompa);
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
  void intervalloTimer(int millisecondi) override;
  void abilitaTimer(bool abilitato) override;
  void collegamentoOccupato(bool occupato) override;
  void termina() override;
  void situazione(const Situazione& s) override;
  void osservaCartella(const std::string& cartella) override;
  void scansioneSubito() override;
  void visualizza() override;

  TimerQt& timer1() { return timer1_; }

 protected:
  void closeEvent(QCloseEvent* evento) override;

 private:
  QWidget* elemento(Elemento e) const;

  Stato* st_ = nullptr;
  const PompaQt* pompa_ = nullptr;
  std::function<void()> termine_;

  QLabel* labManda_;
  QLineEdit* txtManda_;
  QLabel* labRit_;
  QLineEdit* txtRit_;
  QLineEdit* txtProva_;
  QPushButton* comTest_;
  QLabel* labConfBase_;
  QLineEdit* txtConfBase_;
  QCheckBox* cheAggConf_;
  QPushButton* cmdSblocca_;
  QLabel* label1_;
  QLineEdit* txtTipo_;
  QPushButton* command1_;
  QLineEdit* txtMsg_;
  QLabel* labStato_;  // receipts waiting, the last one sent, the register answering
  TimerQt timer1_;
};

}  // namespace quimbo::app
