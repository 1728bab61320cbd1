#include "receipt/record.h"

#include "base/errore.h"
#include "base/testo.h"
#include "base/util.h"
#include "receipt/formato.h"

namespace quimbo {

bool eVuoto(const Valore& v) { return std::holds_alternative<std::monostate>(v); }

double comeNumero(const Valore& v) {
  if (const auto* t = std::get_if<std::string>(&v)) return util::ConvertiNumero(*t);
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return *d;
  return 0.0;
}

std::string comeTesto(const Valore& v) {
  if (const auto* t = std::get_if<std::string>(&v)) return *t;
  if (const auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return StrConZero(*d);
  return {};
}

const Valore& Record::operator[](int i) const {
  if (i < 1 || i > size()) throw Errore(err::IndiceFuoriIntervallo);
  return v_[static_cast<std::size_t>(i - 1)];
}

Valore& Record::operator[](int i) {
  if (i < 1 || i > size()) throw Errore(err::IndiceFuoriIntervallo);
  return v_[static_cast<std::size_t>(i - 1)];
}

void Record::ricrea(int n) { v_.assign(static_cast<std::size_t>(n > 0 ? n : 0), Valore{}); }

void Record::estendi(int n) {
  if (n > size()) v_.resize(static_cast<std::size_t>(n));
}

bool eTipoRecord(std::string_view psTipo, std::string_view tipo) {
  return testo::maiuscole(psTipo) == testo::maiuscole(tipo);
}

TipoRecord TipoDi(std::string_view psTipo) {
  if (eTipoRecord(psTipo, "00")) return TipoRecord::Vendita;
  if (eTipoRecord(psTipo, "80")) return TipoRecord::Totale;
  if (eTipoRecord(psTipo, "10")) return TipoRecord::Intestazione;
  if (eTipoRecord(psTipo, "LS")) return TipoRecord::Lotteria;
  return TipoRecord::Altro;
}

TipoRecord TipoDellaRiga(std::string_view riga) { return TipoDi(riga.substr(0, riga.find('\t'))); }

namespace {

// Field i of the line, counted from 1; a field the line does not have is a
// subscript out of range, as reading past the split array was.
const std::string& campo(const std::vector<std::string>& campi, int i) {
  if (i < 1 || i > static_cast<int>(campi.size())) throw Errore(err::IndiceFuoriIntervallo);
  return campi[static_cast<std::size_t>(i - 1)];
}

std::string descrizionePulita(const std::string& testo) {
  std::string r = testo::maiuscole(testo);
  for (char& c : r)
    if (!testo::carattereDescrizione(c)) c = ' ';
  return r;
}

}  // namespace

void LeggeRec(const std::string& psCosa, std::string& psTipo, Record& pvDati) {
  const std::vector<std::string> campi = util::Dividi(psCosa, "\t");
  const int n = static_cast<int>(campi.size());
  pvDati.ricrea(n);
  psTipo = campo(campi, 1);
  pvDati[1] = campo(campi, 1);

  const TipoRecord tipo = TipoDi(psTipo);
  if (tipo == TipoRecord::Vendita) {
    pvDati[2] = descrizionePulita(campo(campi, 2));
    pvDati[3] = util::ConvertiNumero(campo(campi, 3));
    pvDati[4] = util::ConvertiNumero(campo(campi, 4));
    if (n >= 5) {
      pvDati[5] = util::ConvertiNumero2(campo(campi, 5));
    } else {
      pvDati.estendi(5);
      pvDati[5] = int32_t{0};
    }
  } else if (tipo == TipoRecord::Totale) {
    pvDati[2] = campo(campi, 2);
    pvDati[3] = util::ConvertiNumero(campo(campi, 3));
    pvDati[4] = util::ConvertiNumero(campo(campi, 4));
    pvDati[5] = util::ConvertiNumero(campo(campi, 5));
    if (n >= 6) {
      pvDati[6] = util::ConvertiNumero(campo(campi, 6));
    } else {
      pvDati.estendi(6);
      pvDati[6] = int32_t{0};
    }
  } else if (tipo == TipoRecord::Intestazione || tipo == TipoRecord::Lotteria) {
    pvDati[2] = campo(campi, 2);
  }
}

RigaScontrino LeggiRiga(const std::string& psCosa) {
  std::string tipo;
  Record r;
  LeggeRec(psCosa, tipo, r);
  RigaScontrino riga{psCosa, RigaAltra{}};
  switch (TipoDi(tipo)) {
    case TipoRecord::Vendita:
      riga.dati = RigaVendita{comeTesto(r[2]), comeNumero(r[3]), comeNumero(r[4]), comeNumero(r[5])};
      break;
    case TipoRecord::Totale:
      riga.dati =
          RigaTotale{comeTesto(r[2]), comeNumero(r[3]), comeNumero(r[4]), comeNumero(r[5]), comeNumero(r[6])};
      break;
    case TipoRecord::Intestazione:
      riga.dati = RigaIntestazione{comeTesto(r[2])};
      break;
    case TipoRecord::Lotteria:
      riga.dati = RigaLotteria{comeTesto(r[2])};
      break;
    case TipoRecord::Altro:
      break;
  }
  return riga;
}

}  // namespace quimbo
