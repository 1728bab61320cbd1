#pragma once
// A receipt record: one line of a ".sco" file cut at TAB into fields numbered
// from 1, each a dynamically typed value (empty, text, integer or number).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quimbo {

using Valore = std::variant<std::monostate, std::string, int32_t, double>;

bool eVuoto(const Valore& v);
// The value as a number: empty is 0, text goes through the number conversion
// (error 13 when it is not a number).
double comeNumero(const Valore& v);
// The value as text: empty is "", numbers in their invariant decimal form.
std::string comeTesto(const Valore& v);

class Record {
 public:
  // Element i, counted from 1; outside 1..size() is error 9 (subscript out of range).
  const Valore& operator[](int i) const;
  Valore& operator[](int i);
  int size() const { return static_cast<int>(v_.size()); }
  void ricrea(int n);   // n empty elements
  void estendi(int n);  // grow to n elements, keeping the first ones

 private:
  std::vector<Valore> v_;
};

// Reads one receipt line (already trimmed of blanks, never empty) into its type
// and record; `pvDati` is rebuilt from scratch.
void LeggeRec(const std::string& psCosa, std::string& psTipo, Record& pvDati);

// Record type comparison, without regard to case.
bool eTipoRecord(std::string_view psTipo, std::string_view tipo);

// The record types a receipt carries: "00" a sale, "80" the total, "10" a header
// line, "LS" the lottery code, in any case; any other is nothing to send.
enum class TipoRecord { Vendita, Totale, Intestazione, Lotteria, Altro };
TipoRecord TipoDi(std::string_view psTipo);
// The type of a line: the text before its first TAB.
TipoRecord TipoDellaRiga(std::string_view riga);

// A receipt line read once, by what it says. Every driver takes it as it is.
struct RigaVendita {        // "00"
  std::string descrizione;  // in capitals, characters the registers cannot print as blanks
  double quantita, prezzo;
  double reparto;  // 0 when the line has none
};
struct RigaTotale {       // "80"
  std::string pagamento;  // the payment's letter, as written
  double totale, sconto, anticipo;
  double dato;  // the amount tendered; 0 when the line has none
};
struct RigaIntestazione {  // "10"
  std::string testo;
};
struct RigaLotteria {  // "LS"
  std::string codice;
};
struct RigaAltra {};  // any other type: nothing to send

struct RigaScontrino {
  std::string testo;  // the line as it came
  std::variant<RigaVendita, RigaTotale, RigaIntestazione, RigaLotteria, RigaAltra> dati;
};

// The line read as LeggeRec reads it, with its errors.
RigaScontrino LeggiRiga(const std::string& psCosa);

}  // namespace quimbo
