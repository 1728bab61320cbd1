#include "finestra_qt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "domanda_qt.h"
#include "link/tasti.h"
#include "pompa_qt.h"
#include "programma/situazione.h"
#include "queue/scansione.h"
#include "shell/chiusura.h"
#include "shell/testo.h"

namespace quimbo::app {

namespace {

QFont carattere(double punti, bool grassetto) {
  QFont f;
  // MS Sans Serif is rarely installed outside Windows; the style hint picks the
  // system's sans-serif in its place.
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Sans Serif")});
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(punti);
  f.setBold(grassetto);
  return f;
}

template <typename W>
W* crea(QWidget* genitore, const char* nome, int sx, int su, int largo, int alto) {
  auto* w = new W(genitore);
  w->setObjectName(QString::fromLatin1(nome));
  w->setGeometry(daTwip(sx), daTwip(su), daTwip(largo), daTwip(alto));
  return w;
}

QLabel* etichetta(QWidget* g, const char* nome, const char* testo, Qt::Alignment allinea, int sx, int su,
                  int largo, int alto) {
  auto* l = crea<QLabel>(g, nome, sx, su, largo, alto);
  l->setText(QString::fromUtf8(testo));
  l->setAlignment(allinea);
  return l;
}

QPushButton* pulsante(QWidget* g, const char* nome, const char* testo, int sx, int su, int largo, int alto) {
  auto* p = crea<QPushButton>(g, nome, sx, su, largo, alto);
  p->setText(QString::fromUtf8(testo));
  p->setAutoDefault(false);
  return p;
}

QString mostrabile(const std::string& cp1252) { return QString::fromStdString(testo::leggibile(cp1252)); }

}  // namespace

FinestraQt::FinestraQt(QWidget* genitore) : QWidget(genitore) {
  timer1_.suScatto([this] {
    if (st_) Timer1_Timer(*st_);
  });
  setObjectName(QStringLiteral("FrmQuimbo"));
  setWindowTitle(QStringLiteral("Gestione Registratore di Cassa"));
  setFont(carattere(8.25, true));
  // One line below the original's client area for the status line.
  setFixedSize(daTwip(6825), daTwip(4125));

  const auto centro = Qt::AlignHCenter | Qt::AlignTop;
  labManda_ = etichetta(this, "LabManda", "MANDO ALLA CASSA", centro, 660, 60, 5475, 375);
  labManda_->setFont(carattere(13.5, true));
  txtManda_ = crea<QLineEdit>(this, "TxtManda", 660, 480, 5475, 495);
  txtManda_->setReadOnly(true);
  labRit_ = etichetta(this, "LabRit", "RITORNO DALLA CASSA", centro, 660, 1080, 5475, 375);
  labRit_->setFont(carattere(13.5, true));
  txtRit_ = crea<QLineEdit>(this, "TxtRit", 660, 1500, 5475, 495);
  txtRit_->setReadOnly(true);
  txtProva_ = crea<QLineEdit>(this, "txtProva", 660, 2040, 2955, 315);
  comTest_ = pulsante(this, "comTest", "InviaTest", 3780, 2100, 1035, 255);
  labConfBase_ = etichetta(this, "LabConfBase", "Configurazione base:", Qt::AlignRight | Qt::AlignTop, 120,
                           2460, 2055, 195);
  txtConfBase_ = crea<QLineEdit>(this, "txtConfBase", 2220, 2400, 1395, 315);
  cheAggConf_ = crea<QCheckBox>(this, "CheAggConf", 3780, 2460, 2295, 255);
  cheAggConf_->setText(QStringLiteral("Riep. Iva per ricevuta"));
  cheAggConf_->setChecked(false);
  cmdSblocca_ = pulsante(this, "CmdSblocca", "&Sblocca tastiera", 180, 2760, 1995, 675);
  cmdSblocca_->setFont(carattere(9.75, true));
  label1_ = etichetta(this, "Label1", "Tipo Registratore", centro, 2280, 2820, 2415, 195);
  txtTipo_ = crea<QLineEdit>(this, "txtTipo", 2220, 3120, 2535, 285);
  command1_ = pulsante(this, "Command1", "&FINE", 4800, 2760, 1815, 675);
  command1_->setFont(carattere(19.5, true));
  txtMsg_ = crea<QLineEdit>(this, "TxtMsg", 240, 3480, 6555, 285);
  txtMsg_->setReadOnly(true);
  txtMsg_->setFont(carattere(8.25, false));
  {
    // The inactive-border colour of the classic Windows scheme is the button face.
    QPalette p = txtMsg_->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    txtMsg_->setPalette(p);
  }
  labStato_ = etichetta(this, "LabStato", "", Qt::AlignLeft | Qt::AlignVCenter, 240, 3810, 6555, 255);
  labStato_->setFont(carattere(8.25, false));

  // The answer box and the unlock button wait for the register family.
  labRit_->hide();
  txtRit_->hide();
  cmdSblocca_->hide();

  // Labels take no focus; the rest follows the original's tab order.
  QWidget* ordine[] = {txtRit_,  txtManda_, command1_, cmdSblocca_,  txtMsg_,
                       txtTipo_, txtProva_, comTest_,  txtConfBase_, cheAggConf_};
  for (size_t i = 1; i < std::size(ordine); ++i) setTabOrder(ordine[i - 1], ordine[i]);

  connect(command1_, &QPushButton::clicked, this, [this] {
    if (st_) Command1_Click(*st_);
  });
  connect(cmdSblocca_, &QPushButton::clicked, this, [this] {
    if (st_) CmdSblocca_click(*st_);
  });
  connect(comTest_, &QPushButton::clicked, this, [this] {
    if (st_) comTest_Click(*st_);
  });

  termine_ = [this] { terminaProgramma(pompa_); };
}

void FinestraQt::collega(Stato* st, const PompaQt* pompa) {
  st_ = st;
  pompa_ = pompa;
}

void FinestraQt::impostaTermine(std::function<void()> termine) { termine_ = std::move(termine); }

void FinestraQt::scrivi(Campo campo, const std::string& testo) {
  switch (campo) {
    case Campo::TxtManda:
      txtManda_->setText(mostrabile(testo));
      break;
    case Campo::TxtRit:
      txtRit_->setText(mostrabile(testo));
      break;
    case Campo::TxtMsg:
      txtMsg_->setText(mostrabile(testo));
      // A long message shows its beginning, where it says what happened.
      txtMsg_->setCursorPosition(0);
      txtMsg_->setToolTip(txtMsg_->text());
      break;
    case Campo::txtTipo:
      txtTipo_->setText(mostrabile(testo));
      break;
    case Campo::Caption:
      setWindowTitle(QString::fromStdString(testo::aUtf8(testo)));
      break;
  }
}

QWidget* FinestraQt::elemento(Elemento e) const {
  switch (e) {
    case Elemento::LabRit:
      return labRit_;
    case Elemento::TxtRit:
      return txtRit_;
    case Elemento::CmdSblocca:
      return cmdSblocca_;
    case Elemento::txtProva:
      return txtProva_;
    case Elemento::comTest:
      return comTest_;
    case Elemento::LabConfBase:
      return labConfBase_;
    case Elemento::txtConfBase:
      return txtConfBase_;
    case Elemento::CheAggConf:
      return cheAggConf_;
  }
  return nullptr;
}

void FinestraQt::mostra(Elemento e, bool visibile) {
  if (QWidget* w = elemento(e)) w->setVisible(visibile);
}

std::string FinestraQt::confBase() { return testo::daUtf8(txtConfBase_->text().toStdString()); }

void FinestraQt::impostaConfBase(const std::string& testo) {
  txtConfBase_->setText(QString::fromStdString(testo::aUtf8(testo)));
}

bool FinestraQt::aggConf() { return cheAggConf_->isChecked(); }

void FinestraQt::impostaAggConf(bool spuntato) { cheAggConf_->setChecked(spuntato); }

std::string FinestraQt::prova() { return testo::daUtf8(txtProva_->text().toStdString()); }

Risposta FinestraQt::chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                            Pulsanti pulsanti) {
  Domanda d = costruisciDomanda(this, titolo, testo, icona, pulsanti);
  d.box->exec();
  return d.risposta();
}

void FinestraQt::visualizza() { show(); }

void FinestraQt::situazione(const Situazione& s) {
  labStato_->setText(QString::fromStdString(testo::leggibile(DescriviSituazione(s))));
}

void FinestraQt::osservaCartella(const std::string& cartella) { timer1_.osserva(cartella); }

void FinestraQt::scansioneSubito() { timer1_.subito(); }

void FinestraQt::intervalloTimer(int millisecondi) { timer1_.intervallo(millisecondi); }

void FinestraQt::abilitaTimer(bool abilitato) { timer1_.abilita(abilitato); }

void FinestraQt::collegamentoOccupato(bool occupato) {
  cmdSblocca_->setEnabled(!occupato);
  comTest_->setEnabled(!occupato);
}

void FinestraQt::termina() {
  if (termine_) termine_();
}

void FinestraQt::closeEvent(QCloseEvent* evento) {
  // During a receipt's payment the window stays until the receipt has ended, or the limit.
  if (st_) ChiediChiusura(*st_);
  if (!st_ || st_->mbChiuso)
    evento->accept();
  else
    evento->ignore();
}

}  // namespace quimbo::app
