// The serial link against a scripted register: frames, receive processing, refusals, time limits, buttons.

#include <gtest/gtest.h>

#include "fakes.h"
#include "link/comm.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "link/tasti.h"
#include "numero_errore.h"
#include "shell/util.h"

namespace quimbo::prova {
namespace {

using B = std::string;
using Comandi = std::vector<std::string>;
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

// After a receive event: answer code, error and wait flags, [TxtRit]. Vandoni shows every code and the last
// refusal wins; Frontiera follows DC3 and DC1 in their order; Kabel shows its status and pauses after it.
TEST(Ricezione, OgniFamigliaASuoModo) {
  const std::tuple<const char*, B, const char*> casi[] = {{"Vandoni", ACK + NAK, "21 0 0 [6 , 21 , ]"},
                                                          {"Vandoni", NAK + ACK, "21 0 0 [21 , 6 , ]"},
                                                          {"Frontiera", DC1 + DC3, "0 0 1 []"},
                                                          {"Kabel", "Z" + DC3 + "OKz" + DC4, "0 0 0 [OKz]"}};
  for (const auto& [tipo, ricevuto, atteso] : casi) {
    Banco b;
    b.avvia(B("Registratore=") + tipo);
    b.st.mbAttesa = true;
    const double prima = b.orologio.t;
    b.porta.arriva(ricevuto);
    b.porta.consegna();
    Comm1_OnComm(b.st, evento::Receive);
    const Stato& s = b.st;
    EXPECT_EQ(std::to_string(s.miRisposta) + " " + std::to_string(s.mbErrTx) + " " +
                  std::to_string(s.mbAttesa) + " [" + s.TxtRit + "]",
              atteso);
    EXPECT_FALSE(s.mbKabelStato);
    EXPECT_NEAR(b.orologio.t - prima, B(tipo) == "Kabel" ? 0.2 : 0, 1e-9);
  }
}

// Refusals, the unlock's two frames, then the operator decides. With Ritenta=2 the unlock is refused too: its
// own question comes first and its No ends it. Ritenta below 1 counts as 1. Each case: ini lines, NAKs, count
// in the questions, receipt line?, answers, result, frames on the wire, the questions' buttons.
TEST(InviaVandoni, RifiutiSbloccoEDomanda) {
  using R = Risposta;
  using P = Pulsanti;
  const std::tuple<const char*, int, int, bool, std::deque<R>, int, const char*, std::vector<P>> casi[] = {
      {"", 3, 3, true, {R::Si}, 0, "419 419 419 497 497 419", {P::SiNoAnnulla}},
      {"", 3, 3, false, {R::No}, 1, "419 419 419 497 497", {P::SiNo}},
      {"Ritenta=2", 1000, 2, true, {R::No, R::Annulla}, 2, "419 419 497 497", {P::SiNo, P::SiNoAnnulla}},
      {"Ritenta=0", 1, 1, true, {R::Si}, 0, "419 497 497 419", {P::SiNoAnnulla}},
  };
  for (const auto& [ini, nak, errori, scontrino, risposte, esito, filo, domande] : casi) {
    SCOPED_TRACE(B(ini) + " " + filo);
    Banco b;
    b.prepara(ini, "vandoni", {.rifiutaPrimi = nak});
    b.finestra.risposte = risposte;
    EXPECT_EQ(InviaCar(b.st, "419", scontrino), esito);
    EXPECT_EQ(b.porta.scritto, trame(filo));
    ASSERT_EQ(b.finestra.domande.size(), domande.size());
    for (size_t i = 0; i < domande.size(); ++i) {
      const Domanda& d = b.finestra.domande[i];
      EXPECT_EQ(make_tuple(d.titolo, d.icona, d.pulsanti), make_tuple("", Icona::Domanda, domande[i]));
      EXPECT_EQ(d.testo,
                "Verificati " + std::to_string(errori) + " errori in trasmissione\r\n" +
                    (d.pulsanti == P::SiNo ? "Riprovo a trasmettere"
                                           : "Riprovo a trasmettere la sola riga (scelta SI)\r\n"
                                             "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\n"
                                             "Interrompo trasmissione dello scontrino"));
    }
  }
}

// Silence up to the time limit (Kabel's Pausa ends each wait; silent Olivetti: accepted after 2 s), a command
// too long to frame, endless retransmissions. Each case: family and ini lines, faults, command, commands
// received, error flag, TxtMsg, procedure of the only log line ("": none), seconds taken (< 0: any). A
// Frontiera DC3 with no DC1: the time limit ends the command, the hold stays and only a DC1 releases it.
TEST(Invio, SilenzioELimitiDiTempo) {
  const B rifiutato = "Comando non accettato dalla cassa";
  const std::tuple<const char*, simcassa::Guasti, B, size_t, bool, B, B, double> casi[] = {
      {"Vandoni\nTempoMaxRisposta=5", {.muto = true}, "415", 1, true, kMuta, "f_trasmreg", 5},
      {"Vandoni", {}, B(220, '1'), 0, true, "", "f_trasmreg", 0},
      {"Kabel", {.muto = true}, "1", 1, false, "", "", 0.005},
      {"Kabel\nPausa=0\nTempoMaxRisposta=2", {.kabelSenzaPronto = true}, "1", 1, true, kMuta, "InviaCar", 2},
      {"Olivetti", {.statoErratoPrimi = 1000}, "1322", 60, true, rifiutato, "InviaCar", -1},
      {"Olivetti", {.muto = true}, "1322", 1, false, "", "", 2 + 2 * 0.005},  // outside a receipt
      {"Olivetti\nAttRisposta=N", {}, "1322", 1, false, "", "", -1},
  };
  for (const auto& [ini, guasti, comando, comandi, errTx, messaggio, log, durata] : casi) {
    SCOPED_TRACE(B(ini) + " " + messaggio);
    Banco b;
    const B famiglia = B(ini).substr(0, B(ini).find('\n'));
    auto& sim = b.prepara("Registratore=" + B(ini), famiglia, guasti);
    const double prima = b.orologio.t;
    EXPECT_EQ(famiglia == "Olivetti" ? OlivSpedStr(b.st, AggCarContr(comando), true)
                                     : InviaCar(b.st, comando, true),
              0);
    EXPECT_EQ(make_tuple(sim.comandi().size(), b.st.mbErrTx, b.st.TxtMsg),
              make_tuple(comandi, errTx, messaggio));
    EXPECT_FALSE(errTx && b.st.mbAttesa) << "a failed command left a wait pending";
    const Comandi righe = b.righeLog();
    EXPECT_EQ(righe.size(), log.empty() ? 0u : 1u);
    EXPECT_TRUE(log.empty() || (!righe.empty() && righe[0].ends_with(") in " + log) &&
                                righe[0].find("(" + messaggio) != B::npos))
        << b.leggiFile("errori.txt");
    EXPECT_NEAR(durata < 0 ? durata : b.orologio.t - prima, durata, 1e-9);
    EXPECT_EQ(famiglia == "Olivetti" ? b.pompa.attese : 0, 0);  // Olivetti's waits let no event through
  }
  Banco b;
  b.avvia("Registratore=Frontiera\nTempoMaxRisposta=1");
  b.porta.cassa = [&](std::string_view) { return std::vector<simcassa::Uscita>{{0, DC3}}; };
  InviaCar(b.st, "DE", true);
  EXPECT_EQ(make_tuple(b.porta.scritto, b.st.mbErrTx, b.st.TxtMsg, b.st.mbAttesa),
            make_tuple("D", true, kMuta, true));
  b.st.mbErrTx = false;
  b.porta.cassa = nullptr;
  b.porta.arriva(DC1, 0.5);
  InviaCar(b.st, "K", true);
  EXPECT_EQ(make_tuple(b.porta.scritto, b.st.mbErrTx), make_tuple("DK", false));
}

// Frame limits: errors 5 (length) and 6 (sum); checksums keep four hex digits (the examples: test_coda). An
// Olivetti answer is cut from the bytes around it, or completed by the next call after the 2 s window; a lost
// port ends the window at once, logged once. Olivetti writes pieces of ten characters, each after a pause.
TEST(Trame, LimitiRisposteOlivettiEPezziDiDieci) {
  EXPECT_EQ(TramaVandoni(40, B(219, 'A')).size(), 224u);
  EXPECT_EQ(make_tuple(numeroErrore([] { TramaVandoni(40, B(220, 'A')); }),
                       numeroErrore([] { TramaVandoni(40, B(200, '\xC8')); }),
                       numeroErrore([] { AggCarContr(B(224, 'x')); })),
            make_tuple(5, 6, 5));
  EXPECT_EQ(Comandi({AggCarContr("1322"), AggCarContr(""), ctr("$1322"), ctr("abc"), ctr(""),
                     ctr(B(256, '\xFF')), ctr(B(257, '\xFF')), ctr(B(258, '\xFF'))}),
            (Comandi{"$1322", " ", "00EC", "0126", "0000", "FF00", "FFFF", "00FE"}));
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.arriva("x" + STX + "ab");
  EXPECT_EQ(OliRispReg(b.st), "");
  b.porta.arriva("c" + ETX + "y");
  EXPECT_EQ(OliRispReg(b.st), STX + "abc" + ETX);
  EXPECT_EQ(make_tuple(b.st.msOliBuffer, b.st.mbOliStx), make_tuple("y", false));
  b.porta.perdi("Input/output error");
  const double prima = b.orologio.t;
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_EQ(b.orologio.t, prima);
  EXPECT_FALSE(ProvaDaRigaComandi(b.st, "1322"));
  EXPECT_EQ(b.righeLog().size(), 1u);

  const std::tuple<size_t, std::vector<size_t>, int> casi[] = {
      {0, {0}, 1}, {7, {7}, 1}, {10, {10}, 2}, {11, {10, 1}, 2}, {20, {10, 10}, 3}, {21, {10, 10, 1}, 3}};
  for (const auto& [lunghezza, pezzi, pause] : casi) {
    Banco c;
    c.avvia("Registratore=Olivetti\nPausa=0,01");
    OliInviaStr(c.st, B(lunghezza, 'x'));
    std::vector<size_t> scritti;
    for (const auto& s : c.porta.scritture) scritti.push_back(s.size());
    EXPECT_EQ(scritti, pezzi) << lunghezza;
    EXPECT_NEAR(c.orologio.dormito, pause * 0.01, 1e-9) << lunghezza;
  }
}

// --prova sends the text as a command (Olivetti's as typed), --sblocca the unlock (Vandoni twice, Frontiera
// K); each succeeds only when confirmed. A click during an exchange, when the link is busy, starts nothing.
TEST(Pulsanti, ProvaSbloccaEClicDuranteUnoScambio) {
  const std::tuple<const char*, simcassa::Guasti, const char*, B, bool, bool> casi[] = {
      {"Vandoni", {}, "", trame(" 497 497"), true, true},
      {"Frontiera", {}, "1", "1K", true, true},
      {"Epson", {}, "1", "", false, false},
      {"Kabel", {.muto = true}, "1", STX + "1" + ETX, false, false},
      {"Kabel", {}, "1", STX + "1" + ETX, true, false},
      {"Olivetti", {}, "1322", "1322", true, false},
  };
  for (const auto& [ini, guasti, testo, scritto, prova, sblocca] : casi) {
    Banco b;
    const B famiglia = B(ini).substr(0, B(ini).find('\n'));
    b.avvia("Registratore=" + B(ini));
    if (famiglia != "Epson") b.collega(famiglia, guasti);
    EXPECT_EQ(ProvaDaRigaComandi(b.st, testo), prova) << ini;
    EXPECT_EQ(SbloccaDaRigaComandi(b.st), sblocca) << ini;
    EXPECT_EQ(b.porta.scritto, scritto) << ini;
  }
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
  EXPECT_EQ(make_tuple(sim.comandi(), b.finestra.occupato),
            make_tuple(Comandi{"415"}, std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace quimbo::prova
