#include "domanda_qt.h"

#include <QAbstractButton>
#include <QPushButton>

#include "base/testo.h"

namespace quimbo::app {

namespace {

QString daCp1252(const std::string& s) { return QString::fromStdString(testo::aUtf8(s)); }

QMessageBox::Icon iconaQt(Icona i) {
  switch (i) {
    case Icona::Domanda:
      return QMessageBox::Question;
    case Icona::Critico:
      return QMessageBox::Critical;
    case Icona::Esclamazione:
      return QMessageBox::Warning;
    case Icona::Informazione:
      return QMessageBox::Information;
    case Icona::Nessuna:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

Risposta Domanda::risposta() const {
  const QAbstractButton* premuto = box ? box->clickedButton() : nullptr;
  for (const auto& [pulsante, r] : pulsanti)
    if (pulsante == premuto) return r;
  return seChiusa;
}

Domanda costruisciDomanda(QWidget* genitore, const std::string& titolo, const std::string& testo, Icona icona,
                          Pulsanti pulsanti) {
  Domanda d;
  d.box = std::make_unique<QMessageBox>(genitore);
  QMessageBox& b = *d.box;
  b.setWindowTitle(titolo.empty() ? QString::fromUtf8(kTitoloApplicazione) : daCp1252(titolo));
  QString t = daCp1252(testo);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  b.setTextFormat(Qt::PlainText);
  b.setText(t);
  b.setIcon(iconaQt(icona));
  b.setWindowModality(Qt::ApplicationModal);

  auto aggiungi = [&](const char* etichetta, QMessageBox::ButtonRole ruolo, Risposta r) {
    QPushButton* p = b.addButton(QString::fromUtf8(etichetta), ruolo);
    d.pulsanti.emplace_back(p, r);
    return p;
  };
  QPushButton* primo = nullptr;
  QPushButton* fuga = nullptr;
  switch (pulsanti) {
    case Pulsanti::Ok:
      primo = fuga = aggiungi("OK", QMessageBox::AcceptRole, Risposta::Ok);
      d.seChiusa = Risposta::Ok;
      break;
    case Pulsanti::OkAnnulla:
    case Pulsanti::OkAnnullaPrudente:
      primo = aggiungi("OK", QMessageBox::AcceptRole, Risposta::Ok);
      fuga = aggiungi("Annulla", QMessageBox::RejectRole, Risposta::Annulla);
      if (pulsanti == Pulsanti::OkAnnullaPrudente) primo = fuga;
      d.seChiusa = Risposta::Annulla;
      break;
    case Pulsanti::SiNoAnnulla:
      primo = aggiungi("Sì", QMessageBox::YesRole, Risposta::Si);
      aggiungi("No", QMessageBox::NoRole, Risposta::No);
      fuga = aggiungi("Annulla", QMessageBox::RejectRole, Risposta::Annulla);
      d.seChiusa = Risposta::Annulla;
      break;
    case Pulsanti::SiNo:
      // No Cancel here: Esc and the close button answer No.
      primo = aggiungi("Sì", QMessageBox::YesRole, Risposta::Si);
      fuga = aggiungi("No", QMessageBox::NoRole, Risposta::No);
      d.seChiusa = Risposta::No;
      break;
  }
  b.setDefaultButton(primo);
  b.setEscapeButton(fuga);
  return d;
}

}  // namespace quimbo::app
