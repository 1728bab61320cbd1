#pragma once
// The general routines the original took from an outside component: splitting,
// number conversion, rounding, replacement and the configuration read.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quimbo::util {

// Split at every occurrence of sep. Element 0 is field 1; an empty text gives one
// empty field; a separator at the end gives a last, empty field.
std::vector<std::string> Dividi(std::string_view testo, std::string_view sep = "\t");

// Commercial rounding (half away from zero) to `decimali` places, exact on the
// decimal text of the value: 1.005 -> 1.01, 2.675 -> 2.68, -1.005 -> -1.01.
double Arrotonda(double valore, int decimali);

// Every occurrence of `trova` replaced by `con` (an empty `trova` changes nothing).
std::string Sostituisci(std::string_view testo, std::string_view trova, std::string_view con);

int Massimo(int a, int b);
int Minimo(int a, int b);

// The number conversion: optional blanks, optional sign, digits with at most one
// decimal separator ("." or ","), optional blanks. Empty (or blank) text gives 0.
// Anything else is error 13 (type mismatch), never a silent 0. ConvertiNumero2, the
// name the amount tendered is read under, is the same conversion.
double ConvertiNumero(std::string_view testo);
inline double ConvertiNumero2(std::string_view testo) { return ConvertiNumero(testo); }

// The numeric test: false for zero.
bool TestNumerico(double valore);

// The 16-bit integer conversion of the settings: the text as ConvertiNumero reads
// it, rounded half to even; empty text and non-numbers are error 13, values outside
// -32768..32767 error 6.
int16_t CIntero(std::string_view testo);

// The leading numeric part of a text, as the port number and the timer interval are
// read: blanks skipped, optional sign, digits, "." and decimals; no number gives 0.
double ValoreIniziale(std::string_view testo);

// A value rounded half to even, as the original's conversions round; 0 when it is
// not finite or falls outside minimo..massimo.
long ArrotondaIntero(double v, long minimo, long massimo);

// A configuration file of [sections] with key=value lines. Sections and keys match
// without regard to case; values come back exactly as written after trimming of
// blanks ("1200,e,7,1" and "f:\quimbo" survive). A missing file is an empty file.
class FileIni {
 public:
  static FileIni carica(const std::string& percorso);
  static FileIni daTesto(std::string_view testo);

  // The value, or `predefinito` when the section or key is missing.
  std::string leggi(std::string_view sezione, std::string_view chiave, std::string_view predefinito) const;
  bool esiste() const { return esiste_; }
  // Whether the file has that section's heading, keys or none.
  bool haSezione(std::string_view sezione) const;

 private:
  bool esiste_ = false;
  std::set<std::string> sezioni_;              // upper(section)
  std::map<std::string, std::string> valori_;  // key: upper(section) + '\n' + upper(key)
};

}  // namespace quimbo::util
