#pragma once
// The port settings text of the original control: "speed,parity,data,stop",
// such as "1200,e,7,1" or "9600,n,8,1".

#include <string>
#include <string_view>

namespace quimbo {

struct ImpostazioniPorta {
  int baud = 1200;
  char parita = 'E';   // 'N' none, 'E' even, 'O' odd, 'M' mark, 'S' space
  int bitDati = 7;     // 5 to 8
  double bitStop = 1;  // 1, 1.5 or 2
};

// Parses the text; blanks around each part are allowed and parity may be of
// either case. On a bad text returns false and says why in `errore`.
bool leggiImpostazioniPorta(std::string_view testo, ImpostazioniPorta& imp, std::string& errore);

// Why a port that opens would not take `testo`, with what to try, after the system's
// reason.
std::string ImpostazioniRifiutate(std::string_view testo, const std::string& motivo);

}  // namespace quimbo
