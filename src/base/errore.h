#pragma once
// The program's numbered errors. Every failure that the original runtime would
// have raised as a numbered error travels as an Errore, so that handlers can log
// "errore n.<numero> (<descrizione>)" and decide on the number (53 and 75 in the scan).

#include <stdexcept>
#include <string>
#include <system_error>

namespace quimbo {

namespace err {
inline constexpr int ChiamataNonValida = 5;  // invalid procedure call or argument
inline constexpr int Overflow = 6;
inline constexpr int IndiceFuoriIntervallo = 9;   // subscript out of range
inline constexpr int TipoNonCorrispondente = 13;  // type mismatch
inline constexpr int NomeFileErrato = 52;
inline constexpr int FileNonTrovato = 53;
inline constexpr int FileGiaAperto = 55;  // the runtime's name for a file held open: here, by another program
inline constexpr int ErroreIO = 57;
inline constexpr int DiscoPieno = 61;
inline constexpr int PermessoNegato = 70;
inline constexpr int AccessoPercorso = 75;  // path/file access error
inline constexpr int PercorsoNonTrovato = 76;
inline constexpr int UsoNonValidoNull = 94;
inline constexpr int PortaNonAperta = 8018;  // the serial port is closed
}  // namespace err

class Errore : public std::runtime_error {
 public:
  Errore(int numero, std::string descrizione);
  explicit Errore(int numero);  // with the standard description of that number

  int numero() const noexcept { return numero_; }
  const std::string& descrizione() const noexcept { return descrizione_; }

 private:
  int numero_;
  std::string descrizione_;
};

// The runtime's own wording for an error number ("File not found" for 53).
std::string descrizioneErrore(int numero);

// The one place where operating-system errors become numbered errors.
Errore erroreDa(const std::error_code& ec);

}  // namespace quimbo
