#pragma once
// The operator's modal questions as message boxes with Italian buttons.

#include <QMessageBox>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/piattaforma.h"

namespace quimbo::app {

struct Domanda {
  std::unique_ptr<QMessageBox> box;
  std::vector<std::pair<QAbstractButton*, Risposta>> pulsanti;
  Risposta seChiusa = Risposta::Ok;  // the box closed with Esc or its close button

  Risposta risposta() const;
};

// Builds the box (title and text are Windows-1252 bytes); the first button is the
// default, as on the original.
Domanda costruisciDomanda(QWidget* genitore, const std::string& titolo, const std::string& testo, Icona icona,
                          Pulsanti pulsanti);

}  // namespace quimbo::app
