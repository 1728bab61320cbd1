#include "finestra_qt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/testo.h"
#include "domanda_qt.h"
#include "dubbi_qt.h"
#include "pompa_qt.h"

namespace quimbo::app {

namespace {

QFont carattere(Carattere c) {
  const Forma forma = kForme[static_cast<std::size_t>(c)];
  QFont f;
  // MS Sans Serif is rarely installed outside Windows; the style hint picks the
  // system's sans-serif in its place.
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Sans Serif")});
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(forma.punti);
  f.setBold(forma.grassetto);
  return f;
}

// A row of the window's layout as a Qt widget.
QWidget* crea(QWidget* genitore, const Posto& p) {
  const QString testo = QString::fromUtf8(p.testo);
  QWidget* w = nullptr;
  switch (p.genere) {
    case Genere::Etichetta: {
      auto* l = new QLabel(testo, genitore);
      l->setAlignment(p.allinea == Allinea::Centro   ? Qt::AlignHCenter | Qt::AlignTop
                      : p.allinea == Allinea::Destra ? Qt::AlignRight | Qt::AlignTop
                                                     : Qt::AlignLeft | Qt::AlignVCenter);
      w = l;
      break;
    }
    case Genere::Casella:
    case Genere::SoloLettura: {
      auto* c = new QLineEdit(genitore);
      c->setReadOnly(p.genere == Genere::SoloLettura);
      w = c;
      break;
    }
    case Genere::Pulsante: {
      auto* b = new QPushButton(testo, genitore);
      b->setAutoDefault(false);
      w = b;
      break;
    }
    case Genere::Spunta:
      w = new QCheckBox(testo, genitore);
      break;
  }
  w->setObjectName(QString::fromLatin1(p.nome));
  w->setGeometry(daTwip(p.sx), daTwip(p.su), daTwip(p.largo), daTwip(p.alto));
  if (p.carattere != Carattere::Normale) w->setFont(carattere(p.carattere));
  if (!p.visibile) w->hide();
  return w;
}

QString mostrabile(const std::string& cp1252) { return QString::fromStdString(testo::leggibile(cp1252)); }

}  // namespace

FinestraQt::FinestraQt(QWidget* genitore) : QWidget(genitore) {
  setObjectName(QStringLiteral("FrmQuimbo"));
  setWindowTitle(QString::fromUtf8(kTitoloFinestra));
  setFont(carattere(Carattere::Normale));
  // One line below the original's client area for the status line.
  setFixedSize(daTwip(kLargoFinestra), daTwip(kAltoFinestra));

  QWidget* precedente = nullptr;
  for (const Posto& p : kPosti) {
    QWidget* w = controlli_[static_cast<std::size_t>(p.controllo)] = crea(this, p);
    // Labels take no focus; the rest follows the layout's tab order.
    if (p.genere == Genere::Etichetta) continue;
    if (precedente) setTabOrder(precedente, w);
    precedente = w;
  }
  {
    // The inactive-border colour of the classic Windows scheme is the button face.
    auto* msg = di<QLineEdit>(Controllo::TxtMsg);
    QPalette p = msg->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    msg->setPalette(p);
  }

  connect(di<QPushButton>(Controllo::Command1), &QPushButton::clicked, this, [this] {
    if (op_) op_->fine();
  });
  connect(di<QPushButton>(Controllo::CmdSblocca), &QPushButton::clicked, this, [this] {
    if (op_) op_->sblocca();
  });
  connect(di<QPushButton>(Controllo::comTest), &QPushButton::clicked, this, [this] {
    if (op_) op_->inviaTest();
  });
  abilitaDubbi();
  connect(di<QPushButton>(Controllo::CmdDubbi), &QPushButton::clicked, this, [this] {
    if (!op_) return;
    DubbiQt elenco(*op_, this);
    elenco.exec();
  });

  termine_ = [this] { terminaProgramma(pompa_); };
}

void FinestraQt::collega(Operatore* op, const PompaQt* pompa) {
  op_ = op;
  pompa_ = pompa;
}

void FinestraQt::impostaTermine(std::function<void()> termine) { termine_ = std::move(termine); }

void FinestraQt::scrivi(Campo campo, const std::string& testo) {
  const std::optional<Controllo> casella = ControlloDi(campo);
  if (!casella) {
    setWindowTitle(QString::fromStdString(testo::aUtf8(testo)));
    return;
  }
  auto* c = di<QLineEdit>(*casella);
  c->setText(mostrabile(testo));
  if (campo == Campo::TxtMsg) {
    // A long message shows its beginning, where it says what happened.
    c->setCursorPosition(0);
    c->setToolTip(c->text());
  }
}

void FinestraQt::mostra(Elemento e, bool visibile) { di<QWidget>(ControlloDi(e))->setVisible(visibile); }

std::string FinestraQt::confBase() {
  return testo::daUtf8(di<QLineEdit>(Controllo::txtConfBase)->text().toStdString());
}

void FinestraQt::impostaConfBase(const std::string& testo) {
  di<QLineEdit>(Controllo::txtConfBase)->setText(QString::fromStdString(testo::aUtf8(testo)));
}

bool FinestraQt::aggConf() { return di<QCheckBox>(Controllo::CheAggConf)->isChecked(); }

void FinestraQt::impostaAggConf(bool spuntato) { di<QCheckBox>(Controllo::CheAggConf)->setChecked(spuntato); }

std::string FinestraQt::prova() {
  return testo::daUtf8(di<QLineEdit>(Controllo::txtProva)->text().toStdString());
}

Risposta FinestraQt::chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                            Pulsanti pulsanti) {
  Domanda d = costruisciDomanda(this, titolo, testo, icona, pulsanti);
  d.box->exec();
  return d.risposta();
}

void FinestraQt::visualizza() { show(); }

void FinestraQt::situazione(const Situazione& s) {
  di<QLabel>(Controllo::LabStato)->setText(QString::fromStdString(testo::leggibile(DescriviSituazione(s))));
  inDubbio_ = s.inDubbio;
  di<QPushButton>(Controllo::CmdDubbi)->setText(QString::fromStdString(PulsanteDubbi(s.inDubbio)));
  abilitaDubbi();
}

void FinestraQt::collegamentoOccupato(bool occupato) {
  di<QPushButton>(Controllo::CmdSblocca)->setEnabled(!occupato);
  di<QPushButton>(Controllo::comTest)->setEnabled(!occupato);
  occupato_ = occupato;
  abilitaDubbi();
}

void FinestraQt::abilitaDubbi() {
  di<QPushButton>(Controllo::CmdDubbi)->setEnabled(inDubbio_ > 0 && !occupato_);
}

void FinestraQt::termina() {
  if (termine_) termine_();
}

void FinestraQt::closeEvent(QCloseEvent* evento) {
  // During a receipt's payment the window stays until the receipt has ended, or the limit.
  if (op_) op_->chiudi();
  if (!op_ || op_->chiuso())
    evento->accept();
  else
    evento->ignore();
}

}  // namespace quimbo::app
