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

}  // namespace quimbo
