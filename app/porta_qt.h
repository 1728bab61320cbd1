#pragma once
// The serial port of the Qt shell, over QSerialPort.

#include <QObject>
#include <QSerialPort>
#include <string>
#include <string_view>

#include "base/piattaforma.h"

namespace quimbo::app {

class PortaQt : public QObject, public Porta {
 public:
  explicit PortaQt(QObject* genitore = nullptr);
  ~PortaQt() override;

  void suEvento(Gestore gestore) override;
  bool apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) override;
  void chiudi() override;
  bool aperta() const override;
  std::string motivoChiusura() const override { return motivoChiusura_; }

  int inBufferCount() override;
  std::string input() override;
  void scarta() override;
  void output(std::string_view dati) override;
  bool attendiDati(double secondi) override;
  int inUscita() override;

  const QSerialPort& seriale() const { return seriale_; }

 private:
  // QSerialPort's blocking calls emit readyRead (and errors) synchronously; while
  // one runs, the core must not see a receive event.
  class Silenzio;

  void suDatiPronti();
  void suErrore(QSerialPort::SerialPortError errore);
  void chiudiSePersa();
  void avvisaPerdita();
  void riceviDopo();

  QSerialPort seriale_;
  Gestore gestore_;
  int silenzio_ = 0;
  bool persa_ = false;           // the device went away; close at the first safe moment
  bool avvisoPendente_ = false;  // the core has yet to hear of it
  std::string motivoChiusura_;
};

}  // namespace quimbo::app
