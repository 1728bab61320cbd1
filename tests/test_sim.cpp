// The register simulator against hand-written raw bytes, and the simcassa
// executable's checks of its command line.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "nome_riga.h"
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

const std::string ACK(1, '\x06'), NAK(1, '\x15'), DC1(1, '\x11'), DC3(1, '\x13');
const std::string QUIETE;  // in a list of writes: the line goes silent

// "497" with sequence 32, the worked example, and the same with a wrong check character.
const std::string v497 = b({0x02, 0x20, 0x27, 0x34, 0x39, 0x37, 0x03, 0x70});
const std::string v497guasta = b({0x02, 0x20, 0x27, 0x34, 0x39, 0x37, 0x03, 0x71});
// "415" with sequence 33: 2 + 33 + 39 + 52 + 49 + 53 + 3 = 231, 231 mod 128 = 103.
const std::string v415 = b({0x02, 0x21, 0x27, 0x34, 0x31, 0x35, 0x03, 0x67});
// "1322" framed, the worked example.
const std::string o1322 = b({0x02, 0x24, 0x31, 0x33, 0x32, 0x32, 0x30, 0x30, 0x45, 0x43, 0x03});
// Olivetti's answer frame: STX "$" code "!" status checksum ETX. For "1322" and status "0":
// 36 + 49 + 51 + 50 + 50 + 33 + 48 = 317 = 0x13D; with status "3", 320 = 0x140.
const std::string ok1322 = b({0x02, '$', '1', '3', '2', '2', '!', '0', '0', '1', '3', 'D', 0x03});
const std::string ko1322 = b({0x02, '$', '1', '3', '2', '2', '!', '3', '0', '1', '4', '0', 0x03});
const std::string statoKabel = b({0x13, 'O', 'K', 'z', 0x14});

struct Caso {
  const char* nome;
  const char* famiglia;
  Guasti guasti;
  std::vector<std::string> scritture;  // one ricevi() each, or QUIETE
  std::string risposte;
  std::vector<std::string> giornale;
  bool riagganciato = false;
};

// Runs the writes as given, then again one byte at a time (a half frame must wait
// for the rest), with the line going silent at the end.
void verifica(const Caso& c) {
  for (bool byteAByte : {false, true}) {
    SCOPED_TRACE(std::string(c.famiglia) + ": " + c.nome + (byteAByte ? ", one byte at a time" : ""));
    auto r = Registratore::crea(c.famiglia, c.guasti);
    ASSERT_NE(r, nullptr);
    std::string risposte;  // everything sent back, in order, whatever the delays
    auto prendi = [&](const std::vector<Uscita>& uscite) {
      for (const auto& u : uscite) {
        risposte += u.byte;
        // Only Olivetti's answer frame and the DC1 that ends a stop come later; the rest at once.
        if (u.byte[0] == simcassa::STX)
          EXPECT_GT(u.ritardo, 0);
        else
          EXPECT_EQ(u.ritardo, u.byte == DC1 ? c.guasti.dc3Durata : 0) << simcassa::leggibile(u.byte);
      }
    };
    for (const auto& s : c.scritture) {
      if (s.empty())
        prendi(r->quiete());
      else if (!byteAByte)
        prendi(r->ricevi(s));
      else
        for (char x : s) prendi(r->ricevi(std::string(1, x)));
    }
    prendi(r->quiete());
    EXPECT_EQ(risposte, c.risposte);
    EXPECT_EQ(r->giornale(), c.giornale);
    EXPECT_EQ(r->riagganciato(), c.riagganciato);
    // Every decoded command, refused or not, begins a journal line that is not a complaint.
    std::vector<std::string> righe;
    for (const auto& riga : r->giornale())
      if (riga.rfind("?? ", 0) != 0) righe.push_back(riga);
    ASSERT_EQ(righe.size(), r->comandi().size());
    for (std::size_t i = 0; i < righe.size(); ++i)
      EXPECT_EQ(righe[i].rfind(simcassa::leggibile(r->comandi()[i]), 0), 0u) << righe[i];
  }
}

// Frames read from raw bytes: what is answered, and each command or complaint in the journal.
class Decodifica : public ::testing::TestWithParam<Caso> {};
TEST_P(Decodifica, AnswersAndJournalsTheBytesHeard) { verifica(GetParam()); }
const std::string corpo = "$1325#150$PANE  !0";  // 36+203+35+150+36+292+32+32+33+48 = 897 = 0x381
                                                 // clang-format off
RIGHE(Sim, Decodifica, {"VandoniTwoFramesInOneWrite", "vandoni", {}, {v497 + v415}, ACK + ACK, {"497", "415"}},
      {"VandoniWrongChecksum", "vandoni", {}, {v497guasta}, NAK, {"?? <STX> '497<ETX>q (checksum errato)"}},
      // length says 4 data bytes, then 2; 3 came (check character right for the bytes sent)
      {"VandoniLengthLongerThanTheData", "vandoni", {}, {"\x02 (497\x03q"}, NAK, {"?? <STX> (497<ETX>q (lunghezza errata)"}},
      {"VandoniLengthShorterThanTheData", "vandoni", {}, {"\x02 &497\x03o"}, NAK, {"?? <STX> &497<ETX>o (lunghezza errata)"}},
      {"VandoniSequenceBelow32", "vandoni", {}, {"\x02\x1F'497\x03o"}, NAK, {"?? <STX><US>'497<ETX>o (sequenza errata)"}},
      {"VandoniEverythingWrong", "vandoni", {}, {b({2, 0x7F, 0x20, 3, 0})}, NAK,
       {"?? <STX><DEL> <ETX><NUL> (sequenza errata, lunghezza errata, checksum errato)"}},
      // empty data, sequence 89: 2 + 89 + 36 + 3 = 130, mod 128 = 2, the code of STX
      {"VandoniEmptyDataWithChecksumStx", "vandoni", {}, {b({2, 0x59, 0x24, 3, 2}) + v497}, ACK + ACK, {"", "497"}},
      // È (0xC8): 2 + 32 + 37 + 200 + 3 = 274, mod 128 = 18
      {"VandoniByteBeyondAscii", "vandoni", {}, {b({2, 0x20, 0x25, 0xC8, 3, 0x12})}, ACK, {"\xC3\x88"}},
      {"VandoniBytesOutsideAFrameAndRepeatedStx", "vandoni", {}, {"xy" + b({2, 0x20}) + v497}, NAK + ACK,
       {"?? xy (fuori trama)", "?? <STX>  (trama interrotta da un nuovo STX)", "497"}},
      {"VandoniFrameCutByQuiet", "vandoni", {}, {v497.substr(0, 7), QUIETE, v497}, NAK + ACK, {"?? <STX> '497<ETX> (trama incompleta)", "497"}},
      // the program's ACKs are ignored; the same command again after a success is no retransmission
      {"OlivettiProgramsAcksIgnored", "olivetti", {}, {o1322 + ACK + ACK + o1322 + ACK}, ACK + ok1322 + ACK + ok1322,
       {"$1322 (apertura)", "$1322 (apertura)"}},
      {"OlivettiSaleWithItsFields", "olivetti", {}, {"\x02" + corpo + "0381\x03"}, ACK + "\x02$1325!00140\x03",
       {corpo + " (vendita: 150 | PANE |  |  | 0)"}},
      {"OlivettiWrongUppercaseChecksum", "olivetti", {}, {"\x02$132200ED\x03"}, NAK, {"?? <STX>$132200ED<ETX> (checksum errato)"}},
      {"OlivettiLowercaseChecksum", "olivetti", {}, {"\x02$132200ec\x03"}, NAK, {"?? <STX>$132200ec<ETX> (checksum errato)"}},
      // "%" announces five characters, four follow; checksum right (237 = 0xED)
      {"OlivettiWrongFieldLength", "olivetti", {}, {"\x02%132200ED\x03"}, NAK, {"?? <STX>%132200ED<ETX> (lunghezza di campo errata)"}},
      // first field of three characters (185 = 0xB9)
      {"OlivettiThreeDigitCommandCode", "olivetti", {}, {"\x02#13200B9\x03"}, NAK, {"?? <STX>#13200B9<ETX> (codice comando errato)"}},
      {"OlivettiFrameTooShort", "olivetti", {}, {"\x02" "00\x03"}, NAK, {"?? <STX>00<ETX> (trama troppo corta)"}},
      {"OlivettiTextWithoutFrame", "olivetti", {}, {"PROVA", QUIETE, "ciao" + o1322}, ACK + ok1322,
       {"?? PROVA (testo senza cornice)", "?? ciao (testo senza cornice)", "$1322 (apertura)"}},
      // a retransmission made by framing the whole frame once more, with the checksum of
      // the frame (2+236+232+3 = 473 = 0x1D9): the register finds its feet at the inner STX
      {"OlivettiRetransmissionFramedTwice", "olivetti", {}, {"\x02" + o1322 + "01D9\x03"}, NAK + ACK + ok1322,
       {"?? <STX> (trama interrotta da un nuovo STX)", "$1322 (apertura)", "?? 01D9<ETX> (testo senza cornice)"}},
      // an empty command is a command; Kabel cannot refuse a cut frame
      {"KabelEmptyCommandAndCutFrame", "kabel", {}, {"zz\x02" "2x1.5\"PANE\"X\x03\x02\x03\x02" "K"}, statoKabel + statoKabel,
       {"?? zz (fuori trama)", "2x1.5\"PANE\"X (vendita)", "", "?? <STX>K (trama incompleta)"}},
      // a receipt, then payments, a refund with no description (ten blanks), an empty lottery code
      {"FrontieraReceiptAndPayments", "frontiera", {}, {"K\"PANE\"2*150H1R=500H1T\"Totale\"1%", "100H4M1T          -1*0.5H0R=\"\"@37F"}, "",
       {"K (sincronizzazione)", "\"PANE\"2*150H1R (vendita)", "= (totale)", "500H1T (contanti, con il dato)",
        "\"Totale\"1% (display, riga 1)", "100H4M (sconto)", "1T (contanti)", "          -1*0.5H0R (vendita)",
        "= (totale)", "\"\"@37F (lotteria)"}},
      // the open quote does not swallow the next command
      {"FrontieraOpenQuote", "frontiera", {}, {"K\"ABC", QUIETE, "="}, "",
       {"K (sincronizzazione)", "?? \"ABC (comando senza chiusura)", "= (totale)"}});
// clang-format on

// Each fault acted out: refusals, characters in place of answers, silence, hanging up, holds.
class Guasto : public ::testing::TestWithParam<Caso> {};
TEST_P(Guasto, IsActedOutOnTheLine) { verifica(GetParam()); }
const std::string scartata = "?? <STX> '497<ETX>q (checksum errato)";
// clang-format off
RIGHE(Sim, Guasto, // a bad frame counts too, and refused frames are decoded all the same
      {"VandoniRefusesTheFirstThreeBadFrameIncluded", "vandoni", {.rifiutaPrimi = 3}, {v497guasta, v497, v415, v497}, NAK + NAK + NAK + ACK,
       {scartata, "497 (rifiutato)", "415 (rifiutato)", "497"}},
      // only the commands named count: the first "497" is refused, the second gets the character
      {"VandoniRefusesOnlyTheNamedCommands", "vandoni", {.rifiutaPrimi = 1, .rispondiCon = 'A', .rispondiAlComando = 2, .alDato = "49"},
       {v415 + v497, v415 + v497}, ACK + NAK + ACK + "A", {"415", "497 (rifiutato)", "415", "497"}},
      {"VandoniCharacterToTheSecondCommand", "vandoni", {.rispondiCon = 'A', .rispondiAlComando = 2}, {v415 + v497}, ACK + "A", {"415", "497"}},
      {"VandoniCharacterToEveryCommand", "vandoni", {.rispondiCon = 'A'}, {v497, v497guasta}, "AA", {"497", scartata}},
      {"VandoniCharacterToTheFirstThenRefusals", "vandoni", {.rifiutaPrimi = 2, .rispondiCon = 'A', .rispondiAlComando = 1}, {v497 + v497 + v497},
       "A" + NAK + ACK, {"497", "497 (rifiutato)", "497"}},
      {"VandoniSilent", "vandoni", {.muto = true}, {v497 + v497guasta}, "", {"497", scartata}},
      // the second is still answered; the third, in the same write, is not even heard
      {"VandoniHangsUpAfterTwoCommands", "vandoni", {.riagganciaDopo = 2}, {v497, v415 + v497, v497}, ACK + ACK, {"497", "415"}, true},
      {"VandoniHangsUpAtOnce", "vandoni", {.riagganciaDopo = 0}, {v497}, "", {}, true},
      {"OlivettiSilent", "olivetti", {.muto = true}, {o1322}, "", {"$1322 (apertura)"}},
      // the answer that never came is no success: the same command again is a retransmission
      {"OlivettiMissedAnswerThenRetransmission", "olivetti", {.rispondiCon = 'X', .rispondiAlComando = 2}, {o1322, o1322, o1322},
       ACK + ok1322 + "X" + ACK + ok1322,
       {"$1322 (apertura)", "$1322 (apertura)", "$1322 (apertura, ritrasmissione)"}},
      {"OlivettiBadStatusTwice", "olivetti", {.statoErratoPrimi = 2}, {o1322, ACK + o1322, ACK + o1322},
       ACK + ko1322 + ACK + ko1322 + ACK + ok1322,
       {"$1322 (apertura)", "$1322 (apertura, ritrasmissione)", "$1322 (apertura, ritrasmissione)"}},
      {"KabelWithoutReady", "kabel", {.kabelSenzaPronto = true}, {"\x02=\x03"}, b({0x13, 'O', 'K', 0x14}), {"= (contanti)"}},
      {"FrontieraDc3EveryThreeCharacters", "frontiera", {.dc3OgniK = 3, .dc3Durata = 0.25}, {"12=456="}, DC3 + DC1 + DC3 + DC1, {"12=", "456="}},
      // only the answer of the second command carries the character
      {"FrontieraCharacterToTheSecondCommand", "frontiera", {.rispondiCon = '?', .rispondiAlComando = 2, .dc3OgniK = 1}, {"K="}, DC3 + DC1 + "?" + DC3 + DC1,
       {"K (sincronizzazione)", "= (totale)"}},
      {"FrontieraSilent", "frontiera", {.muto = true, .dc3OgniK = 1}, {"K=1T"}, "",
       {"K (sincronizzazione)", "= (totale)", "1T (contanti)"}},
      {"FrontieraHangsUpAfterTwoCommands", "frontiera", {.riagganciaDopo = 2}, {"K=1T"}, "", {"K (sincronizzazione)", "= (totale)"}, true});
// clang-format on

// DC3 after every second character, DC1 a second later; two characters are tolerated once the program had
// 20 ms to hear the stop, any number before. `tempi`: when each character of "2*150H1R" arrives.
std::vector<std::string> GiornaleFrontiera(const std::vector<double>& tempi) {
  auto r = Registratore::crea("FRONTIERA", {.dc3OgniK = 2, .dc3Durata = 1.0});
  for (std::size_t i = 0; i < tempi.size(); ++i) {
    r->orologio(tempi[i]);
    r->ricevi(std::string(1, "2*150H1R"[i]));
  }
  return r->giornale();
}
TEST(Sim, FrontieraToleratesCharactersBeforeTheStopCouldBeHeard) {
  EXPECT_EQ(GiornaleFrontiera({0, 0.001, 0.002, 0.003, 1.1, 1.101, 2.2, 2.201}),
            std::vector<std::string>{"2*150H1R (vendita)"});
}
TEST(Sim, FrontieraReportsAStopNotKept) {
  EXPECT_EQ(
      GiornaleFrontiera({0, 0.001, 0.002, 0.021, 0.022, 0.023, 0.024, 0.025}),
      (std::vector<std::string>{"!! 3 caratteri ricevuti dopo DC3, prima di DC1 (arresto non rispettato)",
                                "2*150H1R (vendita)"}));
}

// The executable's own checks; it runs on a pseudo-terminal in the program's tests
// (paced, hanging up, journalling to a file).
TEST(SimEseguibile, UnknownFamilyOrBadOptionExitsWithTwo) {
  for (const char* argomenti : {"epson", "vandoni --rifiuta x", "vandoni --boh"}) {
    const int stato = std::system((std::string(SIMCASSA) + " " + argomenti + " 2>/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 2) << argomenti;
  }
}

}  // namespace
