#include "porta_qt.h"

#include <sys/ioctl.h>

#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <utility>

#include "base/errore.h"
#include "base/impostazioni_porta.h"

namespace quimbo::app {

namespace {

// Bounds the push of queued bytes inside output(): long enough for a command at
// 1200 baud, short enough that a stuck line cannot freeze the window.
constexpr int kAttesaScrittura = 500;

QSerialPort::Parity parita(char p) {
  switch (p) {
    case 'N':
      return QSerialPort::NoParity;
    case 'O':
      return QSerialPort::OddParity;
    case 'M':
      return QSerialPort::MarkParity;
    case 'S':
      return QSerialPort::SpaceParity;
    default:
      return QSerialPort::EvenParity;
  }
}

QSerialPort::StopBits bitStop(double b) {
  if (b >= 2) return QSerialPort::TwoStop;
  if (b > 1) return QSerialPort::OneAndHalfStop;
  return QSerialPort::OneStop;
}

}  // namespace

class PortaQt::Silenzio {
 public:
  explicit Silenzio(PortaQt& p) : p_(p) { ++p_.silenzio_; }
  ~Silenzio() { --p_.silenzio_; }
  Silenzio(const Silenzio&) = delete;
  Silenzio& operator=(const Silenzio&) = delete;

 private:
  PortaQt& p_;
};

PortaQt::PortaQt(QObject* genitore) : QObject(genitore), seriale_(this) {
  seriale_.setObjectName(QStringLiteral("Comm1"));
  connect(&seriale_, &QSerialPort::readyRead, this, &PortaQt::suDatiPronti);
  connect(&seriale_, &QSerialPort::errorOccurred, this, &PortaQt::suErrore);
}

PortaQt::~PortaQt() {
  gestore_ = nullptr;
  if (seriale_.isOpen()) seriale_.close();
}

void PortaQt::suEvento(Gestore gestore) { gestore_ = std::move(gestore); }

bool PortaQt::apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) {
  ImpostazioniPorta imp;
  std::string errore;
  if (!leggiImpostazioniPorta(impostazioni, imp, errore)) {
    motivo = errore;
    return false;
  }
  if (seriale_.isOpen()) seriale_.close();
  persa_ = false;
  avvisoPendente_ = false;
  motivoChiusura_.clear();

  seriale_.setPortName(
      QString::fromLocal8Bit(dispositivo.data(), static_cast<qsizetype>(dispositivo.size())));
  seriale_.setBaudRate(imp.baud);
  seriale_.setParity(parita(imp.parita));
  seriale_.setDataBits(static_cast<QSerialPort::DataBits>(imp.bitDati));
  seriale_.setStopBits(bitStop(imp.bitStop));
  // DC1, DC3 and DC4 are data for the Frontiera and Kabel registers.
  seriale_.setFlowControl(QSerialPort::NoFlowControl);
  if (seriale_.open(QIODevice::ReadWrite)) {
    seriale_.clearError();
    return true;
  }
  motivo = seriale_.errorString().toStdString();
  seriale_.clearError();
  // The device opened, and refused the line settings? It opens at 8 bits without
  // parity, which every port takes. A pseudo-terminal is always 8 bits without parity,
  // whatever it is asked: the first run took 7 bits and parity without a word because
  // its request changed other settings too, and the C library complains only when the
  // kernel changed nothing; after a run that could not restore them (killed), the
  // same request changes nothing. On a pseudo-terminal the port is that.
  seriale_.setDataBits(QSerialPort::Data8);
  seriale_.setParity(QSerialPort::NoParity);
  if (!seriale_.open(QIODevice::ReadWrite)) {
    seriale_.clearError();
    return false;
  }
  seriale_.clearError();
  std::error_code ec;
  if (std::filesystem::canonical(dispositivo, ec).parent_path() == "/dev/pts") return true;
  seriale_.close();
  motivo = ImpostazioniRifiutate(impostazioni, motivo);
  return false;
}

void PortaQt::chiudi() {
  // The core closing the port itself makes a pending loss moot.
  persa_ = false;
  avvisoPendente_ = false;
  if (seriale_.isOpen()) seriale_.close();
}

bool PortaQt::aperta() const { return seriale_.isOpen() && !persa_; }

int PortaQt::inBufferCount() {
  if (!seriale_.isOpen()) return 0;
  const qint64 n = seriale_.bytesAvailable();
  return n > 0x7fffffff ? 0x7fffffff : static_cast<int>(n);
}

std::string PortaQt::input() {
  if (!seriale_.isOpen()) return {};
  const QByteArray dati = seriale_.readAll();
  return std::string(dati.constData(), static_cast<size_t>(dati.size()));
}

void PortaQt::scarta() {
  // Also the bytes the kernel holds that no read has reached yet: a busy program
  // has not read an answer left on the line when it writes its next frame.
  if (seriale_.isOpen()) seriale_.clear(QSerialPort::Input);
}

void PortaQt::output(std::string_view dati) {
  chiudiSePersa();
  if (!seriale_.isOpen()) throw Errore(err::PortaNonAperta);
  {
    Silenzio s(*this);
    seriale_.write(dati.data(), static_cast<qint64>(dati.size()));
    // Straight to the device: the Olivetti writer waits without processing events,
    // and the bytes must not sit in Qt's buffer meanwhile.
    seriale_.flush();
    QElapsedTimer t;
    t.start();
    while (seriale_.isOpen() && seriale_.bytesToWrite() > 0 && !t.hasExpired(kAttesaScrittura)) {
      if (!seriale_.waitForBytesWritten(static_cast<int>(kAttesaScrittura - t.elapsed()))) break;
    }
  }
  chiudiSePersa();
  if (seriale_.isOpen() && seriale_.bytesAvailable() > 0) riceviDopo();
}

bool PortaQt::attendiDati(double secondi) {
  chiudiSePersa();
  if (!seriale_.isOpen()) return false;
  if (seriale_.bytesAvailable() > 0) return true;
  const double ms = std::ceil(secondi * 1000.0);
  const int attesa = ms <= 0 ? 0 : (ms > 2e9 ? 2000000000 : static_cast<int>(ms));
  {
    Silenzio s(*this);
    seriale_.waitForReadyRead(attesa);
  }
  chiudiSePersa();
  const bool ci = seriale_.isOpen() && seriale_.bytesAvailable() > 0;
  if (ci) riceviDopo();
  return ci;
}

int PortaQt::inUscita() {
  if (!seriale_.isOpen()) return 0;
  int coda = 0;
  if (::ioctl(static_cast<int>(seriale_.handle()), TIOCOUTQ, &coda) != 0) coda = 0;
  return coda + static_cast<int>(seriale_.bytesToWrite());
}

void PortaQt::suDatiPronti() {
  if (silenzio_ > 0 || !gestore_) return;
  gestore_(evento::Receive);
}

// Bytes that came in while the core was not to be disturbed: it hears of them once
// events run again, unless it has read them by then (an empty receive event would
// pass for an answer).
void PortaQt::riceviDopo() {
  QTimer::singleShot(0, this, [this] {
    if (silenzio_ == 0 && seriale_.isOpen() && seriale_.bytesAvailable() > 0 && gestore_)
      gestore_(evento::Receive);
  });
}

// Qt 6 reports no framing, parity or break errors and no modem-line changes, so
// the original's line events (1001 to 1010, 3 to 6) never come from here. What is
// left that matters is the device going away: QSerialPort then repeats the same
// error for as long as the port stays open, thousands of times a second. The port
// is closed once, at the first moment when no QSerialPort call is on the stack
// (closing inside its own notification would pull the buffer from under it).
void PortaQt::suErrore(QSerialPort::SerialPortError errore) {
  if (errore != QSerialPort::ResourceError && errore != QSerialPort::ReadError) return;
  if (persa_ || !seriale_.isOpen()) return;
  persa_ = true;
  avvisoPendente_ = true;
  motivoChiusura_ = seriale_.errorString().toStdString();
  QMetaObject::invokeMethod(
      this, [this] { avvisaPerdita(); }, Qt::QueuedConnection);
}

void PortaQt::chiudiSePersa() {
  if (!persa_) return;
  persa_ = false;
  seriale_.clearError();
  if (seriale_.isOpen()) seriale_.close();
}

void PortaQt::avvisaPerdita() {
  chiudiSePersa();
  if (!avvisoPendente_) return;
  avvisoPendente_ = false;
  if (gestore_) gestore_(evento::PortaPersa);
}

}  // namespace quimbo::app
