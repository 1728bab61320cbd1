// The serial link against a scripted register: frames, receive processing, refusals, time limits, buttons.

#include <gtest/gtest.h>

#include "base/testo.h"
#include "base/util.h"
#include "fakes.h"
#include "link/comm.h"
#include "link/famiglia.h"
#include "link/invio.h"
#include "link/kabel.h"
#include "link/olivetti.h"
#include "link/scrittura.h"
#include "link/tasti.h"
#include "link/vandoni.h"
#include "nome_riga.h"
#include "numero_errore.h"

namespace quimbo::prova {
namespace {

using B = std::string;
using Comandi = std::vector<std::string>;
using std::make_pair;
using std::make_tuple;
const B STX = "\x02", ETX = "\x03", ACK = "\x06", NAK = "\x15", DC1 = "\x11", DC3 = "\x13", DC4 = "\x14";
const B kMuta = "Nessuna risposta dalla cassa";

// The Vandoni frames of these commands (separated by blanks), numbered from 32.
B trame(const B& comandi) {
  B r;
  int progr = 32;
  for (const B& c : util::Dividi(comandi, " ")) r += tramaVandoni(progr++, c);
  return r;
}

// After a receive event: the answer's code, whether it was a refusal, whether the sender still waits, and
// what the window shows. Vandoni shows every code and the last refusal wins; Frontiera follows DC3 and DC1
// in their order; Kabel shows its status and pauses after it.
struct Arrivo {
  const char *nome, *tipo;
  B ricevuto;
  int risposta;
  bool rifiutato, attende;
  const char* mostrato;
};
class Ricevuto : public ::testing::TestWithParam<Arrivo> {};

TEST_P(Ricevuto, IsReadTheFamilysOwnWay) {
  const Arrivo& c = GetParam();
  Banco b;
  b.avvia(B("Registratore=") + c.tipo);
  Link(b.st).mbAttesa = true;  // a sender waiting for its answer
  const double prima = b.orologio.t;
  b.porta.arriva(c.ricevuto);
  b.porta.consegna();
  Comm1_OnComm(b.st, evento::Receive);
  if (B(c.tipo) == "Vandoni") {
    EXPECT_EQ(StatoProprio<StatoVandoni>(b.st).miRisposta, c.risposta);
  }
  EXPECT_EQ(b.st.link.stato() == StatoScambio::RispostaInattesa, c.rifiutato)
      << static_cast<int>(b.st.link.stato());
  EXPECT_EQ(b.st.link.stato() == StatoScambio::InAttesa, c.attende);
  EXPECT_EQ(b.finestra.ultimo(Campo::TxtRit), c.mostrato);
  if (B(c.tipo) == "Kabel") {
    EXPECT_FALSE(StatoProprio<StatoKabel>(b.st).mbKabelStato);
  }
  EXPECT_NEAR(b.orologio.t - prima, B(c.tipo) == "Kabel" ? 0.2 : 0, 1e-9);
}
RIGHE(Ricezione, Ricevuto, {"VandoniAckThenNak", "Vandoni", ACK + NAK, 21, false, false, "6 , 21 , "},
      {"VandoniNakThenAck", "Vandoni", NAK + ACK, 21, false, false, "21 , 6 , "},
      {"FrontieraReleaseThenHold", "Frontiera", DC1 + DC3, 0, false, true, ""},
      {"KabelStatusSection", "Kabel", "Z" + DC3 + "OKz" + DC4, 0, false, false, "OKz"});

// Refusals, the unlock's two frames, then the operator decides. With Ritenta=2 the unlock is refused too: its
// own question comes first and its No ends it. Ritenta below 1 counts as 1.
struct Rifiuti {
  const char *nome, *ini;
  int nak;     // refusals before the first ACK
  int errori;  // the count the questions name
  bool scontrino;
  std::deque<Risposta> risposte;
  Comando atteso;
  const char* filo;  // the frames on the wire
  std::vector<Pulsanti> domande;
};
class Rifiutato : public ::testing::TestWithParam<Rifiuti> {};

TEST_P(Rifiutato, CommandIsUnlockedThenTheOperatorDecides) {
  const auto& [_, ini, nak, errori, scontrino, risposte, atteso, filo, domande] = GetParam();
  Banco b;
  b.prepara(ini, "vandoni", {.rifiutaPrimi = nak});
  b.finestra.risposte = risposte;
  const Comando r = InviaComando(b.st, "419", scontrino);
  EXPECT_EQ(make_pair(r.esito, r.codice), make_pair(atteso.esito, atteso.codice));
  EXPECT_EQ(b.porta.scritto, trame(filo));
  ASSERT_EQ(b.finestra.domande.size(), domande.size());
  for (size_t i = 0; i < domande.size(); ++i) {
    const Domanda& d = b.finestra.domande[i];
    EXPECT_EQ(make_tuple(d.titolo, d.icona, d.pulsanti), make_tuple("", Icona::Domanda, domande[i]));
    EXPECT_EQ(d.testo,
              "Verificati " + std::to_string(errori) + " errori in trasmissione\r\n" +
                  (d.pulsanti == Pulsanti::SiNo ? "Riprovo a trasmettere"
                                                : "Riprovo a trasmettere la sola riga (scelta SI)\r\n"
                                                  "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\n"
                                                  "Interrompo trasmissione dello scontrino"));
  }
}
using R = Risposta;
using P = Pulsanti;
using E = EsitoComando;
// clang-format off
RIGHE(InviaVandoni, Rifiutato, {"YesSendsTheLineAgain", "", 3, 3, true, {R::Si}, {E::Accettato, 0}, "419 419 419 497 497 419", {P::SiNoAnnulla}},
    {"OutsideAReceiptNoStops", "", 3, 3, false, {R::No}, {E::Fermato, 1}, "419 419 419 497 497", {P::SiNo}},
    {"RefusedUnlockIsAskedFirst", "Ritenta=2", 1000, 2, true, {R::No, R::Annulla}, {E::Fermato, 2}, "419 419 497 497",
     {P::SiNo, P::SiNoAnnulla}},
    {"RetriesBelowOneCountAsOne", "Ritenta=0", 1, 1, true, {R::Si}, {E::Accettato, 0}, "419 497 497 419", {P::SiNoAnnulla}});
// clang-format on

// Silence up to the time limit (Kabel's Pausa ends each wait; silent Olivetti: accepted after 2 s), a command
// too long to frame, endless retransmissions: what became of the command, the commands the register received,
// TxtMsg, the procedure of the only log line ("": none), the seconds taken (< 0: any).
struct Limite {
  const char *nome, *ini;  // ini: the family first
  simcassa::Guasti guasti;
  B comando;
  E esito;
  size_t comandi;
  B messaggio, log;
  double durata;
};
class Silenzio : public ::testing::TestWithParam<Limite> {};

TEST_P(Silenzio, EndsTheCommandAtItsTimeLimit) {
  const auto& [_, ini, guasti, comando, esito, comandi, messaggio, log, durata] = GetParam();
  Banco b;
  const B famiglia = B(ini).substr(0, B(ini).find('\n'));
  auto& sim = b.prepara("Registratore=" + B(ini), famiglia, guasti);
  const double prima = b.orologio.t;
  const Comando r = famiglia == "Olivetti" ? OlivSpedComando(b.st, AggCarContr(comando), true)
                                           : InviaComando(b.st, comando, true);
  EXPECT_EQ(make_tuple(r.esito, r.codice, sim.comandi().size(), b.st.TxtMsg),
            make_tuple(esito, 0, comandi, messaggio));
  EXPECT_FALSE(!Passato(esito) && b.st.link.mbAttesa()) << "a failed command left a wait pending";
  const Comandi righe = b.righeLog();
  EXPECT_EQ(righe.size(), log.empty() ? 0u : 1u);
  EXPECT_TRUE(log.empty() || (!righe.empty() && righe[0].ends_with(") in " + log) &&
                              righe[0].find("(" + messaggio) != B::npos))
      << b.leggiFile("errori.txt");
  EXPECT_NEAR(durata < 0 ? durata : b.orologio.t - prima, durata, 1e-9);
  EXPECT_EQ(famiglia == "Olivetti" ? b.pompa.attese : 0, 0);  // Olivetti's waits let no event through
}
const B kRifiutato = "Comando non accettato dalla cassa";
// clang-format off
RIGHE(Invio, Silenzio, {"VandoniSilentUntilTheLimit", "Vandoni\nTempoMaxRisposta=5", {.muto = true}, "415", E::SenzaRisposta, 1, kMuta, "f_trasmreg", 5},
    {"VandoniCommandTooLongToFrame", "Vandoni", {}, B(220, '1'), E::Rifiutato, 0, "", "f_trasmreg", 0},
    {"VandoniUnknownAnswerIsARefusal", "Vandoni", {.rispondiCon = 'X'}, "415", E::Rifiutato, 1, "", "", -1},
    {"KabelSilentAfterItsPause", "Kabel", {.muto = true}, "1", E::Inviato, 1, "", "", 0.005},
    {"KabelNeverReady", "Kabel\nPausa=0\nTempoMaxRisposta=2", {.kabelSenzaPronto = true}, "1", E::SenzaRisposta, 1, kMuta, "InviaCar", 2},
    {"OlivettiEndlessRetransmissions", "Olivetti", {.statoErratoPrimi = 1000}, "1322", E::Rifiutato, 60, kRifiutato, "InviaCar", -1},
    {"OlivettiSilentOutsideAReceiptIsAccepted", "Olivetti", {.muto = true}, "1322", E::Accettato, 1, "", "", 2 + 2 * 0.005},
    {"OlivettiNotWaitingForAnswers", "Olivetti\nAttRisposta=N", {}, "1322", E::Accettato, 1, "", "", -1});
// clang-format on

// A Frontiera DC3 with no DC1: the time limit ends the command, the hold stays and only a DC1 releases it.
TEST(Invio, FrontieraHoldOutlastsTheTimeLimitUntilReleased) {
  Banco b;
  b.avvia("Registratore=Frontiera\nTempoMaxRisposta=1");
  b.porta.cassa = [&](std::string_view) { return std::vector<simcassa::Uscita>{{0, DC3}}; };
  EXPECT_EQ(make_tuple(InviaComando(b.st, "DE", true).esito, b.porta.scritto, b.st.TxtMsg),
            make_tuple(E::SenzaRisposta, "D", kMuta));
  b.porta.cassa = nullptr;
  EXPECT_EQ(make_pair(InviaComando(b.st, "K", true).esito, b.porta.scritto),
            make_pair(E::SenzaRisposta, B("D")));
  b.porta.arriva(DC1, 0.5);
  EXPECT_EQ(make_pair(InviaComando(b.st, "K", true).esito, b.porta.scritto),
            make_pair(E::Accettato, B("DK")));
}

// Frame limits: errors 5 (length) and 6 (sum).
TEST(Trame, CommandTooLongOrWithBadBytesIsNoFrame) {
  EXPECT_EQ(TramaVandoni(40, B(219, 'A')).size(), 224u);
  EXPECT_EQ(numeroErrore([] { TramaVandoni(40, B(220, 'A')); }), 5);
  EXPECT_EQ(numeroErrore([] { TramaVandoni(40, B(200, '\xC8')); }), 6);
  EXPECT_EQ(numeroErrore([] { AggCarContr(B(224, 'x')); }), 5);
}

TEST(Trame, OlivettiChecksumKeepsFourHexDigits) {
  EXPECT_EQ(Comandi({AggCarContr("1322"), AggCarContr(""), ctr("$1322"), ctr("abc"), ctr(""),
                     ctr(B(256, '\xFF')), ctr(B(257, '\xFF')), ctr(B(258, '\xFF'))}),
            (Comandi{"$1322", " ", "00EC", "0126", "0000", "FF00", "FFFF", "00FE"}));
}

// An Olivetti answer is cut from the bytes around it, or completed by the next call after the 2 s window.
TEST(Trame, OlivettiAnswerIsCutFromTheBytesAroundIt) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.arriva("x" + STX + "ab");
  EXPECT_EQ(OliRispReg(b.st), "");
  b.porta.arriva("c" + ETX + "y");
  EXPECT_EQ(OliRispReg(b.st), STX + "abc" + ETX);
  b.porta.arriva(STX + "d" + ETX);
  EXPECT_EQ(OliRispReg(b.st), STX + "d" + ETX);
}

TEST(Trame, LostPortEndsTheOlivettiAnswerWindowAtOnce) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.perdi("Input/output error");
  const double prima = b.orologio.t;
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_EQ(b.orologio.t, prima);
  EXPECT_FALSE(ProvaDaRigaComandi(b.st, "1322"));
  EXPECT_EQ(b.righeLog().size(), 1u);
}

struct Pezzi {
  const char* nome;
  size_t lunghezza;
  std::vector<size_t> pezzi;
  int pause;
};
class Olivetti : public ::testing::TestWithParam<Pezzi> {};
TEST_P(Olivetti, WritesPiecesOfTenCharactersEachAfterAPause) {
  const auto& [_, lunghezza, pezzi, pause] = GetParam();
  Banco c;
  c.avvia("Registratore=Olivetti\nPausa=0,01");
  OliInviaStr(c.st, B(lunghezza, 'x'));
  std::vector<size_t> scritti;
  for (const auto& s : c.porta.scritture) scritti.push_back(s.size());
  EXPECT_EQ(scritti, pezzi);
  EXPECT_NEAR(c.orologio.dormito, pause * 0.01, 1e-9);
}
RIGHE(Trame, Olivetti, {"Empty", 0, {0}, 1}, {"Seven", 7, {7}, 1}, {"Ten", 10, {10}, 2},
      {"Eleven", 11, {10, 1}, 2}, {"Twenty", 20, {10, 10}, 3}, {"TwentyOne", 21, {10, 10, 1}, 3});

// --prova sends the text as a command (Olivetti's as typed), --sblocca the unlock (Vandoni twice, Frontiera
// K); each succeeds only when confirmed.
struct RigaDiComando {
  const char *nome, *ini;
  simcassa::Guasti guasti;
  const char* testo;
  B scritto;
  bool prova, sblocca;
};
class RigaComandi : public ::testing::TestWithParam<RigaDiComando> {};
TEST_P(RigaComandi, TestAndUnlockSucceedOnlyWhenConfirmed) {
  const auto& [_, ini, guasti, testo, scritto, prova, sblocca] = GetParam();
  Banco b;
  b.avvia("Registratore=" + B(ini));
  if (B(ini) != "Epson") b.collega(ini, guasti);
  EXPECT_EQ(ProvaDaRigaComandi(b.st, testo), prova);
  EXPECT_EQ(SbloccaDaRigaComandi(b.st), sblocca);
  EXPECT_EQ(b.porta.scritto, scritto);
}
RIGHE(Pulsanti, RigaComandi, {"Vandoni", "Vandoni", {}, "", trame(" 497 497"), true, true},
      {"Frontiera", "Frontiera", {}, "1", "1K", true, true},
      {"UnknownFamily", "Epson", {}, "1", "", false, false},
      {"KabelSilent", "Kabel", {.muto = true}, "1", STX + "1" + ETX, false, false},
      {"KabelHasNoUnlock", "Kabel", {}, "1", STX + "1" + ETX, true, false},
      {"OlivettiHasNoUnlock", "Olivetti", {}, "1322", "1322", true, false});

TEST(Pulsanti, ClickDuringAnExchangeStartsNothing) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    for (auto& x : u) x.ritardo += 1;
    return u;
  };
  b.pompa.alle(b.orologio.t + 0.5, [&] {
    CmdSblocca_click(b.st);
    comTest_Click(b.st);
  });
  InviaCar(b.st, "415", true);
  EXPECT_EQ(sim.comandi(), Comandi{"415"});
  EXPECT_EQ(b.finestra.occupato, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace quimbo::prova
