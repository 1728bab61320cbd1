#pragma once
// The list behind "Scontrini in dubbio (N)": each receipt in doubt with what the
// operator needs to find it in the register's journal, and the two ways to settle it.

#include <QDialog>
#include <vector>

#include "shell/piattaforma.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quimbo::app {

class DubbiQt : public QDialog {
 public:
  DubbiQt(Operatore& op, QWidget* genitore);

 private:
  void aggiorna();  // the folder read again, the same receipt chosen where it still is
  void mostraScelto();
  void sistema(bool ristampa);

  Operatore& op_;
  std::vector<InDubbio> elenco_;
  QListWidget* lista_;
  QPlainTextEdit* dettaglio_;
  QPushButton* giaStampato_;
  QPushButton* ristampa_;
};

}  // namespace quimbo::app
