#pragma once
// A cash register of one family, as seen from the serial line: it takes the bytes
// the program writes, decodes them with its own code (never the core's builders,
// so that it checks the core instead of repeating its mistakes), keeps a journal
// of what it understood and tells which bytes it sends back, and when.
//
// The class knows nothing of time or ports: the caller feeds bytes and delivers
// the answers `ritardo` seconds later. The simcassa executable does that on a
// pseudo-terminal or a real port; in-process tests do it with a fake clock.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace simcassa {

// Bytes the register sends, `ritardo` seconds after the input that caused them.
struct Uscita {
  double ritardo = 0;
  std::string byte;
};

// Misbehaviour on request, so that the program's recovery paths can be exercised.
struct Guasti {
  int rifiutaPrimi = 0;  // Vandoni: NAK the first N frames (valid or not)
  char rispondiCon = 0;  // when not 0: answer this one character instead of the acknowledgement...
  int rispondiAlComando =
      0;              // ...to command number K (1-based, counting every frame received); 0 = to every command
  bool muto = false;  // never answer anything
  int dc3OgniK = 0;   // Frontiera: after every K received characters send DC3, then DC1 after dc3Durata s
  double dc3Durata = 0.05;
  int statoErratoPrimi = 0;       // Olivetti: the first N answer frames carry a bad status (not "!0")
  bool kabelSenzaPronto = false;  // Kabel: the status section has no "z"
  int riagganciaDopo = -1;        // hang up after N commands; nothing more is answered
  // When not empty, rifiutaPrimi and rispondiCon concern only the commands whose data
  // begin with this text, and rispondiAlComando counts among those alone.
  std::string alDato{};
};

class Registratore {
 public:
  // "vandoni", "frontiera", "olivetti", "kabel", in any case; anything else gives nullptr.
  static std::unique_ptr<Registratore> crea(const std::string& famiglia, const Guasti& g);
  virtual ~Registratore();

  Registratore(const Registratore&) = delete;
  Registratore& operator=(const Registratore&) = delete;

  // Bytes written by the program, split anyhow: a half frame waits for the next call.
  virtual std::vector<Uscita> ricevi(std::string_view byte) = 0;

  // The line has been silent for a while (the executable calls this after 0.2 s
  // without traffic). Whatever is still half received is judged now: a cut
  // frame is refused, stray bytes and unframed text get their journal line.
  virtual std::vector<Uscita> quiete() = 0;

  // Monotonic time in seconds of the input about to be fed. Optional: with it the
  // Frontiera register notices a program that keeps writing after DC3.
  void orologio(double adesso);

  // One readable line per decoded command and per input it could not take.
  // A command's line is its data shown readably ("497"); a line about input that
  // is not a command starts with "?? ", one about a breach of the flow control
  // with "!! ", and ends with the reason in brackets.
  const std::vector<std::string>& giornale() const { return giornale_; }
  // The data of every valid command, raw bytes without framing, refused ones included.
  const std::vector<std::string>& comandi() const { return comandi_; }
  bool riagganciato() const { return riagganciato_; }
  // Frames (or, for Frontiera, commands) received so far, valid or not.
  int trameRicevute() const { return trame_; }

 protected:
  explicit Registratore(const Guasti& g) : guasti_(g), riagganciato_(g.riagganciaDopo == 0) {}

  // How the faults let the register answer a frame.
  enum class Modo { normale, carattere, nessuna };
  // Counts one received frame and decides, from the faults shared by all
  // families, whether it gets its normal answer, the fault's one character, or nothing.
  // The frame is the command journalled last, if it was one (else a bad frame).
  Modo registra();
  // Whether the faults concern a command with these data, and how many such commands
  // came before this one.
  bool scelto(std::string_view dati) const;
  int scelti() const { return scelti_; }
  // The same, applied to the answer the register would normally give.
  std::vector<Uscita> esito(std::vector<Uscita> normale);
  std::vector<Uscita> risposta(Modo modo, std::vector<Uscita> normale);
  // Adds " (nota)" to the last journal line.
  void annotaNota(const std::string& nota);

  void annota(std::string riga) { giornale_.push_back(std::move(riga)); }
  void annotaComando(std::string dati, const std::string& nota = {});
  void annotaScarto(std::string_view byte, std::string_view motivo);

  Guasti guasti_;
  double adesso_ = 0;
  bool orologioNoto_ = false;

 private:
  std::vector<std::string> giornale_;
  std::vector<std::string> comandi_;
  bool riagganciato_;
  int trame_ = 0;
  int scelti_ = 0;
  std::size_t comandiGiudicati_ = 0;  // commands already counted by registra()
};

// Bytes shown for people: control characters by name in angle brackets (<STX>,
// <ETX>, <ACK>, <NAK>, <DC1>, <DC3>, <DC4>, <CR>, <LF>, ... <DEL>), bytes 0xA0 to
// 0xFF as the same Latin-1 letter in UTF-8, 0x80 to 0x9F as <xHH>.
std::string leggibile(std::string_view byte);

// A Vandoni frame as a register expects it (STX, sequence, length, data, ETX,
// check), built by the simulator's side for tests and benchmarks that write or
// expect raw frames without going through the program's own encoder.
std::string tramaVandoni(int progr, std::string_view dati);
// The same for an Olivetti body: STX, body, checksum, ETX.
std::string tramaOlivetti(std::string_view corpo);

// Control characters of the four families.
inline constexpr char STX = 2;
inline constexpr char ETX = 3;
inline constexpr char ACK = 6;
inline constexpr char DC1 = 17;
inline constexpr char DC3 = 19;
inline constexpr char DC4 = 20;
inline constexpr char NAK = 21;

}  // namespace simcassa
