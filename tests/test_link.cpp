// The serial link: frames and checksums on the wire, the receive processing of
// each family, and InviaCar's acknowledgement, pacing, retries and dialogs
// against a scripted register.

#include <gtest/gtest.h>

#include "fakes.h"
#include "link/comm.h"
#include "link/invio.h"
#include "link/olivetti.h"
#include "numero_errore.h"
#include "shell/applicazione.h"
#include "shell/util.h"

namespace quimbo::prova {
namespace {

using B = std::string;
using Comandi = std::vector<std::string>;
using std::make_tuple;
const B STX = "\x02", ETX = "\x03", ACK = "\x06", NAK = "\x15", DC1 = "\x11", DC3 = "\x13", DC4 = "\x14";
const char* const kMuta = "Nessuna risposta dalla cassa";

// The Vandoni frames of these commands, numbered on from `progr`.
B trame(const Comandi& comandi, int progr = 32) {
  B r;
  for (const B& c : comandi) r += tramaVandoni(static_cast<int16_t>(progr++), c);
  return r;
}

TEST(Trame, VandoniEOlivetti) {
  EXPECT_EQ(TramaVandoni(32, "497"), B("\x02\x20\x27\x34\x39\x37\x03\x70"));
  EXPECT_EQ(TramaVandoni(126, ""), B("\x02\x7e$\x03'"));
  EXPECT_EQ(TramaVandoni(40, B(219, 'A')).size(), 224u);
  // Too long; 200 characters of code 200 push the sum past 32767.
  EXPECT_EQ(make_tuple(numeroErrore([] { TramaVandoni(40, B(220, 'A')); }),
                       numeroErrore([] { TramaVandoni(40, B(200, '\xC8')); })),
            make_tuple(5, 6));
  EXPECT_EQ(make_tuple(AggCarContr("1322"), AggCarContr("")), make_tuple("$1322", " "));
  EXPECT_EQ(numeroErrore([] { AggCarContr(B(224, 'x')); }), 5);
  EXPECT_EQ(Comandi({ctr("abc"), ctr(""), ctr(B(256, '\xFF')), ctr(B(257, '\xFF')), ctr(B(258, '\xFF'))}),
            (Comandi{"0126", "0000", "FF00", "FFFF", "00FE"}));
}

// ---- Receive processing ----

// What a receive event leaves: the answer code, the error and wait flags, [TxtRit] and the Olivetti buffer.
std::string dopoRicezione(Banco& b) {
  const Stato& s = b.st;
  return std::to_string(s.miRisposta) + " " + std::to_string(s.mbErrTx) + " " + std::to_string(s.mbAttesa) +
         " [" + s.TxtRit + "] " + s.msOliBuffer;
}

// Vandoni and Olivetti: codes; Olivetti without answers buffers everything; Frontiera follows DC3 and DC1 in
// their order; Kabel shows its status section up to the ready sign.
TEST(Ricezione, OgniFamigliaASuoModo) {
  const std::tuple<const char*, B, const char*> casi[] = {
      {"Vandoni", ACK, "6 0 0 [6 , ] "},
      {"Vandoni", NAK, "21 0 0 [21 , ] "},
      {"Vandoni", "A", "65 1 0 [65 , ] "},
      {"Vandoni", ACK + NAK, "21 0 0 [6 , 21 , ] "},
      {"Vandoni", NAK + ACK, "21 0 0 [21 , 6 , ] "},
      {"Vandoni", "", "6 0 0 [] "},
      {"Olivetti", NAK, "21 0 0 [21 , ] "},
      {"Olivetti\nAttRisposta=N", "ab", "0 0 1 [] ab"},
      {"Frontiera", DC3 + DC1, "0 0 0 [] "},
      {"Frontiera", DC1 + DC3, "0 0 1 [] "},
      {"Frontiera", "x", "0 0 1 [] "},
      {"Kabel", "Z" + DC3 + "OKz" + DC4, "0 0 0 [OKz] "},
  };
  for (const auto& [tipo, ricevuto, atteso] : casi) {
    Banco b;
    b.avvia(B("Registratore=") + tipo);
    b.st.mbAttesa = true;
    const double prima = b.orologio.t;
    b.porta.arriva(ricevuto);
    b.porta.consegna();
    Comm1_OnComm(b.st, evento::Receive);
    EXPECT_EQ(dopoRicezione(b), atteso) << tipo << " " << ricevuto.size();
    EXPECT_FALSE(b.st.mbKabelStato);
    EXPECT_NEAR(b.orologio.t - prima, B(tipo) == "Kabel" ? 0.2 : 0, 1e-9);  // the pause after the ready sign
  }
}

TEST(Ricezione, EventiDiLineaEPortaPersa) {
  Banco b;
  b.avvia("");
  const std::pair<int, const char*> casi[] = {
      {1001, "' A Break was received."},  {1004, "Framing Error"}, {5, "Change in the CD line"},
      {1008, "Receive buffer overflow."}, {1009, "Parity Error."}, {4242, "Parity Error."}};
  for (auto [codice, testo] : casi) {
    Comm1_OnComm(b.st, codice);
    EXPECT_EQ(b.st.TxtMsg, testo) << codice;  // an unknown event leaves the message as it was
  }
  b.porta.perdi("Input/output error");
  EXPECT_EQ(b.st.TxtMsg, "Porta seriale non disponibile: Input/output error");
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("in Comm1_OnComm"), B::npos);
}

// ---- Sending ----

TEST(InviaVandoni, TramaAccettataSequenzaEVisualizzazione) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  EXPECT_EQ(InviaCar(b.st, "497", true), 0);
  EXPECT_EQ(b.st.TxtManda, tramaVandoni(32, "497") + "   ,32");
  EXPECT_EQ(make_tuple(b.st.TxtRit, b.st.miProgr, b.st.mbErrTx), make_tuple("6 , ", 33, false));
  b.st.miProgr = 126;  // the sequence wraps to 32
  InviaCar(b.st, "1", true);
  InviaCar(b.st, "2", true);
  EXPECT_EQ(b.porta.scritto, trame({"497"}) + trame({"1"}, 126) + trame({"2"}));
  EXPECT_EQ(sim.comandi(), (Comandi{"497", "1", "2"}));
  EXPECT_TRUE(b.finestra.domande.empty());
}

struct CasoRifiuto {
  const char* ini;
  int rifiuta, errori;  // NAKs from the register; the count the question gives
  bool scontrino;
  std::deque<Risposta> risposte;
  int esito;
  const char* comandi;  // every frame on the wire, numbered on from 32
  std::vector<Pulsanti> domande;
};

// A refusal series, the unlock's two frames, then the operator decides. With Ritenta=2 the unlock is refused
// too: its own question comes first, and no unlock starts inside it. Fewer than one retry counts as one.
TEST(InviaVandoni, RifiutiSbloccoEDomanda) {
  using R = Risposta;
  using P = Pulsanti;
  const CasoRifiuto casi[] = {
      {"", 3, 3, true, {R::Si}, 0, "419 419 419 497 497 419", {P::SiNoAnnulla}},
      {"", 3, 3, true, {R::No}, 1, "419 419 419 497 497", {P::SiNoAnnulla}},
      {"", 3, 3, true, {R::Annulla}, 2, "419 419 419 497 497", {P::SiNoAnnulla}},
      {"", 3, 3, false, {R::No}, 1, "419 419 419 497 497", {P::SiNo}},
      {"Ritenta=2", 1000, 2, true, {R::No, R::Annulla}, 2, "419 419 497 497", {P::SiNo, P::SiNoAnnulla}},
      {"Ritenta=0", 1, 1, true, {R::Si}, 0, "419 497 497 419", {P::SiNoAnnulla}},
  };
  for (const CasoRifiuto& c : casi) {
    SCOPED_TRACE(B(c.ini) + " " + c.comandi);
    Banco b;
    b.prepara(c.ini, "vandoni", {.rifiutaPrimi = c.rifiuta});
    b.finestra.risposte = c.risposte;
    EXPECT_EQ(InviaCar(b.st, "419", c.scontrino), c.esito);
    EXPECT_EQ(b.porta.scritto, trame(util::Dividi(c.comandi, " ")));
    ASSERT_EQ(b.finestra.domande.size(), c.domande.size());
    for (size_t i = 0; i < c.domande.size(); ++i) {
      const Domanda& d = b.finestra.domande[i];
      EXPECT_EQ(make_tuple(d.titolo, d.icona, d.pulsanti), make_tuple("", Icona::Domanda, c.domande[i]));
      EXPECT_EQ(d.testo,
                "Verificati " + std::to_string(c.errori) + " errori in trasmissione\r\n" +
                    (d.pulsanti == P::SiNo ? "Riprovo a trasmettere"
                                           : "Riprovo a trasmettere la sola riga (scelta SI)\r\n"
                                             "Riprovo a trasmettere l'intero scontrino (scelta NO)\r\n"
                                             "Interrompo trasmissione dello scontrino"));
    }
  }
}

struct CasoInvio {
  const char* ini;  // the family, then more lines
  simcassa::Guasti guasti;
  B comando;    // Olivetti's goes as one field through OlivSpedStr
  int comandi;  // commands the register got
  bool errTx;
  B messaggio;    // TxtMsg afterwards; "": not checked
  B log;          // in the only line of the error log; "": no line
  double durata;  // on the fake clock; < 0: not checked
};

// One command that the register does not simply accept, for each family: an unexpected answer, silence up to
// the time limit (Kabel's Pausa ends every wait by itself; a silent Olivetti counts as accepted after 2 s),
// a command too long to frame, retransmissions. A failed command leaves no wait pending.
TEST(Invio, RisposteInatteseELimitiDiTempo) {
  const B rifiutato = "Comando non accettato dalla cassa";
  const CasoInvio casi[] = {
      {"Vandoni", {.rispondiCon = 'A'}, "415", 1, true, "", "", -1},
      {"Vandoni\nTempoMaxRisposta=5", {.muto = true}, "415", 1, true, kMuta, "dalla cassa) in f_trasmreg", 5},
      {"Vandoni", {}, B(220, '1'), 0, true, "", "in f_trasmreg", 0},
      {"Kabel", {.muto = true}, "1", 1, false, "", "", 0.005},
      {"Kabel\nPausa=0\nTempoMaxRisposta=2", {.kabelSenzaPronto = true}, "1", 1, true, kMuta, "InviaCar", 2},
      {"Olivetti", {.statoErratoPrimi = 2}, "1322", 3, false, "", "", -1},
      {"Olivetti", {.statoErratoPrimi = 1000}, "1322", 60, true, rifiutato, "in InviaCar", -1},
      {"Olivetti", {.muto = true}, "1322", 1, false, "", "", 2 + 2 * 0.005},
      {"Olivetti\nAttRisposta=N", {}, "1322", 1, false, "", "", -1},
  };
  for (const CasoInvio& c : casi) {
    SCOPED_TRACE(B(c.ini) + " " + c.messaggio);
    Banco b;
    const B famiglia = B(c.ini).substr(0, B(c.ini).find('\n'));
    auto& sim = b.prepara("Registratore=" + B(c.ini), famiglia, c.guasti);
    const double prima = b.orologio.t;
    if (famiglia == "Olivetti")
      EXPECT_EQ(OlivSpedStr(b.st, AggCarContr(c.comando), true), 0);
    else
      EXPECT_EQ(InviaCar(b.st, c.comando, true), 0);
    EXPECT_EQ(sim.comandi().size(), static_cast<size_t>(c.comandi));
    EXPECT_EQ(b.st.mbErrTx, c.errTx);
    if (c.errTx) EXPECT_FALSE(b.st.mbAttesa);
    if (!c.messaggio.empty()) EXPECT_EQ(b.st.TxtMsg, c.messaggio);
    ASSERT_EQ(b.righeLog().size(), c.log.empty() ? 0u : 1u);
    if (!c.log.empty()) EXPECT_NE(b.righeLog()[0].find(c.log), B::npos) << b.righeLog()[0];
    if (c.durata >= 0) EXPECT_NEAR(b.orologio.t - prima, c.durata, 1e-9);
    if (famiglia == "Olivetti") EXPECT_EQ(b.pompa.attese, 0);  // its waits let no event through
  }
}

// Frontiera writes one character at a time; a DC3 holds the next until the DC1. Without the DC1 the time
// limit ends the command and the hold stays: only a DC1 may release it.
TEST(InviaFrontiera, UnCarattereAllaVoltaTrattenutoDaDc3) {
  Banco b;
  b.avvia("Registratore=Frontiera\nTempoMaxRisposta=1");
  b.porta.cassa = [&](std::string_view scritti) {
    return scritti == "A" ? std::vector<simcassa::Uscita>{{0, DC3}, {0.5, DC1}}
                          : std::vector<simcassa::Uscita>{};
  };
  const double prima = b.orologio.t;
  EXPECT_EQ(InviaCar(b.st, "", true), 0);
  EXPECT_EQ(InviaCar(b.st, "ABC", true), 0);
  EXPECT_EQ(b.porta.scritture, (Comandi{"A", "B", "C"}));
  EXPECT_GE(b.orologio.t - prima, 0.5);  // B waited for the DC1
  EXPECT_LT(b.orologio.t - prima, 0.51);

  b.porta.cassa = [&](std::string_view) { return std::vector<simcassa::Uscita>{{0, DC3}}; };
  InviaCar(b.st, "DE", true);
  EXPECT_EQ(b.porta.scritto, "ABCD");
  EXPECT_EQ(make_tuple(b.st.mbErrTx, b.st.TxtMsg, b.st.mbAttesa), make_tuple(true, kMuta, true));
  b.st.mbErrTx = false;
  b.porta.cassa = nullptr;
  b.porta.arriva(DC1, 0.5);
  InviaCar(b.st, "K", true);
  EXPECT_EQ(b.porta.scritto, "ABCDK");
  EXPECT_FALSE(b.st.mbErrTx);
}

TEST(InviaOlivetti, TramaAPezziERispostaConfermata) {
  Banco b;
  auto& sim = b.prepara("Registratore=Olivetti", "olivetti");
  EXPECT_EQ(OlivSpedStr(b.st, AggCarContr("1322"), true), 0);
  const B trama = B("\x02\x24\x31\x33\x32\x32\x30\x30\x45\x43\x03");
  ASSERT_GE(b.porta.scritture.size(), 2u);
  EXPECT_EQ(make_tuple(b.porta.scritture[0], b.porta.scritture[1]),
            make_tuple(trama.substr(0, 10), trama.substr(10)));
  EXPECT_EQ(sim.comandi(), Comandi{"$1322"});
  EXPECT_NE(b.porta.scritto.find(ACK, trama.size()),
            B::npos);  // the register's answer frame was acknowledged
  EXPECT_FALSE(b.st.mbErrTx);
}

// An ACK alone is answered; frames are cut from the bytes around them, and one cut by the 2 s window is
// completed by the next call. A lost port ends the window at once and is logged only when lost.
TEST(OliRispReg, TramaRicevutaETagliata) {
  Banco b;
  b.avvia("Registratore=Olivetti");
  b.porta.arriva(ACK);
  b.porta.arriva("x" + STX + "a" + ETX + "y", 0.1);
  EXPECT_EQ(OliRispReg(b.st), STX + "a" + ETX);
  EXPECT_EQ(make_tuple(b.porta.scritto, b.st.msOliBuffer, b.st.mbOliStx), make_tuple(ACK, "y", false));
  b.st.msOliBuffer.clear();
  b.porta.arriva(STX + "ab");
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_TRUE(b.st.mbOliStx);
  b.porta.arriva("c" + ETX);
  EXPECT_EQ(OliRispReg(b.st), STX + "abc" + ETX);

  b.porta.perdi("Input/output error");
  const double prima = b.orologio.t;
  EXPECT_EQ(OliRispReg(b.st), "");
  EXPECT_EQ(b.orologio.t, prima);
  EXPECT_FALSE(ProvaDaRigaComandi(b.st, "1322"));
  EXPECT_EQ(b.righeLog().size(), 1u);
}

TEST(OliInviaStr, PezziDiDieci) {
  const std::tuple<size_t, std::vector<size_t>, int> casi[] = {
      {0, {0}, 1}, {7, {7}, 1}, {10, {10}, 2}, {11, {10, 1}, 2}, {20, {10, 10}, 3}, {21, {10, 10, 1}, 3}};
  for (const auto& [lunghezza, pezzi, pause] : casi) {
    Banco b;
    b.avvia("Registratore=Olivetti\nPausa=0,01");
    OliInviaStr(b.st, B(lunghezza, 'x'));
    std::vector<size_t> scritti;
    for (const auto& s : b.porta.scritture) scritti.push_back(s.size());
    EXPECT_EQ(scritti, pezzi) << lunghezza;
    EXPECT_NEAR(b.orologio.dormito, pause * 0.01, 1e-9) << lunghezza;
  }
}

// ---- The two buttons and their command-line forms ----

// Vandoni sends the unlock twice, with the link busy meanwhile; refused and then given up, the second is not
// sent. Frontiera sends K, the others nothing.
TEST(Pulsanti, Sblocca) {
  Banco v;
  v.prepara("", "vandoni");
  CmdSblocca_click(v.st);
  EXPECT_EQ(v.porta.scritto, trame({"497", "497"}));
  EXPECT_EQ(make_tuple(v.st.mbErrTx, v.finestra.occupato), make_tuple(false, std::vector<bool>{true, false}));
  Banco r;
  auto& sim = r.prepara("", "vandoni", {.rifiutaPrimi = 3});
  r.finestra.risposte = {Risposta::No};
  EXPECT_FALSE(SbloccaDaRigaComandi(r.st));
  EXPECT_EQ(sim.comandi().size(), 5u);  // 3 refused, 2 of the nested unlock
  for (const auto& [tipo, scritto] : {std::pair{"Frontiera", "K"}, {"Olivetti", ""}, {"Kabel", ""}}) {
    Banco b;
    b.avvia(B("Registratore=") + tipo);
    CmdSblocca_click(b.st);
    EXPECT_EQ(b.porta.scritto, scritto) << tipo;
  }
}

// The test text goes as a command of the family (Olivetti's unframed, as typed); --prova and --sblocca
// succeed only when the register confirmed: not on an odd answer, a silent register, an unknown family, a
// Kabel wait that ran out without the ready sign. A Kabel has nothing to unlock.
TEST(Pulsanti, ProvaESbloccaDaRigaDiComando) {
  const std::tuple<const char*, simcassa::Guasti, const char*, B, bool, bool> casi[] = {
      {"Vandoni", {}, "", tramaVandoni(32, ""), true, true},
      {"Vandoni", {.rispondiCon = '?'}, "1", tramaVandoni(32, "1"), false, false},
      {"Vandoni\nTempoMaxRisposta=1", {.muto = true}, "1", tramaVandoni(32, "1"), false, false},
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
    EXPECT_EQ(b.porta.scritto, scritto) << ini;
    EXPECT_EQ(SbloccaDaRigaComandi(b.st), sblocca) << ini;
  }
}

TEST(Pulsanti, ClicDuranteUnoScambioNonNeAvviaUnAltro) {
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
}

}  // namespace
}  // namespace quimbo::prova
