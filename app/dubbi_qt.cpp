#include "dubbi_qt.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/testo.h"
#include "finestra_qt.h"

namespace quimbo::app {

namespace {
QString Mostrabile(const std::string& cp1252) { return QString::fromStdString(testo::aUtf8(cp1252)); }
}  // namespace

DubbiQt::DubbiQt(Operatore& op, QWidget* genitore) : QDialog(genitore), elenco_(op) {
  setObjectName(QStringLiteral("Dubbi"));
  setWindowTitle(Mostrabile(kTitoloDubbi));
  setFixedSize(daTwip(kLargoDubbi), daTwip(kAltoDubbi));
  for (const PostoDubbi& p : kPostiDubbi) {
    QWidget* w = nullptr;
    switch (p.genere) {
      case GenereDubbi::Lista:
        w = lista_ = new QListWidget(this);
        break;
      case GenereDubbi::Dettaglio:
        w = dettaglio_ = new QPlainTextEdit(this);
        dettaglio_->setReadOnly(true);
        dettaglio_->setLineWrapMode(QPlainTextEdit::NoWrap);
        break;
      case GenereDubbi::Pulsante: {
        auto* b = new QPushButton(Mostrabile(p.testo), this);
        b->setAutoDefault(false);
        if (p.controllo == ControlloDubbi::GiaStampato) giaStampato_ = b;
        if (p.controllo == ControlloDubbi::Ristampa) ristampa_ = b;
        connect(b, &QPushButton::clicked, this, [this, c = p.controllo] {
          if (c == ControlloDubbi::Chiudi) return accept();
          sistema(c == ControlloDubbi::Ristampa);
        });
        w = b;
        break;
      }
    }
    w->setObjectName(QString::fromLatin1(p.nome));
    w->setGeometry(daTwip(p.sx), daTwip(p.su), daTwip(p.largo), daTwip(p.alto));
  }
  connect(lista_, &QListWidget::currentRowChanged, this, [this](int riga) {
    elenco_.scegli(riga);
    mostraScelto();
  });
  disegna();
}

void DubbiQt::disegna() {
  const QSignalBlocker zitto(lista_);
  lista_->clear();
  for (const std::string& voce : elenco_.voci()) lista_->addItem(Mostrabile(voce));
  lista_->setCurrentRow(elenco_.scelto());
  mostraScelto();
}

void DubbiQt::mostraScelto() {
  dettaglio_->setPlainText(Mostrabile(elenco_.dettaglio()));
  giaStampato_->setEnabled(elenco_.sistemabile());
  ristampa_->setEnabled(elenco_.sistemabile());
}

void DubbiQt::sistema(bool ristampa) {
  setEnabled(false);
  elenco_.sistema(ristampa);
  setEnabled(true);
  disegna();
}

}  // namespace quimbo::app
