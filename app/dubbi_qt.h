#pragma once
// The list behind "Scontrini in dubbio (N)" (base/elenco_dubbi.h) in Qt: it draws
// what the list says and reports the operator's clicks.

#include <QDialog>

#include "base/elenco_dubbi.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quimbo::app {

class DubbiQt : public QDialog {
 public:
  DubbiQt(Operatore& op, QWidget* genitore);

 private:
  void disegna();  // the rows, the chosen one and its detail
  void mostraScelto();
  void sistema(bool ristampa);

  ElencoDubbi elenco_;
  QListWidget* lista_ = nullptr;
  QPlainTextEdit* dettaglio_ = nullptr;
  QPushButton* giaStampato_ = nullptr;
  QPushButton* ristampa_ = nullptr;
};

}  // namespace quimbo::app
