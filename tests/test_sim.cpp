// The register simulator against hand-written raw bytes, and the simcassa
// executable on a real pseudo-terminal.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registratore.h"

using simcassa::Guasti;
using simcassa::Registratore;
using simcassa::Uscita;

namespace {

std::string b(std::initializer_list<int> codici) {
  std::string s;
  for (int c : codici) s += static_cast<char>(c);
  return s;
}

// Everything the register sends back, in order, whatever the delays.
std::string tutto(const std::vector<Uscita>& u) {
  std::string s;
  for (const auto& x : u) s += x.byte;
  return s;
}

std::unique_ptr<Registratore> reg(const char* famiglia, Guasti g = {}) {
  auto r = Registratore::crea(famiglia, g);
  EXPECT_NE(r, nullptr);
  return r;
}

const std::string ACK(1, '\x06'), NAK(1, '\x15'), DC1(1, '\x11'), DC3(1, '\x13');

// "497" with sequence 32, the worked example.
const std::string v497 = b({0x02, 0x20, 0x27, 0x34, 0x39, 0x37, 0x03, 0x70});
// "415" with sequence 33: 2 + 33 + 39 + 52 + 49 + 53 + 3 = 231, 231 mod 128 = 103.
const std::string v415 = b({0x02, 0x21, 0x27, 0x34, 0x31, 0x35, 0x03, 0x67});
// "1322" framed, the worked example.
const std::string o1322 = b({0x02, 0x24, 0x31, 0x33, 0x32, 0x32, 0x30, 0x30, 0x45, 0x43, 0x03});

// ---------------------------------------------------------------- general

TEST(Sim, CreaRiconosceLeFamiglieSenzaBadareAlleMaiuscole) {
  for (const char* f : {"vandoni", "VANDONI", "Frontiera", "olivetti", "KaBeL"})
    EXPECT_NE(Registratore::crea(f, {}), nullptr) << f;
  for (const char* f : {"", "vandon", "kabel ", "epson"})
    EXPECT_EQ(Registratore::crea(f, {}), nullptr) << f;
}

TEST(Sim, Leggibile) {
  struct Caso {
    std::string byte, atteso;
  } casi[] = {
      {"497", "497"},
      {b({2, 0x20, 0x27}), "<STX> '"},
      {b({3, 6, 17, 19, 20, 21}), "<ETX><ACK><DC1><DC3><DC4><NAK>"},
      {b({0, 13, 10, 127}), "<NUL><CR><LF><DEL>"},
      {b({0xC8}), "\xC3\x88"},  // È in Windows-1252 becomes È in UTF-8
      {b({0x80}), "<x80>"},
  };
  for (const auto& c : casi) EXPECT_EQ(simcassa::leggibile(c.byte), c.atteso);
}

// ---------------------------------------------------------------- Vandoni

TEST(SimVandoni, EsempioAccettatoConAck) {
  auto r = reg("vandoni");
  auto u = r->ricevi(v497);
  ASSERT_EQ(u.size(), 1u);
  EXPECT_EQ(u[0].byte, ACK);
  EXPECT_EQ(u[0].ritardo, 0);
  EXPECT_EQ(r->giornale(), std::vector<std::string>{"497"});
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"497"});
}

TEST(SimVandoni, TrameGuasteRifiutateConNakEAnnotate) {
  struct Caso {
    const char* nome;
    std::string trama, riga;
  } casi[] = {
      {"checksum", b({0x02, 0x20, 0x27, 0x34, 0x39, 0x37, 0x03, 0x71}),
       "?? <STX> '497<ETX>q (checksum errato)"},
      // length says 4 data bytes, 3 came; check character right for the bytes sent
      {"lunghezza", b({0x02, 0x20, 0x28, 0x34, 0x39, 0x37, 0x03, 0x71}),
       "?? <STX> (497<ETX>q (lunghezza errata)"},
      // length says 2 data bytes, 3 came
      {"lunghezza corta", b({0x02, 0x20, 0x26, 0x34, 0x39, 0x37, 0x03, 0x6F}),
       "?? <STX> &497<ETX>o (lunghezza errata)"},
      {"sequenza", b({0x02, 0x1F, 0x27, 0x34, 0x39, 0x37, 0x03, 0x6F}),
       "?? <STX><US>'497<ETX>o (sequenza errata)"},
      {"tutto", b({0x02, 0x7F, 0x20, 0x03, 0x00}),
       "?? <STX><DEL> <ETX><NUL> (sequenza errata, lunghezza errata, checksum errato)"},
  };
  for (const auto& c : casi) {
    auto r = reg("vandoni");
    EXPECT_EQ(tutto(r->ricevi(c.trama)), NAK) << c.nome;
    EXPECT_EQ(r->giornale(), std::vector<std::string>{c.riga}) << c.nome;
    EXPECT_TRUE(r->comandi().empty()) << c.nome;
  }
}

TEST(SimVandoni, ByteAByteComeTuttoInsieme) {
  auto r = reg("vandoni");
  for (std::size_t i = 0; i + 1 < v497.size(); ++i)
    EXPECT_TRUE(r->ricevi(v497.substr(i, 1)).empty()) << "byte " << i;
  EXPECT_EQ(tutto(r->ricevi(v497.substr(v497.size() - 1))), ACK);
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"497"});
}

TEST(SimVandoni, DueTrameInUnaChiamata) {
  auto r = reg("vandoni");
  EXPECT_EQ(tutto(r->ricevi(v497 + v415)), ACK + ACK);
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"497", "415"}));
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"497", "415"}));
}

TEST(SimVandoni, TramaSpezzataAMetaTraDueChiamate) {
  auto r = reg("vandoni");
  std::string due = v497 + v415;
  EXPECT_EQ(tutto(r->ricevi(due.substr(0, 10))), ACK);
  EXPECT_EQ(tutto(r->ricevi(due.substr(10))), ACK);
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"497", "415"}));
}

TEST(SimVandoni, CarattereDiControlloUgualeAStx) {
  // Empty data, sequence 89: 2 + 89 + 36 + 3 = 130, 130 mod 128 = 2, the code of STX.
  auto r = reg("vandoni");
  EXPECT_EQ(tutto(r->ricevi(b({0x02, 0x59, 0x24, 0x03, 0x02}) + v497)), ACK + ACK);
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"", "497"}));
}

TEST(SimVandoni, ByteOltre127NelControllo) {
  // È (0xC8): 2 + 32 + 37 + 200 + 3 = 274, 274 mod 128 = 18.
  auto r = reg("vandoni");
  EXPECT_EQ(tutto(r->ricevi(b({0x02, 0x20, 0x25, 0xC8, 0x03, 0x12}))), ACK);
  EXPECT_EQ(r->comandi(), std::vector<std::string>{b({0xC8})});
  EXPECT_EQ(r->giornale(), std::vector<std::string>{"\xC3\x88"});
}

TEST(SimVandoni, RumoreFuoriTramaEStxCheInterrompe) {
  auto r = reg("vandoni");
  // Stray bytes, then a frame cut short by the STX of the next one.
  EXPECT_EQ(tutto(r->ricevi("xy" + b({0x02, 0x20}) + v497)), NAK + ACK);
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"?? xy (fuori trama)",
                                                     "?? <STX>  (trama interrotta da un nuovo STX)",
                                                     "497"}));
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"497"});
}

TEST(SimVandoni, QuieteGiudicaLaTramaIncompleta) {
  auto r = reg("vandoni");
  EXPECT_TRUE(r->quiete().empty());
  EXPECT_TRUE(r->ricevi(v497.substr(0, 7)).empty());  // the check character never comes
  EXPECT_EQ(tutto(r->quiete()), NAK);
  EXPECT_EQ(r->giornale(), std::vector<std::string>{"?? <STX> '497<ETX> (trama incompleta)"});
  EXPECT_TRUE(r->quiete().empty());
  EXPECT_EQ(tutto(r->ricevi(v497)), ACK);  // and the next frame is taken as usual
}

TEST(SimVandoni, RifiutaPrimiContaAncheLeTrameGuaste) {
  Guasti g;
  g.rifiutaPrimi = 3;
  auto r = reg("vandoni", g);
  std::string guasta = v497;
  guasta.back() = 0x71;
  EXPECT_EQ(tutto(r->ricevi(guasta)), NAK);
  EXPECT_EQ(tutto(r->ricevi(v497)), NAK);
  EXPECT_EQ(tutto(r->ricevi(v415)), NAK);
  EXPECT_EQ(tutto(r->ricevi(v497)), ACK);
  // refused frames were decoded all the same
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"497", "415", "497"}));
}

TEST(SimVandoni, RispondiConUnCarattereAlComandoK) {
  struct Caso {
    int alComando;
    std::string atteso;
  } casi[] = {{2, ACK + "A" + ACK}, {0, "AAA"}, {4, ACK + ACK + ACK}};
  for (const auto& c : casi) {
    Guasti g;
    g.rispondiCon = 'A';
    g.rispondiAlComando = c.alComando;
    auto r = reg("vandoni", g);
    std::string risposte;
    for (int i = 0; i < 3; ++i) risposte += tutto(r->ricevi(v497));
    EXPECT_EQ(risposte, c.atteso) << "al comando " << c.alComando;
  }
}

TEST(SimVandoni, RispondiConPrevaleSulRifiuto) {
  Guasti g;
  g.rifiutaPrimi = 2;
  g.rispondiCon = 'A';
  g.rispondiAlComando = 1;
  auto r = reg("vandoni", g);
  EXPECT_EQ(tutto(r->ricevi(v497 + v497 + v497)), "A" + NAK + ACK);
}

TEST(SimVandoni, MutoNonRispondeMaAnnota) {
  Guasti g;
  g.muto = true;
  auto r = reg("vandoni", g);
  std::string guasta = v497;
  guasta.back() = 0x71;
  EXPECT_TRUE(r->ricevi(v497 + guasta).empty());
  EXPECT_EQ(r->giornale().size(), 2u);
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"497"});
}

TEST(SimVandoni, RiagganciaDopoNComandi) {
  Guasti g;
  g.riagganciaDopo = 2;
  auto r = reg("vandoni", g);
  EXPECT_EQ(tutto(r->ricevi(v497)), ACK);
  EXPECT_FALSE(r->riagganciato());
  // the second is still answered; the third, in the same write, is not even heard
  EXPECT_EQ(tutto(r->ricevi(v415 + v497)), ACK);
  EXPECT_TRUE(r->riagganciato());
  EXPECT_TRUE(r->ricevi(v497).empty());
  EXPECT_TRUE(r->quiete().empty());
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"497", "415"}));
}

TEST(SimVandoni, RiagganciaDopoZeroEGiaRiagganciato) {
  Guasti g;
  g.riagganciaDopo = 0;
  auto r = reg("vandoni", g);
  EXPECT_TRUE(r->riagganciato());
  EXPECT_TRUE(r->ricevi(v497).empty());
  EXPECT_TRUE(r->giornale().empty());
}

// ---------------------------------------------------------------- Olivetti

// Answer frame: STX "$" code "!" status checksum ETX. For "1322" and status "0":
// 36 + 49 + 51 + 50 + 50 + 33 + 48 = 317 = 0x13D.
const std::string risposta1322ok = b({0x02, '$', '1', '3', '2', '2', '!', '0', '0', '1', '3', 'D', 0x03});
// status "3": 320 = 0x140.
const std::string risposta1322ko = b({0x02, '$', '1', '3', '2', '2', '!', '3', '0', '1', '4', '0', 0x03});

TEST(SimOlivetti, EsempioAckPoiTramaDiRisposta) {
  auto r = reg("olivetti");
  auto u = r->ricevi(o1322);
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[0].byte, ACK);
  EXPECT_EQ(u[0].ritardo, 0);
  EXPECT_GT(u[1].ritardo, 0);
  EXPECT_EQ(u[1].byte, risposta1322ok);
  // what the program checks: 7th and 8th characters, counting STX as the 1st
  EXPECT_EQ(u[1].byte.substr(6, 2), "!0");
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"$1322"});
  EXPECT_EQ(r->giornale(), std::vector<std::string>{"$1322"});
}

TEST(SimOlivetti, CorpoAPiuCampi) {
  // "$1325#150$PANE  !0": 36+203+35+150+36+292+32+32+33+48 = 897 = 0x381.
  const std::string corpo = "$1325#150$PANE  !0";
  auto r = reg("olivetti");
  auto u = r->ricevi("\x02" + corpo + "0381\x03");
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[1].byte.substr(1, 5), "$1325");
  EXPECT_EQ(u[1].byte.substr(6, 2), "!0");
  EXPECT_EQ(r->comandi(), std::vector<std::string>{corpo});
}

TEST(SimOlivetti, TrameGuasteRifiutateConNak) {
  struct Caso {
    const char* nome;
    std::string trama, riga;
  } casi[] = {
      {"checksum", b({0x02, 0x24, 0x31, 0x33, 0x32, 0x32, 0x30, 0x30, 0x45, 0x44, 0x03}),
       "?? <STX>$132200ED<ETX> (checksum errato)"},
      {"checksum minuscolo", b({0x02, 0x24, 0x31, 0x33, 0x32, 0x32, 0x30, 0x30, 0x65, 0x63, 0x03}),
       "?? <STX>$132200ec<ETX> (checksum errato)"},
      // "%" announces five characters, four follow; checksum right (237 = 0xED)
      {"lunghezza di campo", "\x02%132200ED\x03", "?? <STX>%132200ED<ETX> (lunghezza di campo errata)"},
      // first field of three characters (185 = 0xB9)
      {"codice", "\x02#13200B9\x03", "?? <STX>#13200B9<ETX> (codice comando errato)"},
      {"corta", "\x02" "00\x03", "?? <STX>00<ETX> (trama troppo corta)"},
  };
  for (const auto& c : casi) {
    auto r = reg("olivetti");
    EXPECT_EQ(tutto(r->ricevi(c.trama)), NAK) << c.nome;
    EXPECT_EQ(r->giornale(), std::vector<std::string>{c.riga}) << c.nome;
    EXPECT_TRUE(r->comandi().empty()) << c.nome;
  }
}

TEST(SimOlivetti, ByteAByteEAckDelProgrammaIgnorati) {
  auto r = reg("olivetti");
  std::string flusso = o1322 + ACK + ACK + o1322 + ACK;
  std::string risposte;
  for (char c : flusso) risposte += tutto(r->ricevi(std::string(1, c)));
  EXPECT_EQ(risposte, ACK + risposta1322ok + ACK + risposta1322ok);
  EXPECT_TRUE(r->quiete().empty());
  // two identical commands after a success are two commands, not a retransmission
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"$1322", "$1322"}));
}

TEST(SimOlivetti, StatoErratoERitrasmissioneAnnotata) {
  Guasti g;
  g.statoErratoPrimi = 2;
  auto r = reg("olivetti", g);
  EXPECT_EQ(tutto(r->ricevi(o1322)), ACK + risposta1322ko);
  EXPECT_EQ(tutto(r->ricevi(ACK + o1322)), ACK + risposta1322ko);
  EXPECT_EQ(tutto(r->ricevi(ACK + o1322)), ACK + risposta1322ok);
  EXPECT_EQ(r->giornale(),
            (std::vector<std::string>{"$1322", "$1322 (ritrasmissione)", "$1322 (ritrasmissione)"}));
  EXPECT_EQ(r->comandi().size(), 3u);
}

TEST(SimOlivetti, TestoSenzaCornice) {
  auto r = reg("olivetti");
  EXPECT_TRUE(r->ricevi("PROVA").empty());
  EXPECT_TRUE(r->giornale().empty());  // it may go on
  EXPECT_TRUE(r->quiete().empty());
  EXPECT_EQ(r->giornale(), std::vector<std::string>{"?? PROVA (testo senza cornice)"});
  // text followed by a frame is closed by the STX
  EXPECT_EQ(tutto(r->ricevi("ciao" + o1322)), ACK + risposta1322ok);
  EXPECT_EQ(r->giornale().at(1), "?? ciao (testo senza cornice)");
  EXPECT_EQ(r->giornale().at(2), "$1322");
}

TEST(SimOlivetti, RitrasmissioneAvvoltaInUnaSecondaCornice) {
  // A retransmission built by framing the whole frame once more: STX, frame,
  // checksum of the frame (2+236+232+3 = 473 = 0x1D9), ETX. The register finds
  // its feet at the inner STX and takes the inner frame; the rest is left over.
  auto r = reg("olivetti");
  EXPECT_EQ(tutto(r->ricevi("\x02" + o1322 + "01D9\x03")), NAK + ACK + risposta1322ok);
  r->quiete();
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"?? <STX> (trama interrotta da un nuovo STX)",
                                                     "$1322", "?? 01D9<ETX> (testo senza cornice)"}));
}

TEST(SimOlivetti, GuastiComuni) {
  Guasti muto;
  muto.muto = true;
  EXPECT_TRUE(reg("olivetti", muto)->ricevi(o1322).empty());

  Guasti car;
  car.rispondiCon = 'X';
  car.rispondiAlComando = 2;
  auto r = reg("olivetti", car);
  EXPECT_EQ(tutto(r->ricevi(o1322)), ACK + risposta1322ok);
  EXPECT_EQ(tutto(r->ricevi(o1322)), "X");
  // the answer that never came is no success: the same command again is a retransmission
  EXPECT_EQ(tutto(r->ricevi(o1322)), ACK + risposta1322ok);
  EXPECT_EQ(r->giornale().back(), "$1322 (ritrasmissione)");

  Guasti riaggancia;
  riaggancia.riagganciaDopo = 1;
  auto s = reg("olivetti", riaggancia);
  EXPECT_EQ(tutto(s->ricevi(o1322 + o1322)), ACK + risposta1322ok);
  EXPECT_TRUE(s->riagganciato());
}

// ---------------------------------------------------------------- Kabel

TEST(SimKabel, ComandoEsezioneDiStato) {
  auto r = reg("kabel");
  std::string stato = b({0x13, 'O', 'K', 'z', 0x14});
  EXPECT_EQ(tutto(r->ricevi("\x02" "2x1.5\"PANE\"X\x03")), stato);
  EXPECT_EQ(tutto(r->ricevi(b({0x02, 0x03}))), stato);  // an empty command is a command
  EXPECT_EQ(r->comandi(), (std::vector<std::string>{"2x1.5\"PANE\"X", ""}));
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"2x1.5\"PANE\"X", ""}));
}

TEST(SimKabel, SenzaPronto) {
  Guasti g;
  g.kabelSenzaPronto = true;
  auto r = reg("kabel", g);
  EXPECT_EQ(tutto(r->ricevi("\x02=\x03")), b({0x13, 'O', 'K', 0x14}));
}

TEST(SimKabel, ByteAByteRumoreETramaIncompleta) {
  auto r = reg("kabel");
  std::string flusso = "zz\x02" "2000=\x03\x02" "K";
  std::string risposte;
  for (char c : flusso) risposte += tutto(r->ricevi(std::string(1, c)));
  EXPECT_EQ(risposte, b({0x13, 'O', 'K', 'z', 0x14}));
  EXPECT_TRUE(r->quiete().empty());  // Kabel has no refusal
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"?? zz (fuori trama)", "2000=",
                                                     "?? <STX>K (trama incompleta)"}));
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"2000="});
}

// ---------------------------------------------------------------- Frontiera

TEST(SimFrontiera, UnoScontrinoIntero) {
  const std::vector<std::string> attesi = {
      "K",          "\"PANE      \"2*150H1R", "\"LATTE     \"120H2R", "\"ABC12345\"@37F", "=",
      "500H1T",     "\"Totale\"1%",          "\"5,00\"2%",
  };
  std::string flusso;
  for (const auto& c : attesi) flusso += c;
  for (bool byteAByte : {false, true}) {
    auto r = reg("frontiera");
    if (byteAByte) {
      for (char c : flusso) EXPECT_TRUE(r->ricevi(std::string(1, c)).empty());
    } else {
      EXPECT_TRUE(r->ricevi(flusso).empty());
    }
    EXPECT_EQ(r->comandi(), attesi);
    EXPECT_EQ(r->giornale(), attesi);
  }
}

TEST(SimFrontiera, ComandiDelPagamento) {
  struct Caso {
    std::string flusso;
    std::vector<std::string> comandi;
  } casi[] = {
      {"=100H4M900H12M12M1T", {"=", "100H4M", "900H12M", "12M", "1T"}},
      {"          2*150H1R", {"          2*150H1R"}},  // no description: ten blanks
      {"-1*0.5H0R==", {"-1*0.5H0R", "=", "="}},
      {"\"\"@37F3T2T", {"\"\"@37F", "3T", "2T"}},
  };
  for (const auto& c : casi) {
    auto r = reg("frontiera");
    r->ricevi(c.flusso);
    EXPECT_EQ(r->comandi(), c.comandi) << c.flusso;
  }
}

TEST(SimFrontiera, ComandoSenzaChiusuraAllaQuiete) {
  auto r = reg("frontiera");
  r->ricevi("K\"ABC");
  EXPECT_TRUE(r->quiete().empty());
  EXPECT_EQ(r->giornale(), (std::vector<std::string>{"K", "?? \"ABC (comando senza chiusura)"}));
  EXPECT_EQ(r->comandi(), std::vector<std::string>{"K"});
  // the open quote does not swallow the next command
  r->ricevi("=");
  EXPECT_EQ(r->comandi().back(), "=");
}

TEST(SimFrontiera, Dc3OgniKCaratteri) {
  Guasti g;
  g.dc3OgniK = 3;
  g.dc3Durata = 0.25;
  auto r = reg("frontiera", g);
  std::vector<Uscita> tutte;
  for (char c : std::string("1234567")) {
    auto u = r->ricevi(std::string(1, c));
    tutte.insert(tutte.end(), u.begin(), u.end());
  }
  ASSERT_EQ(tutte.size(), 4u);
  EXPECT_EQ(tutte[0].byte, DC3);
  EXPECT_EQ(tutte[0].ritardo, 0);
  EXPECT_EQ(tutte[1].byte, DC1);
  EXPECT_EQ(tutte[1].ritardo, 0.25);
  EXPECT_EQ(tutto(tutte), DC3 + DC1 + DC3 + DC1);
  // and in one write of seven characters the same two stops
  auto s = reg("frontiera", g);
  EXPECT_EQ(tutto(s->ricevi("1234567")), DC3 + DC1 + DC3 + DC1);
}

TEST(SimFrontiera, ArrestoNonRispettatoSegnalato) {
  Guasti g;
  g.dc3OgniK = 2;
  g.dc3Durata = 1.0;
  struct Caso {
    const char* nome;
    std::vector<double> tempi;  // when each character of "2*150H1R" arrives
    bool segnalato;
  } casi[] = {
      // the program waits for DC1 after the second character (two more in flight are tolerated)
      {"rispettato", {0, 0.001, 0.002, 0.003, 1.1, 1.101, 2.2, 2.201}, false},
      {"ignorato", {0, 0.001, 0.002, 0.003, 0.004, 0.005, 0.006, 0.007}, true},
  };
  for (const auto& c : casi) {
    auto r = reg("frontiera", g);
    std::string testo = "2*150H1R";
    for (std::size_t i = 0; i < testo.size(); ++i) {
      r->orologio(c.tempi[i]);
      r->ricevi(testo.substr(i, 1));
    }
    bool trovato = false;
    for (const auto& riga : r->giornale()) trovato = trovato || riga.rfind("!! ", 0) == 0;
    EXPECT_EQ(trovato, c.segnalato) << c.nome;
    EXPECT_EQ(r->comandi(), std::vector<std::string>{testo}) << c.nome;
  }
}

TEST(SimFrontiera, GuastiComuni) {
  Guasti g;
  g.rispondiCon = '?';
  g.rispondiAlComando = 2;
  g.dc3OgniK = 1;
  auto r = reg("frontiera", g);
  // only the answer of the second command carries the character
  EXPECT_EQ(tutto(r->ricevi("K")), DC3 + DC1);
  EXPECT_EQ(tutto(r->ricevi("=")), "?" + DC3 + DC1);

  Guasti muto = g;
  muto.muto = true;
  EXPECT_TRUE(reg("frontiera", muto)->ricevi("K=1T").empty());

  Guasti riaggancia;
  riaggancia.riagganciaDopo = 2;
  auto s = reg("frontiera", riaggancia);
  s->ricevi("K=1T");
  EXPECT_TRUE(s->riagganciato());
  EXPECT_EQ(s->comandi(), (std::vector<std::string>{"K", "="}));
}

// ---------------------------------------------------------------- the executable

// simcassa in a child process, its stdout on a pipe.
class Processo {
 public:
  explicit Processo(std::vector<std::string> argomenti) {
    int tubo[2];
    if (pipe(tubo) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(tubo[1], 1);
      close(tubo[0]);
      close(tubo[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(SIMCASSA));
      for (auto& a : argomenti) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(SIMCASSA, argv.data());
      _exit(127);
    }
    close(tubo[1]);
    uscita_ = tubo[0];
  }
  ~Processo() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (uscita_ >= 0) close(uscita_);
  }

  // One line of stdout, waiting at most `secondi`.
  std::string riga(double secondi = 5) {
    std::string r;
    char c;
    while (attendi(uscita_, secondi) && read(uscita_, &c, 1) == 1) {
      if (c == '\n') return r;
      r += c;
    }
    return r;
  }

  int termina(int segnale = SIGTERM) {
    kill(pid_, segnale);
    return attendiFine();
  }
  int attendiFine() {
    int stato = -1;
    waitpid(pid_, &stato, 0);
    pid_ = -1;
    return stato;
  }

  static bool attendi(int fd, double secondi) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(secondi * 1000)) > 0;
  }

 private:
  pid_t pid_ = -1;
  int uscita_ = -1;
};

int apriPorta(const std::string& nome) {
  int fd = open(nome.c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

std::string leggiPer(int fd, std::size_t quanti, double secondi = 5) {
  std::string r;
  char buf[64];
  while (r.size() < quanti && Processo::attendi(fd, secondi)) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    r.append(buf, static_cast<std::size_t>(n));
  }
  return r;
}

std::vector<std::string> righeDi(const std::filesystem::path& p) {
  std::ifstream f(p);
  std::vector<std::string> r;
  for (std::string riga; std::getline(f, riga);) r.push_back(riga);
  return r;
}

std::string porta(Processo& p) {
  std::string prima = p.riga();
  EXPECT_EQ(prima.rfind("PORTA /dev/", 0), 0u) << prima;
  return prima.size() > 6 ? prima.substr(6) : std::string();
}

std::filesystem::path giornaleTemporaneo(const char* nome) {
  auto p = std::filesystem::temp_directory_path() /
           (std::string(nome) + "_" + std::to_string(getpid()) + ".txt");
  std::filesystem::remove(p);
  return p;
}

TEST(SimEseguibile, VandoniSuPseudoTerminale) {
  auto giornale = giornaleTemporaneo("simcassa_giornale");
  Processo sim({"VANDONI", "--giornale", giornale.string()});
  const std::string nome = porta(sim);
  int fd = apriPorta(nome);
  ASSERT_GE(fd, 0) << nome;

  ASSERT_EQ(write(fd, v497.data(), v497.size()), static_cast<ssize_t>(v497.size()));
  EXPECT_EQ(leggiPer(fd, 1), ACK);
  EXPECT_EQ(sim.riga(), "497");

  std::string guasta = v497;
  guasta.back() = 0x71;
  ASSERT_EQ(write(fd, guasta.data(), guasta.size()), static_cast<ssize_t>(guasta.size()));
  EXPECT_EQ(leggiPer(fd, 1), NAK);
  EXPECT_EQ(sim.riga(), "?? <STX> '497<ETX>q (checksum errato)");

  // The program closes and reopens the port: the register is still there.
  close(fd);
  fd = apriPorta(nome);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, v415.data(), 3), 3);  // half a frame, then the rest
  usleep(20000);
  ASSERT_EQ(write(fd, v415.data() + 3, v415.size() - 3), static_cast<ssize_t>(v415.size() - 3));
  EXPECT_EQ(leggiPer(fd, 1), ACK);
  EXPECT_EQ(sim.riga(), "415");
  close(fd);

  int stato = sim.termina();
  EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
  EXPECT_EQ(righeDi(giornale),
            (std::vector<std::string>{"497", "?? <STX> '497<ETX>q (checksum errato)", "415"}));
  std::filesystem::remove(giornale);
}

TEST(SimEseguibile, OlivettiRispondeConRitardoETramaDiStato) {
  Processo sim({"olivetti", "--stato-errato", "1"});
  int fd = apriPorta(porta(sim));
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, o1322.data(), o1322.size()), static_cast<ssize_t>(o1322.size()));
  EXPECT_EQ(leggiPer(fd, 1 + risposta1322ko.size()), ACK + risposta1322ko);
  ASSERT_EQ(write(fd, (ACK + o1322).data(), o1322.size() + 1), static_cast<ssize_t>(o1322.size() + 1));
  EXPECT_EQ(leggiPer(fd, 1 + risposta1322ok.size()), ACK + risposta1322ok);
  EXPECT_EQ(sim.riga(), "$1322");
  EXPECT_EQ(sim.riga(), "$1322 (ritrasmissione)");
  // Bare text is journalled once the line has been quiet for a moment.
  ASSERT_EQ(write(fd, "PROVA", 5), 5);
  EXPECT_EQ(sim.riga(), "?? PROVA (testo senza cornice)");
  close(fd);
  EXPECT_EQ(sim.termina(SIGINT), 0);
}

TEST(SimEseguibile, RiagganciaDopoNComandi) {
  Processo sim({"vandoni", "--riaggancia-dopo", "1"});
  int fd = apriPorta(porta(sim));
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, v497.data(), v497.size()), static_cast<ssize_t>(v497.size()));
  EXPECT_EQ(leggiPer(fd, 1), ACK);
  int stato = sim.attendiFine();
  EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
  // the far end has hung up: reading the port fails or reports end of file
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0);
  char c;
  EXPECT_LE(read(fd, &c, 1), 0);
  close(fd);
}

TEST(SimEseguibile, BaudRitardaLeRisposte) {
  // 1200 baud, 10 bits a character: 8 bytes in and 1 out take 9 x 8.3 ms = 75 ms.
  Processo sim({"vandoni", "--baud", "1200"});
  int fd = apriPorta(porta(sim));
  ASSERT_GE(fd, 0);
  auto inizio = std::chrono::steady_clock::now();
  ASSERT_EQ(write(fd, v497.data(), v497.size()), static_cast<ssize_t>(v497.size()));
  EXPECT_EQ(leggiPer(fd, 1), ACK);
  double trascorsi = std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
  EXPECT_GE(trascorsi, 0.070);
  close(fd);
  EXPECT_EQ(sim.termina(), 0);
}

TEST(SimEseguibile, FamigliaSconosciutaEOpzioneErrata) {
  for (auto argomenti : {std::vector<std::string>{"epson"}, std::vector<std::string>{"vandoni", "--rifiuta", "x"},
                         std::vector<std::string>{"vandoni", "--boh"}}) {
    Processo sim(argomenti);
    EXPECT_EQ(sim.riga(1), "");
    int stato = sim.attendiFine();
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 2) << argomenti[0];
  }
}

}  // namespace
