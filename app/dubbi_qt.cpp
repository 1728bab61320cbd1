#include "dubbi_qt.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "finestra_qt.h"
#include "shell/testo.h"

namespace quimbo::app {

namespace {
QString Mostrabile(const std::string& cp1252) { return QString::fromStdString(testo::aUtf8(cp1252)); }
}  // namespace

DubbiQt::DubbiQt(Operatore& op, QWidget* genitore)
    : QDialog(genitore),
      op_(op),
      lista_(new QListWidget(this)),
      dettaglio_(new QPlainTextEdit(this)),
      giaStampato_(new QPushButton(Mostrabile(kPulsanteGiaStampato), this)),
      ristampa_(new QPushButton(Mostrabile(kPulsanteRistampa), this)) {
  setObjectName(QStringLiteral("Dubbi"));
  setWindowTitle(Mostrabile(kTitoloDubbi));
  setMinimumSize(daTwip(kLargoDubbi), daTwip(kAltoDubbi));
  lista_->setObjectName(QStringLiteral("Elenco"));
  dettaglio_->setObjectName(QStringLiteral("Dettaglio"));
  dettaglio_->setReadOnly(true);
  dettaglio_->setLineWrapMode(QPlainTextEdit::NoWrap);
  giaStampato_->setObjectName(QStringLiteral("GiaStampato"));
  ristampa_->setObjectName(QStringLiteral("Ristampa"));
  auto* chiudi = new QPushButton(Mostrabile(kPulsanteChiudi), this);
  for (QPushButton* b : {giaStampato_, ristampa_, chiudi}) b->setAutoDefault(false);

  auto* sopra = new QHBoxLayout;
  sopra->addWidget(lista_, 1);
  sopra->addWidget(dettaglio_, 1);
  auto* sotto = new QHBoxLayout;
  sotto->addWidget(giaStampato_);
  sotto->addWidget(ristampa_);
  sotto->addStretch();
  sotto->addWidget(chiudi);
  auto* tutto = new QVBoxLayout(this);
  tutto->addLayout(sopra);
  tutto->addLayout(sotto);

  connect(lista_, &QListWidget::currentRowChanged, this, [this] { mostraScelto(); });
  connect(giaStampato_, &QPushButton::clicked, this, [this] { sistema(false); });
  connect(ristampa_, &QPushButton::clicked, this, [this] { sistema(true); });
  connect(chiudi, &QPushButton::clicked, this, &QDialog::accept);
  aggiorna();
}

void DubbiQt::aggiorna() {
  const std::string scelto = lista_->currentRow() >= 0 ? elenco_[lista_->currentRow()].file : "";
  elenco_ = op_.inDubbio();
  const QSignalBlocker zitto(lista_);
  lista_->clear();
  int riga = 0;
  for (std::size_t i = 0; i < elenco_.size(); ++i) {
    lista_->addItem(Mostrabile(VoceInDubbio(elenco_[i])));
    if (elenco_[i].file == scelto) riga = static_cast<int>(i);
  }
  lista_->setCurrentRow(elenco_.empty() ? -1 : riga);
  mostraScelto();
}

void DubbiQt::mostraScelto() {
  const int i = lista_->currentRow();
  const bool c = i >= 0 && static_cast<std::size_t>(i) < elenco_.size();
  dettaglio_->setPlainText(Mostrabile(c ? DescriviInDubbio(elenco_[i]) : kNessunoInDubbio));
  giaStampato_->setEnabled(c);
  ristampa_->setEnabled(c);
}

void DubbiQt::sistema(bool ristampa) {
  const int i = lista_->currentRow();
  if (i < 0 || static_cast<std::size_t>(i) >= elenco_.size()) return;
  // A copy: the operator's question lets events through, and the list may change under it.
  const InDubbio d = elenco_[i];
  setEnabled(false);
  op_.sistema(d, ristampa);
  setEnabled(true);
  aggiorna();
}

}  // namespace quimbo::app
