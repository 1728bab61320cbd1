// The serial link: frames and checksums on the wire, the receive processing of
// each family, and InviaCar's acknowledgement, pacing, retries and dialogs
// against a scripted register.

#include <gtest/gtest.h>

#include "fakes.h"
#include "link/comm.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "shell/applicazione.h"
#include "shell/errore.h"

namespace quimbo::prova {
namespace {

using B = std::string;
const B STX = "\x02", ETX = "\x03", ACK = "\x06", NAK = "\x15", DC1 = "\x11", DC3 = "\x13", DC4 = "\x14";

TEST(TramaVandoni, WorkedExampleByteForByte) {
  EXPECT_EQ(TramaVandoni(32, "497"), B("\x02\x20\x27\x34\x39\x37\x03\x70"));
}

TEST(TramaVandoni, EmptyDataAndLimits) {
  EXPECT_EQ(TramaVandoni(126, ""), B("\x02\x7e$\x03") + static_cast<char>((2 + 126 + 36 + 3) % 128));
  EXPECT_EQ(TramaVandoni(40, std::string(219, 'A')).size(), 224u);
  EXPECT_THROW(TramaVandoni(40, std::string(220, 'A')), Errore);
  // 200 characters of code 200 push the sum past 32767.
  EXPECT_THROW(TramaVandoni(40, std::string(200, '\xC8')), Errore);
}

TEST(Olivetti, FieldsAndChecksums) {
  EXPECT_EQ(AggCarContr("1322"), "$1322");
  EXPECT_EQ(AggCarContr(""), " ");
  EXPECT_THROW(AggCarContr(std::string(224, 'x')), Errore);
  EXPECT_EQ(ctr("abc"), "0126");
  EXPECT_EQ(ctr(""), "0000");
  EXPECT_EQ(ctr(std::string(256, '\xFF')), "FF00");
  EXPECT_EQ(ctr(std::string(257, '\xFF')), "FFFF");
  EXPECT_EQ(ctr(std::string(258, '\xFF')), "00FE");
}

// ---- Receive processing ----

struct CasoRicezione {
  const char* nome;
  B ricevuto;
  int risposta;
  bool errTx;
  const char* txtRit;
};

class RicezioneVandoni : public ::testing::TestWithParam<CasoRicezione> {};

TEST_P(RicezioneVandoni, AnswerCodeFlagsAndDisplay) {
  const CasoRicezione c = GetParam();
  Banco b;
  b.avvia("");
  b.st.mbAttesa = true;
  b.porta.arriva(c.ricevuto);
  b.porta.consegna();
  Comm1_OnComm(b.st, evento::Receive);
  EXPECT_EQ(b.st.miRisposta, c.risposta);
  EXPECT_EQ(b.st.mbErrTx, c.errTx);
  EXPECT_FALSE(b.st.mbAttesa);
  EXPECT_EQ(b.st.TxtRit, c.txtRit);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, RicezioneVandoni,
    ::testing::Values(CasoRicezione{"ack", ACK, 6, false, "6 , "}, CasoRicezione{"nak", NAK, 21, false, "21 , "},
                      CasoRicezione{"lettera", "A", 65, true, "65 , "},
                      CasoRicezione{"ackNak", ACK + NAK, 21, false, "6 , 21 , "},
                      CasoRicezione{"nakAck", NAK + ACK, 21, false, "21 , 6 , "},
                      CasoRicezione{"vuoto", "", 6, false, ""}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST(Ricezione, FrontieraFollowsDc3AndDc1InOrder) {
  struct {
    B ricevuto;
    bool attesa;
  } casi[] = {{DC3, true}, {DC3 + DC1, false}, {DC1 + DC3, true}, {"x", false}};
  for (const auto& c : casi) {
    Banco b;
    b.avvia("Registratore=Frontiera");
    b.porta.arriva(c.ricevuto);
    b.porta.consegna();
    Comm1_OnComm(b.st, evento::Receive);
    EXPECT_EQ(b.st.mbAttesa, c.attesa) << c.ricevuto.size();
  }
}

TEST(Ricezione, KabelStatusSectionAndReadySign) {
  Banco b;
  b.avvia("Registratore=Kabel");
  b.st.mbAttesa = true;
  const double prima = b.orologio.t;
  b.porta.arriva("Z" + DC3 + "OKz" + DC4);
  b.porta.consegna();
  Comm1_OnComm(b.st, evento::Receive);
  EXPECT_EQ(b.st.TxtRit, "OKz");
  EXPECT_FALSE(b.st.mbAttesa);
  EXPECT_FALSE(b.st.mbKabelStato);
  EXPECT_NEAR(b.orologio.t - prima, 0.2, 1e-9);  // the pause after the ready sign
}

TEST(Ricezione, OlivettiWithoutAnswersBuffersEverything) {
  Banco b;
  b.avvia("Registratore=Olivetti\nAttRisposta=N");
  b.porta.arriva("ab");
  b.porta.consegna();
  Comm1_OnComm(b.st, evento::Receive);
  EXPECT_EQ(b.st.msOliBuffer, "ab");
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(Ricezione, LineEventsShowTheirMessages) {
  Banco b;
  b.avvia("");
  const std::pair<int, const char*> casi[] = {{1001, "' A Break was received."},
                                              {1004, "Framing Error"},
                                              {5, "Change in the CD line"},
                                              {1008, "Receive buffer overflow."},
                                              {1009, "Parity Error."}};
  for (auto [codice, testo] : casi) {
    Comm1_OnComm(b.st, codice);
    EXPECT_EQ(b.st.TxtMsg, testo);
  }
  Comm1_OnComm(b.st, 4242);
  EXPECT_EQ(b.st.TxtMsg, "Parity Error.");
}

TEST(Ricezione, LostPortIsShownAndLoggedOnce) {
  Banco b;
  b.avvia("");
  b.porta.perdi("Input/output error");
  EXPECT_EQ(b.st.TxtMsg, "Porta seriale non disponibile: Input/output error");
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("in Comm1_OnComm"), std::string::npos);
}

// ---- Vandoni send ----

TEST(InviaVandoni, AcceptedFrameAndTrafficDisplay) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  EXPECT_EQ(InviaCar(b.st, "497", true), 0);
  EXPECT_EQ(b.porta.scritto, tramaVandoni(32, "497"));
  EXPECT_EQ(sim.comandi(), std::vector<std::string>{"497"});
  EXPECT_EQ(b.st.TxtManda, tramaVandoni(32, "497") + "   ,32");
  EXPECT_EQ(b.st.TxtRit, "6 , ");
  EXPECT_EQ(b.st.miProgr, 33);
  EXPECT_TRUE(b.finestra.domande.empty());
}

TEST(InviaVandoni, SequenceWrapsFrom126To32) {
  Banco b;
  b.prepara("", "vandoni");
  b.st.miProgr = 126;
  InviaCar(b.st, "1", true);
  InviaCar(b.st, "2", true);
  EXPECT_EQ(b.porta.scritto, tramaVandoni(126, "1") + tramaVandoni(32, "2"));
}

TEST(InviaVandoni, UnexpectedAnswerGoesOnButFlagsTheCaller) {
  Banco b;
  b.prepara("", "vandoni", {.rispondiCon = 'A'});
  EXPECT_EQ(InviaCar(b.st, "415", true), 0);
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_EQ(b.porta.scritture.size(), 1u);
}

TEST(InviaVandoni, TooLongCommandIsLoggedAndNotSent) {
  Banco b;
  b.prepara("", "vandoni");
  EXPECT_EQ(InviaCar(b.st, std::string(220, '1'), true), 0);
  EXPECT_TRUE(b.porta.scritto.empty());
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("in f_trasmreg"), std::string::npos);
  // It did not reach the register: the caller must not take it for accepted.
  EXPECT_TRUE(b.st.mbErrTx);
}

struct CasoRifiuto {
  bool scontrino;
  Risposta risposta;
  int risultato;
  int frame;  // frames written in all
};

class RifiutiVandoni : public ::testing::TestWithParam<CasoRifiuto> {};

// Three NAKs, the unlock's two accepted frames, then the operator decides.
TEST_P(RifiutiVandoni, RefusalSeriesUnlockAndDialog) {
  const CasoRifiuto c = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rifiutaPrimi = 3});
  b.finestra.risposte = {c.risposta};
  EXPECT_EQ(InviaCar(b.st, "419", c.scontrino), c.risultato);
  std::vector<std::string> attesi = {"419", "419", "419", "497", "497"};
  if (c.risposta == Risposta::Si) attesi.push_back("419");
  EXPECT_EQ(sim.comandi(), attesi);
  EXPECT_EQ(b.porta.scritture.size(), static_cast<size_t>(c.frame));
  EXPECT_EQ(b.porta.scritture[0], tramaVandoni(32, "419"));
  EXPECT_EQ(b.porta.scritture[2], tramaVandoni(34, "419"));
  EXPECT_EQ(b.porta.scritture[3], tramaVandoni(35, "497"));
  EXPECT_EQ(b.porta.scritture[4], tramaVandoni(36, "497"));
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  const Domanda& d = b.finestra.domande[0];
  EXPECT_EQ(d.titolo, "");
  EXPECT_EQ(d.icona, Icona::Domanda);
  if (c.scontrino) {
    EXPECT_EQ(d.pulsanti, Pulsanti::SiNoAnnulla);
    EXPECT_EQ(d.testo,
              "Verificati 3 errori in trasmissione\r\nRiprovo a trasmettere la sola riga (scelta SI)\r\n"
              "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\nInterrompo trasmissione dello scontrino");
  } else {
    EXPECT_EQ(d.pulsanti, Pulsanti::SiNo);
    EXPECT_EQ(d.testo, "Verificati 3 errori in trasmissione\r\nRiprovo a trasmettere");
  }
}

INSTANTIATE_TEST_SUITE_P(Scelte, RifiutiVandoni,
                         ::testing::Values(CasoRifiuto{true, Risposta::Si, 0, 6},
                                           CasoRifiuto{true, Risposta::No, 1, 5},
                                           CasoRifiuto{true, Risposta::Annulla, 2, 5},
                                           CasoRifiuto{false, Risposta::No, 1, 5}));

TEST(InviaVandoni, RefusedUnlockNeverNestsAnotherUnlock) {
  Banco b;
  auto& sim = b.prepara("Ritenta=2", "vandoni", {.rifiutaPrimi = 1000});
  // Outer series asks after the unlock; the unlock's own series asks too, and
  // gives up (No) without starting a second unlock.
  b.finestra.risposte = {Risposta::No, Risposta::Annulla};
  EXPECT_EQ(InviaCar(b.st, "419", true), 2);
  EXPECT_EQ(sim.comandi(), (std::vector<std::string>{"419", "419", "497", "497"}));
  ASSERT_EQ(b.finestra.domande.size(), 2u);
  EXPECT_EQ(b.finestra.domande[0].pulsanti, Pulsanti::SiNo);        // the unlock's
  EXPECT_EQ(b.finestra.domande[1].pulsanti, Pulsanti::SiNoAnnulla);  // the receipt line's
}

TEST(InviaVandoni, RetriesBelowOneCountAsOne) {
  Banco b;
  auto& sim = b.prepara("Ritenta=0", "vandoni", {.rifiutaPrimi = 1});
  b.finestra.risposte = {Risposta::Si};
  EXPECT_EQ(InviaCar(b.st, "420", true), 0);
  EXPECT_EQ(sim.comandi(), (std::vector<std::string>{"420", "497", "497", "420"}));
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(b.finestra.domande[0].testo.rfind("Verificati 1 errori", 0), 0u);  // the count actually used
}

TEST(InviaVandoni, SilentRegisterTimesOutWithTheLimit) {
  Banco b;
  b.prepara("TempoMaxRisposta=5", "vandoni", {.muto = true});
  const double prima = b.orologio.t;
  EXPECT_EQ(InviaCar(b.st, "415", true), 0);
  EXPECT_DOUBLE_EQ(b.orologio.t - prima, 5);
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_EQ(b.st.TxtMsg, "Nessuna risposta dalla cassa");
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("(Nessuna risposta dalla cassa) in f_trasmreg"), std::string::npos);
}

TEST(InviaVandoni, LostPortEndsTheWaitAsAFailure) {
  Banco b;
  b.prepara("", "vandoni", {.muto = true});
  b.pompa.alle(b.orologio.t + 1, [&] { b.porta.perdi("Input/output error"); });
  EXPECT_EQ(InviaCar(b.st, "415", true), 0);
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_FALSE(b.st.mbAttesa);
}

// ---- Frontiera ----

TEST(InviaFrontiera, OneCharacterAtATimeHeldByDc3) {
  Banco b;
  b.avvia("Registratore=Frontiera");
  b.porta.cassa = [&](std::string_view scritti) {
    std::vector<simcassa::Uscita> u;
    if (scritti == "A") u = {{0, DC3}, {0.5, DC1}};
    return u;
  };
  const double prima = b.orologio.t;
  EXPECT_EQ(InviaCar(b.st, "ABC", true), 0);
  EXPECT_EQ(b.porta.scritture, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_GE(b.orologio.t - prima, 0.5);  // B waited for the DC1
  EXPECT_LT(b.orologio.t - prima, 0.51);
}

TEST(InviaFrontiera, EmptyCommandWritesNothing) {
  Banco b;
  b.avvia("Registratore=Frontiera");
  EXPECT_EQ(InviaCar(b.st, "", true), 0);
  EXPECT_TRUE(b.porta.scritto.empty());
}

TEST(InviaFrontiera, Dc3WithoutDc1TimesOutAndTheHoldStays) {
  Banco b;
  b.avvia("Registratore=Frontiera\nTempoMaxRisposta=1");
  b.porta.cassa = [&](std::string_view) { return std::vector<simcassa::Uscita>{{0, DC3}}; };
  InviaCar(b.st, "AB", true);
  EXPECT_EQ(b.porta.scritto, "A");
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_EQ(b.st.TxtMsg, "Nessuna risposta dalla cassa");
  EXPECT_TRUE(b.st.mbAttesa);  // still held: only a DC1 may release it
  b.st.mbErrTx = false;
  b.porta.cassa = nullptr;
  b.porta.arriva(DC1, 0.5);
  InviaCar(b.st, "K", true);
  EXPECT_EQ(b.porta.scritto, "AK");
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaFrontiera, AgainstTheSimulatorsFlowControl) {
  Banco b;
  auto& sim = b.prepara("Registratore=Frontiera", "frontiera", {.dc3OgniK = 2, .dc3Durata = 0.05});
  InviaCar(b.st, "K", true);
  InviaCar(b.st, "12345", true);
  EXPECT_EQ(b.porta.scritto, "K12345");
  for (const std::string& riga : sim.giornale()) EXPECT_NE(riga.rfind("!! ", 0), 0u) << riga;
}

// ---- Kabel ----

TEST(InviaKabel, FramedCommandWaitsForTheReadySign) {
  Banco b;
  auto& sim = b.prepara("Registratore=Kabel\nPausa=0", "kabel");
  EXPECT_EQ(InviaCar(b.st, "711{x{", true), 0);
  EXPECT_EQ(b.porta.scritto, STX + "711{x{" + ETX);
  EXPECT_EQ(sim.comandi(), std::vector<std::string>{"711{x{"});
  EXPECT_EQ(b.st.TxtRit, "OKz");
  EXPECT_FALSE(b.st.mbAttesa);
}

TEST(InviaKabel, DefaultPauseEndsEachWaitAfterFiveMilliseconds) {
  Banco b;
  b.prepara("Registratore=Kabel", "kabel", {.muto = true});
  const double prima = b.orologio.t;
  InviaCar(b.st, "1", true);
  EXPECT_NEAR(b.orologio.t - prima, 0.005, 1e-9);
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaKabel, NoPauseAndNoReadySignStopsAtTheLimit) {
  Banco b;
  b.prepara("Registratore=Kabel\nPausa=0\nTempoMaxRisposta=2", "kabel", {.kabelSenzaPronto = true});
  InviaCar(b.st, "1", true);
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_EQ(b.st.TxtMsg, "Nessuna risposta dalla cassa");
}

// ---- Olivetti ----

TEST(InviaOlivetti, FrameInPiecesAnswerAcknowledged) {
  Banco b;
  auto& sim = b.prepara("Registratore=Olivetti", "olivetti");
  EXPECT_EQ(OlivSpedStr(b.st, AggCarContr("1322"), true), 0);
  const B frame = B("\x02\x24\x31\x33\x32\x32\x30\x30\x45\x43\x03");
  ASSERT_GE(b.porta.scritture.size(), 2u);
  EXPECT_EQ(b.porta.scritture[0], frame.substr(0, 10));
  EXPECT_EQ(b.porta.scritture[1], frame.substr(10));
  EXPECT_EQ(sim.comandi(), std::vector<std::string>{"$1322"});
  // The register's answer frame was acknowledged.
  EXPECT_NE(b.porta.scritto.find(ACK, frame.size()), std::string::npos);
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaOlivetti, BadStatusIsRetransmittedUnchanged) {
  Banco b;
  auto& sim = b.prepara("Registratore=Olivetti", "olivetti", {.statoErratoPrimi = 2});
  OlivSpedStr(b.st, AggCarContr("1322"), true);
  EXPECT_EQ(sim.comandi(), (std::vector<std::string>{"$1322", "$1322", "$1322"}));
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaOlivetti, NeverAcceptedIsReported) {
  Banco b;
  auto& sim = b.prepara("Registratore=Olivetti", "olivetti", {.statoErratoPrimi = 1000});
  OlivSpedStr(b.st, AggCarContr("1322"), true);
  EXPECT_EQ(sim.comandi().size(), 60u);  // 10 sends, each with 5 retransmissions
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_EQ(b.st.TxtMsg, "Comando non accettato dalla cassa");
}

TEST(InviaOlivetti, SilentRegisterCountsAsAcceptedAfterTwoSeconds) {
  Banco b;
  b.prepara("Registratore=Olivetti", "olivetti", {.muto = true});
  const double prima = b.orologio.t;
  OlivSpedStr(b.st, AggCarContr("1322"), true);
  EXPECT_NEAR(b.orologio.t - prima, 2 + 2 * 0.005, 1e-9);
  EXPECT_EQ(b.pompa.attese, 0);  // no event was processed
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaOlivetti, WithoutAnswersTheFrameGoesOnce) {
  Banco b;
  auto& sim = b.prepara("Registratore=Olivetti\nAttRisposta=N", "olivetti");
  OlivSpedStr(b.st, AggCarContr("1322"), true);
  EXPECT_EQ(sim.comandi().size(), 1u);
}

TEST(OliRispReg, AckAloneIsAnsweredAndFramesAreCut) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.arriva(ACK);
  b.porta.arriva("x" + STX + "a" + ETX + "y", 0.1);
  EXPECT_EQ(OliRispReg(b.st), STX + "a" + ETX);
  EXPECT_EQ(b.porta.scritto, ACK);
  EXPECT_EQ(b.st.msOliBuffer, "y");
  EXPECT_FALSE(b.st.mbOliStx);
}

TEST(OliRispReg, FrameCutByTheWindowIsCompletedLater) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.arriva(STX + "ab");
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_TRUE(b.st.mbOliStx);
  b.porta.arriva("c" + ETX);
  EXPECT_EQ(OliRispReg(b.st), STX + "abc" + ETX);
}

TEST(OliRispReg, LostPortEndsTheWindowAtOnce) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.perdi("Input/output error");
  const double prima = b.orologio.t;
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_EQ(b.orologio.t, prima);
  EXPECT_FALSE(ProvaDaRigaComandi(b.st, "1322"));
  EXPECT_EQ(b.righeLog().size(), 1u);  // the loss itself, nothing after it
}

TEST(OliInviaStr, PiecesOfTen) {
  struct {
    size_t lunghezza;
    std::vector<size_t> pezzi;
    double pause;
  } casi[] = {{0, {0}, 1}, {7, {7}, 1}, {10, {10}, 2}, {11, {10, 1}, 2}, {20, {10, 10}, 3}, {21, {10, 10, 1}, 3}};
  for (const auto& c : casi) {
    Banco b;
    b.avvia("Registratore=Olivetti\nPausa=0,01");
    OliInviaStr(b.st, std::string(c.lunghezza, 'x'));
    std::vector<size_t> pezzi;
    for (const auto& s : b.porta.scritture) pezzi.push_back(s.size());
    EXPECT_EQ(pezzi, c.pezzi) << c.lunghezza;
    EXPECT_NEAR(b.orologio.dormito, c.pause * 0.01, 1e-9) << c.lunghezza;
  }
}

// ---- The two buttons ----

TEST(Sblocca, VandoniSendsTheUnlockTwice) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  CmdSblocca_click(b.st);
  EXPECT_EQ(b.porta.scritto, tramaVandoni(32, "497") + tramaVandoni(33, "497"));
  EXPECT_EQ(sim.comandi().size(), 2u);
  EXPECT_FALSE(b.st.mbErrTx);
  EXPECT_EQ(b.finestra.occupato, (std::vector<bool>{true, false}));
}

TEST(Sblocca, RefusedThenNoStopsAfterTheFirst) {
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rifiutaPrimi = 3});
  b.finestra.risposte = {Risposta::No};
  EXPECT_FALSE(SbloccaDaRigaComandi(b.st));
  // 3 refused, 2 of the nested unlock, then No: the second "497" of the click is not sent.
  EXPECT_EQ(sim.comandi().size(), 5u);
}

TEST(Sblocca, FrontieraSendsKAndOthersNothing) {
  Banco f;
  f.avvia("Registratore=Frontiera");
  CmdSblocca_click(f.st);
  EXPECT_EQ(f.porta.scritto, "K");
  for (const char* tipo : {"Olivetti", "Kabel"}) {
    Banco b;
    b.avvia(std::string("Registratore=") + tipo);
    CmdSblocca_click(b.st);
    EXPECT_TRUE(b.porta.scritto.empty()) << tipo;
  }
}

TEST(Prova, TestTextTravelsAsACommandOfTheFamily) {
  Banco v;
  v.prepara("", "vandoni");
  v.finestra.provaTesto = "";
  comTest_Click(v.st);
  EXPECT_EQ(v.porta.scritto, tramaVandoni(32, ""));

  Banco o;
  auto& sim = o.prepara("Registratore=Olivetti", "olivetti");
  EXPECT_TRUE(ProvaDaRigaComandi(o.st, "1322"));
  EXPECT_EQ(o.porta.scritture[0], "1322");  // unframed, as typed
  sim.quiete();
  ASSERT_FALSE(sim.giornale().empty());
  EXPECT_NE(sim.giornale()[0].find("1322"), std::string::npos);
}

TEST(Prova, ExitStatusFollowsTheRegister) {
  Banco ok;
  ok.prepara("", "vandoni");
  EXPECT_TRUE(ProvaDaRigaComandi(ok.st, "497"));

  Banco strano;
  strano.prepara("", "vandoni", {.rispondiCon = '?'});
  EXPECT_FALSE(ProvaDaRigaComandi(strano.st, "497"));

  Banco sconosciuto;
  sconosciuto.avvia("Registratore=Epson");
  EXPECT_FALSE(ProvaDaRigaComandi(sconosciuto.st, "497"));
  EXPECT_FALSE(SbloccaDaRigaComandi(sconosciuto.st));

  Banco kabel;
  kabel.prepara("Registratore=Kabel", "kabel", {.muto = true});
  EXPECT_FALSE(ProvaDaRigaComandi(kabel.st, "1"));  // the limit passed without a ready sign
  EXPECT_FALSE(SbloccaDaRigaComandi(kabel.st));     // nothing to unlock
  kabel.collega("kabel");
  EXPECT_TRUE(ProvaDaRigaComandi(kabel.st, "1"));

  Banco muto;
  muto.prepara("TempoMaxRisposta=1", "vandoni", {.muto = true});
  EXPECT_FALSE(ProvaDaRigaComandi(muto.st, "497"));
}

TEST(Pulsanti, ClickDuringAnExchangeStartsNoSecondOne) {
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
  EXPECT_EQ(sim.comandi(), std::vector<std::string>{"415"});
}

}  // namespace
}  // namespace quimbo::prova
