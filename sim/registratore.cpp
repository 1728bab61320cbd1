#include "registratore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace simcassa {

namespace {

unsigned codice(char c) { return static_cast<unsigned char>(c); }

void accoda(std::vector<Uscita>& a, std::vector<Uscita> b) {
  for (auto& u : b) a.push_back(std::move(u));
}

std::string unisci(const std::vector<std::string>& parti) {
  std::string r;
  for (const auto& p : parti) {
    if (!r.empty()) r += ", ";
    r += p;
  }
  return r;
}

bool finisce(std::string_view s, std::string_view fine) {
  return s.size() >= fine.size() && s.substr(s.size() - fine.size()) == fine;
}

// What a Frontiera command means, by its closing code, so that a receipt can be
// followed in the journal.
std::string significatoFrontiera(std::string_view c) {
  const std::pair<const char*, const char*> codici[] = {{"@37F", "lotteria"},
                                                        {"H4M", "sconto"},
                                                        {"H12M", "importo da pagare"},
                                                        {"H1T", "contanti, con il dato"},
                                                        {"1%", "display, riga 1"},
                                                        {"2%", "display, riga 2"},
                                                        {"R", "vendita"}};
  if (c == "K") return "sincronizzazione";
  if (c == "=") return "totale";
  if (c == "12M") return "sospeso";
  if (c == "1T") return "contanti";
  if (c == "2T") return "assegni";
  if (c == "3T") return "carta di credito";
  for (const auto& [fine, nome] : codici)
    if (finisce(c, fine)) return nome;
  return {};
}

// The same for Kabel: configuration, header, a sale (ending in its department
// letter) or a payment (ending in its code).
std::string significatoKabel(std::string_view c) {
  if (c.rfind("711{", 0) == 0) return "configurazione";
  if (c.rfind("222{d", 0) == 0) return "intestazione";
  if (c.empty()) return {};
  switch (c.back()) {
    case '=':
      return "contanti";
    case 'S':
      return "assegni";
    case 'O':
      return "sospeso";
    case 'K':
      return "carta di credito";
  }
  if (std::string_view("XTPLHYUQMZVRNJ").find(c.back()) != std::string_view::npos)
    return c.front() == 'A' ? "vendita in negativo" : "vendita";
  return {};
}

// An Olivetti body's fields after the command code, named by that code.
std::string significatoOlivetti(const std::vector<std::string>& campi) {
  const std::pair<const char*, const char*> nomi[] = {{"1322", "apertura"},
                                                      {"1323", "chiusura"},
                                                      {"1325", "vendita"},
                                                      {"1327", "sconto"},
                                                      {"1329", "pagamento"}};
  std::string r;
  for (const auto& [codice, nome] : nomi)
    if (campi.front() == codice) r = nome;
  if (r.empty()) r = "comando " + campi.front();
  for (std::size_t i = 1; i < campi.size(); ++i) r += (i == 1 ? ": " : " | ") + leggibile(campi[i]);
  return r;
}

}  // namespace

std::string tramaVandoni(int progr, std::string_view dati) {
  std::string t;
  t += STX;
  t += static_cast<char>(progr);
  t += static_cast<char>(dati.size() + 36);
  t += dati;
  t += ETX;
  unsigned somma = 0;
  for (unsigned char c : t) somma += c;
  t += static_cast<char>(somma % 128);
  return t;
}

std::string leggibile(std::string_view byte) {
  static const char* const nomi[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                       "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                       "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                       "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
  std::string r;
  r.reserve(byte.size());
  for (char c : byte) {
    unsigned u = codice(c);
    if (u < 32) {
      r += '<';
      r += nomi[u];
      r += '>';
    } else if (u == 127) {
      r += "<DEL>";
    } else if (u < 128) {
      r += c;
    } else if (u < 0xA0) {
      char esa[8];
      std::snprintf(esa, sizeof esa, "<x%02X>", u);
      r += esa;
    } else {
      r += static_cast<char>(0xC0 | (u >> 6));
      r += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return r;
}

Registratore::~Registratore() = default;

void Registratore::orologio(double adesso) {
  adesso_ = adesso;
  orologioNoto_ = true;
}

bool Registratore::scelto(std::string_view dati) const {
  return dati.substr(0, guasti_.alDato.size()) == guasti_.alDato;
}

Registratore::Modo Registratore::registra() {
  ++trame_;
  const bool comando = comandi_.size() > comandiGiudicati_;
  comandiGiudicati_ = comandi_.size();
  const bool colpito = guasti_.alDato.empty() || (comando && scelto(comandi_.back()));
  if (colpito) ++scelti_;
  Modo m = Modo::normale;
  if (guasti_.muto) {
    m = Modo::nessuna;
  } else if (colpito && guasti_.rispondiCon != 0 &&
             (guasti_.rispondiAlComando == 0 || guasti_.rispondiAlComando == scelti_)) {
    m = Modo::carattere;
  }
  if (guasti_.riagganciaDopo >= 0 && trame_ >= guasti_.riagganciaDopo) riagganciato_ = true;
  return m;
}

std::vector<Uscita> Registratore::esito(std::vector<Uscita> normale) {
  return risposta(registra(), std::move(normale));
}

void Registratore::annotaNota(const std::string& nota) { giornale_.back() += " (" + nota + ")"; }

std::vector<Uscita> Registratore::risposta(Modo modo, std::vector<Uscita> normale) {
  switch (modo) {
    case Modo::normale:
      return normale;
    case Modo::carattere:
      return {Uscita{0, std::string(1, guasti_.rispondiCon)}};
    case Modo::nessuna:
      break;
  }
  return {};
}

void Registratore::annotaComando(std::string dati, const std::string& nota) {
  std::string riga = leggibile(dati);
  if (!nota.empty()) riga += " (" + nota + ")";
  annota(std::move(riga));
  comandi_.push_back(std::move(dati));
}

void Registratore::annotaScarto(std::string_view byte, std::string_view motivo) {
  annota("?? " + leggibile(byte) + " (" + std::string(motivo) + ")");
}

namespace {

// Families whose commands travel between STX and ETX (Vandoni adds a check
// character after the ETX). One state machine collects the frames; the family
// judges each one. A new STX inside a frame cuts the frame short: a register
// takes STX as the start of a frame wherever it comes, which is how it finds its
// feet again after line noise.
class RegistratoreATrame : public Registratore {
 public:
  using Registratore::Registratore;

  std::vector<Uscita> ricevi(std::string_view byte) override {
    std::vector<Uscita> out;
    for (char c : byte) {
      if (riagganciato()) break;
      if (!inTrama_) {
        if (c == STX) {
          chiudiFuori();
          inTrama_ = true;
          trama_.assign(1, c);
          coda_ = 0;
        } else {
          fuori(c);
        }
        continue;
      }
      if (coda_ > 0) {
        trama_ += c;
        if (--coda_ == 0) accoda(out, concludi());
        continue;
      }
      if (c == STX) {
        accoda(out, guasta(trama_, "trama interrotta da un nuovo STX"));
        trama_.assign(1, c);
        continue;
      }
      trama_ += c;
      if (c == ETX && trama_.size() > primoEtx()) {
        coda_ = byteDopoEtx();
        if (coda_ == 0) accoda(out, concludi());
      }
    }
    return out;
  }

  std::vector<Uscita> quiete() override {
    std::vector<Uscita> out;
    if (inTrama_ && !riagganciato()) {
      inTrama_ = false;
      accoda(out, guasta(trama_, "trama incompleta"));
    }
    inTrama_ = false;
    chiudiFuori();
    return out;
  }

 protected:
  // Smallest index at which an ETX may end the frame.
  virtual std::size_t primoEtx() const { return 1; }
  virtual int byteDopoEtx() const { return 0; }
  // A whole frame from STX to its last byte.
  virtual std::vector<Uscita> trama(const std::string& f) = 0;
  // A frame that never came to its end.
  virtual std::vector<Uscita> guasta(const std::string& f, std::string_view motivo) = 0;
  // A byte outside any frame.
  virtual void fuori(char c) { fuori_ += c; }
  virtual std::string_view motivoFuori() const { return "fuori trama"; }

 private:
  std::vector<Uscita> concludi() {
    inTrama_ = false;
    return trama(trama_);
  }

  void chiudiFuori() {
    if (fuori_.empty()) return;
    annotaScarto(fuori_, motivoFuori());
    fuori_.clear();
  }

  bool inTrama_ = false;
  std::string trama_;
  int coda_ = 0;

 protected:
  std::string fuori_;
};

// Vandoni: STX, sequence (32..126), length (data + 36), data, ETX, check character
// (sum of STX..ETX modulo 128). ACK takes a frame, NAK refuses it.
class Vandoni : public RegistratoreATrame {
 public:
  using RegistratoreATrame::RegistratoreATrame;

 protected:
  // The sequence and length characters are never ETX in a sound frame; an ETX
  // there is taken as data so that the frame is judged as a whole.
  std::size_t primoEtx() const override { return 3; }
  int byteDopoEtx() const override { return 1; }

  std::vector<Uscita> trama(const std::string& f) override {
    std::vector<std::string> difetti;
    const std::size_t n = f.size() - 5;  // STX, sequence, length ... ETX, check
    const unsigned seq = codice(f[1]);
    if (seq < 32 || seq > 126) difetti.push_back("sequenza errata");
    if (codice(f[2]) < 36 || codice(f[2]) - 36 != n) difetti.push_back("lunghezza errata");
    unsigned somma = 0;
    for (std::size_t i = 0; i + 1 < f.size(); ++i) somma += codice(f[i]);
    if (somma % 128 != codice(f.back())) difetti.push_back("checksum errato");

    if (!difetti.empty()) return rifiuta(f, unisci(difetti));
    annotaComando(f.substr(3, n));
    const Modo modo = registra();
    // A refused command is not carried out: its journal line says so.
    const bool rifiutata = modo == Modo::normale && scelti() <= guasti_.rifiutaPrimi &&
                           (guasti_.alDato.empty() || scelto(comandi().back()));
    if (rifiutata) annotaNota("rifiutato");
    return risposta(modo, {Uscita{0, std::string(1, rifiutata ? NAK : ACK)}});
  }

  std::vector<Uscita> guasta(const std::string& f, std::string_view motivo) override {
    return rifiuta(f, motivo);
  }

 private:
  std::vector<Uscita> rifiuta(const std::string& f, std::string_view motivo) {
    annotaScarto(f, motivo);
    return esito({Uscita{0, std::string(1, NAK)}});
  }
};

// Olivetti: STX, body, checksum (sum of the body's codes, last four upper-case
// hexadecimal digits), ETX. The body is a row of fields, each a length character
// (field length + 32) and the text; the first field is a four-digit command code.
//
// The register takes a sound frame with ACK and then, a moment later, sends its
// own answer frame built the same way:
//
//   pos  1    2    3..6           7    8        9..12      13
//        STX  "$"  command code   "!"  status   checksum   ETX
//
// that is the body L(code) + L(status), with status "0" for success and "3"
// for a command it could not carry out. A bad frame gets NAK and no answer frame.
// The program's own ACKs (to our ACK and to our answer frame) are expected and
// ignored; other bytes outside a frame are the test button's bare text.
class Olivetti : public RegistratoreATrame {
 public:
  using RegistratoreATrame::RegistratoreATrame;

  static std::string somma(std::string_view s) {
    unsigned long t = 0;
    for (char c : s) t += codice(c);
    char esa[8];
    std::snprintf(esa, sizeof esa, "%04lX", t & 0xFFFFUL);
    return esa;
  }

 protected:
  std::vector<Uscita> trama(const std::string& f) override {
    if (f.size() < 7) return rifiuta(f, "trama troppo corta");
    const std::string corpo = f.substr(1, f.size() - 6);
    const std::string controllo = f.substr(f.size() - 5, 4);
    std::vector<std::string> difetti;
    if (controllo != somma(corpo)) difetti.push_back("checksum errato");

    std::vector<std::string> campi;
    std::size_t i = 0;
    while (i < corpo.size()) {
      const int lung = static_cast<int>(codice(corpo[i])) - 32;
      if (lung < 0 || i + 1 + static_cast<std::size_t>(lung) > corpo.size()) break;
      campi.push_back(corpo.substr(i + 1, static_cast<std::size_t>(lung)));
      i += 1 + static_cast<std::size_t>(lung);
    }
    if (i != corpo.size()) {
      difetti.push_back("lunghezza di campo errata");
    } else if (campi.front().size() != 4 || !std::all_of(campi.front().begin(), campi.front().end(),
                                                         [](char c) { return c >= '0' && c <= '9'; })) {
      difetti.push_back("codice comando errato");
    }
    if (!difetti.empty()) return rifiuta(f, unisci(difetti));

    const bool ritrasmissione = haPrecedente_ && corpo == ultimoCorpo_ && !ultimoRiuscito_;
    annotaComando(corpo, significatoOlivetti(campi) + (ritrasmissione ? ", ritrasmissione" : ""));
    haPrecedente_ = true;
    ultimoCorpo_ = corpo;
    ultimoRiuscito_ = false;

    switch (registra()) {
      case Modo::nessuna:
        return {};
      case Modo::carattere:
        return {Uscita{0, std::string(1, guasti_.rispondiCon)}};
      case Modo::normale:
        break;
    }
    const bool buono = risposte_ >= guasti_.statoErratoPrimi;
    ++risposte_;
    ultimoRiuscito_ = buono;
    const std::string risposta = "$" + campi.front() + "!" + (buono ? "0" : "3");
    return {Uscita{0, std::string(1, ACK)}, Uscita{ritardoRisposta, STX + risposta + somma(risposta) + ETX}};
  }

  std::vector<Uscita> guasta(const std::string& f, std::string_view motivo) override {
    return rifiuta(f, motivo);
  }

  void fuori(char c) override {
    if (c != ACK) fuori_ += c;
  }
  std::string_view motivoFuori() const override { return "testo senza cornice"; }

 private:
  // The register needs a moment to carry out a command before it answers.
  static constexpr double ritardoRisposta = 0.02;

  std::vector<Uscita> rifiuta(const std::string& f, std::string_view motivo) {
    annotaScarto(f, motivo);
    return esito({Uscita{0, std::string(1, NAK)}});
  }

  int risposte_ = 0;
  bool haPrecedente_ = false;
  std::string ultimoCorpo_;
  bool ultimoRiuscito_ = false;
};

// Kabel: STX, command, ETX; the register answers with a status section DC3,
// "OK", "z" (ready), DC4. It has no way to refuse, so a cut frame is only journalled.
class Kabel : public RegistratoreATrame {
 public:
  using RegistratoreATrame::RegistratoreATrame;

 protected:
  std::vector<Uscita> trama(const std::string& f) override {
    const std::string comando = f.substr(1, f.size() - 2);
    annotaComando(comando, significatoKabel(comando));
    std::string stato(1, DC3);
    stato += "OK";
    if (!guasti_.kabelSenzaPronto) stato += 'z';
    stato += DC4;
    return esito({Uscita{0, stato}});
  }

  std::vector<Uscita> guasta(const std::string& f, std::string_view motivo) override {
    annotaScarto(f, motivo);
    return esito({});
  }
};

// Frontiera: bare characters with nothing around them. The register parses the
// stream itself: a command ends at its closing code outside double quotes ("K",
// "=", "R" after a department, "M", "T", "F" after a lottery code, "%" after a
// display text); digits, ".", ",", "-", "*", "H", "@" and blanks lie inside a
// command, and anything between quotes is description text. The register sends
// DC3 when its input is full and DC1 when it can take more.
class Frontiera : public Registratore {
 public:
  using Registratore::Registratore;

  std::vector<Uscita> ricevi(std::string_view byte) override {
    std::vector<Uscita> out;
    for (char c : byte) {
      if (riagganciato()) break;
      sorvegliaArresto();
      ++caratteri_;
      comando_ += c;
      if (c == '"') {
        virgolette_ = !virgolette_;
      } else if (!virgolette_ && std::string_view("K=RMTF%").find(c) != std::string_view::npos) {
        annotaComando(comando_, significatoFrontiera(comando_));
        comando_.clear();
        accoda(out, esito({}));
      }
      if (guasti_.dc3OgniK > 0 && !guasti_.muto && !riagganciato() && caratteri_ % guasti_.dc3OgniK == 0) {
        out.push_back(Uscita{0, std::string(1, DC3)});
        out.push_back(Uscita{guasti_.dc3Durata, std::string(1, DC1)});
        // A DC3 sent while already stopped prolongs the same stop.
        if (adesso_ >= fermoFino_) {
          dopoArresto_ = 0;
          segnalato_ = false;
          inizioArresto_ = adesso_;
        }
        fermoFino_ = adesso_ + guasti_.dc3Durata;
      }
    }
    return out;
  }

  std::vector<Uscita> quiete() override {
    if (!comando_.empty()) annotaScarto(comando_, "comando senza chiusura");
    comando_.clear();
    virgolette_ = false;
    return {};
  }

 private:
  // A character or two may already be on the line when DC3 leaves, and the program
  // needs a moment to hear it (at 1200 baud, 20 ms are two or three characters);
  // more than that means the program is not honouring the stop.
  static constexpr int tolleranza = 2;
  static constexpr double reazione = 0.02;

  void sorvegliaArresto() {
    if (!orologioNoto_ || adesso_ >= fermoFino_ || adesso_ < inizioArresto_ + reazione) return;
    if (++dopoArresto_ > tolleranza && !segnalato_) {
      segnalato_ = true;
      annota("!! " + std::to_string(dopoArresto_) +
             " caratteri ricevuti dopo DC3, prima di DC1 (arresto non rispettato)");
    }
  }

  long caratteri_ = 0;
  std::string comando_;
  bool virgolette_ = false;
  double fermoFino_ = -1;
  double inizioArresto_ = -1;
  int dopoArresto_ = 0;
  bool segnalato_ = false;
};

}  // namespace

std::string tramaOlivetti(std::string_view corpo) {
  return STX + std::string(corpo) + Olivetti::somma(corpo) + ETX;
}

std::unique_ptr<Registratore> Registratore::crea(const std::string& famiglia, const Guasti& g) {
  std::string f;
  for (char c : famiglia) f += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<Registratore> r;
  if (f == "vandoni") {
    r.reset(new Vandoni(g));
  } else if (f == "frontiera") {
    r.reset(new Frontiera(g));
  } else if (f == "olivetti") {
    r.reset(new Olivetti(g));
  } else if (f == "kabel") {
    r.reset(new Kabel(g));
  }
  return r;
}

}  // namespace simcassa
