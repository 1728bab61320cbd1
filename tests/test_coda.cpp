// The receipt queue against a simulated Vandoni register: the driver's command
// texts, whole receipts through the folder scan, restarts, the operator's
// choices, set-aside receipts and the journal of sent ones.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "drivers/vandoni.h"
#include "fakes.h"
#include "numero_errore.h"
#include "queue/scansione.h"
#include "queue/scontrino.h"
#include "shell/applicazione.h"
#include "shell/errore.h"

namespace quimbo::prova {
namespace {

using Comandi = std::vector<std::string>;

struct CasoVandoni {
  const char* nome;
  const char* riga;
  Comandi attesi;
};

class ComandiVandoni : public ::testing::TestWithParam<CasoVandoni> {};

TEST_P(ComandiVandoni, RecordBecomesTheseCommands) {
  const CasoVandoni& c = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  EXPECT_EQ(TrasVandoni(b.st, c.riga), 0);
  EXPECT_EQ(sim.comandi(), c.attesi);
  for (const std::string& riga : sim.giornale()) EXPECT_NE(riga.rfind("??", 0), 0u) << riga;
}

INSTANTIATE_TEST_SUITE_P(
    Righe, ComandiVandoni,
    ::testing::Values(
        CasoVandoni{"vendita", "00\tPANE\t2\t150\t3", {"40214", "2PANE           00000150031"}},
        CasoVandoni{"quantitaUno", "00\tPANE\t1\t150\t3", {"2PANE           00000150031"}},
        CasoVandoni{"quantitaDecimale", "00\tPANE\t1,5\t150\t3", {"401160514", "2PANE           00000150031"}},
        CasoVandoni{"senzaDescrizione", "00\t\t1\t150\t3", {"401050023"}},
        CasoVandoni{"soloSimboli", "00\t***\t1\t150\t3", {"401050023"}},
        CasoVandoni{"reparto105", "00\tPANE\t1\t150\t105", {"2PANE           00000150051"}},
        CasoVandoni{"reparto105Senza", "00\t \t1\t150\t105", {"401050025"}},
        CasoVandoni{"descrizioneLunga", "00\tPANE INTEGRALE DI SEGALE\t1\t123456789\t12",
                    {"2PANE INTEGRALE 23456789121"}},
        CasoVandoni{"prezzoDecimale", "00\tLATTE\t1\t1.2\t2", {"2LATTE          000001.2021"}},
        CasoVandoni{"contanti", "80\tC\t1500\t0\t0", {"419", "40050", "420", "497"}},
        CasoVandoni{"assegni", "80\ta\t1500\t0\t0\t2000", {"419", "40050", "457", "497"}},
        CasoVandoni{"sospeso", "80\tS\t1500\t0\t0", {"419", "40050", "458", "497"}},
        CasoVandoni{"carta", "80\tr\t1500\t100\t0", {"419", "401000050", "456", "497"}},
        CasoVandoni{"anticipoSospeso", "80\tS\t1500\t100\t500",
                    {"419", "401000050", "4090000", "458", "420", "497"}},
        CasoVandoni{"anticipoCarta", "80\tR\t1500\t0\t500", {"419", "40050", "401000000", "456", "420", "497"}},
        CasoVandoni{"intestazione", "10\tBENVENUTI", {}}, CasoVandoni{"lotteria", "LS\tABC12345", {}},
        CasoVandoni{"sconosciuto", "99", {}}),
    [](const auto& i) { return std::string(i.param.nome); });

struct CasoErrato {
  const char* riga;
  int errore;
  Comandi inviati;  // what went out before the error
};

TEST(ComandiVandoni, BadLinesFailAtTheRightMoment) {
  const CasoErrato casi[] = {
      {"00\t\t2\t150\t0", 9, {"40214"}},    // department 0 without description
      {"00\t\t1\t150", 9, {}},              // no department at all
      {"00\t\t1\t150\t21", 9, {}},          // past the table
      {"00\tPANE\tdue\t150\t1", 13, {}},    // quantity that is no number
      {"00\tPANE\t2", 9, {}},               // too few fields
      {"80\tX\t1500\t0\t0", 5, {}},         // no payment command for the letter
      {"80\tC\t1500\t0\t500", 5, {}},       // cash cannot pay the rest of an advance
      {"80\tC\t1500\t0", 9, {}},
  };
  for (const CasoErrato& c : casi) {
    Banco b;
    auto& sim = b.prepara("", "vandoni");
    EXPECT_EQ(numeroErrore([&] { TrasVandoni(b.st, c.riga); }), c.errore) << c.riga;
    EXPECT_EQ(sim.comandi(), c.inviati) << c.riga;
  }
}

TEST(ComandiVandoni, OperatorsChoiceEndsTheRecord) {
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rifiutaPrimi = 3});
  b.finestra.risposte = {Risposta::No};
  EXPECT_EQ(TrasVandoni(b.st, "80\tC\t1500\t0\t0"), 1);
  EXPECT_EQ(sim.comandi(), (Comandi{"419", "419", "419", "497", "497"}));
}

// ---- Whole receipts through the scan ----

const char* const kRicevuta = "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n";
const Comandi kComandiRicevuta = {"415", "415", "40214", "2PANE           00000150031", "419", "40050", "420", "497"};

TEST(Coda, OneReceiptTravelsByteForByteAndIsDeleted) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  std::string atteso;
  int progr = 32;
  for (const std::string& c : kComandiRicevuta) atteso += tramaVandoni(progr++, c);
  EXPECT_EQ(b.porta.scritto, atteso);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini"}));
}

TEST(Coda, TimerIsOffDuringTheScanAndOnAfterIt) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  bool acceso = true;
  b.pompa.alle(b.orologio.t, [&] { acceso = b.finestra.timerAbilitato; });
  Timer1_Timer(b.st);
  EXPECT_FALSE(acceso);
  EXPECT_TRUE(b.finestra.timerAbilitato);
  EXPECT_EQ(b.finestra.lavori, 1);
}

TEST(Coda, BlankLinesSendOnlyTheSynchronisation) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", "   \r\n\r\n  \r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"415", "415"}));
  EXPECT_FALSE(b.esiste("a.sco"));
}

TEST(Coda, LinesEndingInLfAloneAreLinesToo) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", "00\tPANE\t2\t150\t3\n80\tC\t300\t0\t0\t500");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
}

TEST(Coda, SynchronisationQuestionOkSynchronisesAgain) {
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rispondiCon = 'A', .rispondiAlComando = 2});
  b.scriviFile("a.sco", kRicevuta);
  b.finestra.risposte = {Risposta::Ok};
  Timer1_Timer(b.st);
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(b.finestra.domande[0].titolo, "Problemi di trasmissione");
  EXPECT_EQ(b.finestra.domande[0].testo,
            "Problemi di sincronizzazione con la cassa.\r\nRiprovo a sincronizzare ? ");
  EXPECT_EQ(b.finestra.domande[0].icona, Icona::Domanda);
  Comandi attesi = {"415", "415"};
  attesi.insert(attesi.end(), kComandiRicevuta.begin(), kComandiRicevuta.end());
  EXPECT_EQ(sim.comandi(), attesi);
  EXPECT_FALSE(b.esiste("a.sco"));
}

TEST(Coda, SynchronisationQuestionCancelSetsTheReceiptAside) {
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rispondiCon = 'A', .rispondiAlComando = 2});
  b.scriviFile("a.sco", kRicevuta);
  b.finestra.risposte = {Risposta::Annulla};
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"415", "415"}));
  EXPECT_EQ(b.leggiFile("badscont.bad"), kRicevuta);
  EXPECT_EQ(b.leggiFile("NomiFil.txt"), (b.cartella / "a.sco").string() + " 12-05-2026 07:10:03\r\n");
}

TEST(Coda, UnexpectedAnswerOnTheThirdLineThenOkRestarts) {
  Banco b;
  b.avvia("");
  simcassa::Guasti g;
  g.rispondiCon = 'A';
  g.rispondiAlComando = 5;  // 415, 415, line 1, line 2, line 3
  auto& sim = b.collega("vandoni", g);
  b.scriviFile("a.sco", "00\tA\t1\t1\t1\r\n00\tB\t1\t2\t1\r\n00\tC\t1\t3\t1\r\n80\tC\t6\t0\t0\r\n");
  b.finestra.risposte = {Risposta::Ok};
  Timer1_Timer(b.st);
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(b.finestra.domande[0].testo,
            "Problemi di trasmissione con la cassa.\r\nRiprovo a stampare lo scontrino ? ");
  EXPECT_EQ(b.finestra.domande[0].icona, Icona::Critico);
  const Comandi righe = {"2A              00000001011", "2B              00000002011",
                         "2C              00000003011"};
  Comandi attesi = {"415", "415", righe[0], righe[1], righe[2], "415", "415", righe[0], righe[1], righe[2],
                    "419", "40050", "420", "497"};
  EXPECT_EQ(sim.comandi(), attesi);
  EXPECT_FALSE(b.esiste("a.sco"));
}

// A register that refuses the sale line three times; the operator chooses.
struct CasoScelta {
  Risposta risposta;
  bool inviato;
};

class SceltaOperatore : public ::testing::TestWithParam<CasoScelta> {};

TEST_P(SceltaOperatore, ResendWholeReceiptOrStop) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  int rifiuti = 0;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (!sim.comandi().empty() && sim.comandi().back()[0] == '2' && rifiuti < 3) {
      ++rifiuti;
      return std::vector<simcassa::Uscita>{{0, "\x15"}};
    }
    return u;
  };
  b.scriviFile("a.sco", kRicevuta);
  b.finestra.risposte = {GetParam().risposta};
  Timer1_Timer(b.st);
  EXPECT_EQ(!b.esiste("a.sco") && !b.esiste("badscont.bad"), GetParam().inviato);
  EXPECT_EQ(b.esiste("badscont.bad"), !GetParam().inviato);
  if (GetParam().inviato) {
    // The whole receipt again, synchronisation included.
    Comandi atteso = {"415", "415", "40214", kComandiRicevuta[3], kComandiRicevuta[3], kComandiRicevuta[3],
                      "497", "497"};
    atteso.insert(atteso.end(), kComandiRicevuta.begin(), kComandiRicevuta.end());
    EXPECT_EQ(sim.comandi(), atteso);
  }
}

INSTANTIATE_TEST_SUITE_P(Scelte, SceltaOperatore,
                         ::testing::Values(CasoScelta{Risposta::No, true}, CasoScelta{Risposta::Annulla, false}));

TEST(Coda, FileThatVanishesIsLookedForElevenTimes) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  const double prima = b.orologio.t;
  EXPECT_FALSE(ElaboraScontrino(b.st, (b.cartella / "sparito.sco").string()));
  const double durata = b.orologio.t - prima;
  EXPECT_GE(durata, 20.0);
  EXPECT_LE(durata, 30.0);
  EXPECT_EQ(b.pompa.attese, 10 + 2);  // ten waits between attempts, two answers to "415"
  EXPECT_EQ(sim.comandi(), (Comandi{"415", "415"}));
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("n.53 (File not found) in s_scontrino prima"), std::string::npos);
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(b.finestra.domande[0].testo, "Errore: File not found");
  EXPECT_EQ(b.finestra.domande[0].icona, Icona::Critico);
  EXPECT_EQ(b.finestra.domande[0].titolo, "");
}

TEST(Coda, FileThatComesBackIsSent) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.pompa.alle(b.orologio.t + 5, [&] { b.scriviFile("tardi.sco", kRicevuta); });
  EXPECT_TRUE(ElaboraScontrino(b.st, (b.cartella / "tardi.sco").string()));
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
}

TEST(Coda, TwelveFilesTakeTwoTicks) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  for (int i = 0; i < 12; ++i) b.scriviFile("r" + std::to_string(i) + ".sco", "80\tC\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  size_t rimasti = 0;
  for (const auto& n : b.fileInCartella()) rimasti += n.size() > 4 && n.substr(n.size() - 4) == ".sco";
  EXPECT_EQ(rimasti, 2u);
  EXPECT_EQ(sim.comandi().size(), 10u * 6);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi().size(), 12u * 6);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini"}));
}

TEST(Coda, EmptyFileStaysUntouched) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("vuoto.sco", "");
  b.scriviFile("B.SCO", "80\tC\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini", "vuoto.sco"}));
}

TEST(Coda, TwoFailuresInARowKeepBothReceipts) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("a.sco", "80\tX\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  b.orologio.data.secondo = 9;
  b.scriviFile("b.sco", "80\tZ\t2\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(b.leggiFile("badscont.bad"), "80\tZ\t2\t0\t0\r\n");
  EXPECT_EQ(b.leggiFile("NomiFil.txt"), (b.cartella / "b.sco").string() + " 12-05-2026 07:10:09\r\n");
  EXPECT_EQ(b.leggiFile("scartati/20261205-071009_a.sco"), "80\tX\t1\t0\t0\r\n");
  // Each failure showed the error and was logged under the sending handler.
  ASSERT_EQ(b.finestra.domande.size(), 2u);
  EXPECT_EQ(b.finestra.domande[0].testo.rfind("Errore: Lettera di pagamento non valida", 0), 0u);
  EXPECT_NE(b.righeLog().at(0).find("in s_scontrino Dopo"), std::string::npos);
}

TEST(Coda, SetAsideArchiveNeverOverwrites) {
  Banco b;
  b.prepara("", "vandoni");
  for (const char* nome : {"a.sco", "a.sco", "a.sco", "a.sco"}) {
    b.scriviFile(nome, "80\tX\t1\t0\t0\r\n");
    Timer1_Timer(b.st);
  }
  int archiviati = 0;
  for (const auto& e : std::filesystem::directory_iterator(b.cartella / "scartati")) {
    (void)e;
    ++archiviati;
  }
  EXPECT_EQ(archiviati, 3);
  EXPECT_TRUE(b.esiste("badscont.bad"));
}

TEST(Coda, UnknownPaymentLetterSendsNothingOfItsLine) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", "00\tPANE\t1\t150\t3\r\n80\tQ\t150\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"415", "415", "2PANE           00000150031"}));
  EXPECT_TRUE(b.esiste("badscont.bad"));
  EXPECT_FALSE(b.esiste("a.sco"));
}

TEST(Coda, SentFileIsNeverSentAgain) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  // A stop between the last acknowledgement and the deletion left this behind.
  const auto id = IdentitaDi(b.cartella / "a.sco");
  ASSERT_TRUE(id);
  AggiungiInviato(b.cartella, *id);
  Timer1_Timer(b.st);
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini"}));
}

TEST(Coda, ChangedFileWithTheSameNameIsSent) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  AggiungiInviato(b.cartella, Identita{"a.sco", 3, 1});
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
  EXPECT_FALSE(b.esiste("inviati.txt"));
}

TEST(Coda, SentFileThatCannotBeDeletedIsNotSentAgain) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  const std::string file = (b.cartella / "a.sco").string();
  // Immutable: not even root may delete it.
  if (std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "chattr non disponibile";
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  std::system(("chattr -i '" + file + "'").c_str());
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);  // once only
  ASSERT_GE(b.righeLog().size(), 2u);
  EXPECT_NE(b.righeLog()[0].find("n.75 (Path/File access error) in TIMER1 (gestito dal programma)"),
            std::string::npos);
  EXPECT_TRUE(b.finestra.timerAbilitato);
  Timer1_Timer(b.st);  // deletable again: only the deletion is done
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"errori.txt", "quimbo.ini"}));
}

TEST(Coda, JournalThatCannotBeWrittenNeverCausesASecondPrint) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  std::filesystem::create_directory(b.cartella / "inviati.txt.nuovo");  // the journal cannot be written
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
  EXPECT_FALSE(b.esiste("a.sco"));
  ASSERT_FALSE(b.righeLog().empty());
  EXPECT_NE(b.righeLog()[0].find("in TIMER1 (gestito dal programma)"), std::string::npos);
}

TEST(Coda, SentFileThatCannotBeDeletedNorJournalledIsNotSentAgain) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  std::filesystem::create_directory(b.cartella / "inviati.txt.nuovo");
  const std::string file = (b.cartella / "a.sco").string();
  if (std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "chattr non disponibile";
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  std::system(("chattr -i '" + file + "'").c_str());
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);  // remembered in memory
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
}

TEST(Coda, FileDeletedByOthersDuringTheSendEndsTheTickHandled) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  b.scriviFile("b.sco", kRicevuta);
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 8) {
      std::filesystem::remove(b.cartella / "a.sco");
      std::filesystem::remove(b.cartella / "b.sco");
    }
    return u;
  };
  Timer1_Timer(b.st);
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("n.53 (File not found) in TIMER1 (gestito dal programma)"), std::string::npos);
  EXPECT_TRUE(b.finestra.timerAbilitato);
}

TEST(Coda, OtherErrorsStopTheScanAndSaySo) {
  Banco b;
  b.prepara("", "vandoni", {.rispondiCon = 'A', .rispondiAlComando = 2});
  b.scriviFile("a.sco", kRicevuta);
  b.finestra.erroreAllaDomanda = 5;
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.finestra.timerAbilitato);
  EXPECT_NE(b.st.TxtMsg.find("fermata"), std::string::npos);
  EXPECT_NE(b.righeLog().back().find("n.5 (Invalid procedure call or argument) in TIMER1"), std::string::npos);
  EXPECT_TRUE(b.esiste("a.sco"));
  const int abilitazioni = b.finestra.abilitazioniTimer;
  Timer1_Timer(b.st);
  EXPECT_EQ(b.finestra.abilitazioniTimer, abilitazioni);
}

TEST(Coda, TickDuringAButtonsExchangeDoesNothing) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  b.pompa.alle(b.orologio.t, [&] { Timer1_Timer(b.st); });
  CmdSblocca_click(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"497", "497"}));
  EXPECT_TRUE(b.esiste("a.sco"));
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco"));
}

TEST(Coda, FineDuringAReceiptLeavesTheFile) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 4) b.pompa.alle(b.orologio.t, [&] { Command1_Click(b.st); });
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.finestra.terminato);
  EXPECT_FALSE(b.porta.aperta());
  EXPECT_EQ(b.leggiFile("a.sco"), kRicevuta);
  EXPECT_FALSE(b.esiste("badscont.bad"));
  EXPECT_TRUE(b.finestra.domande.empty());
}

TEST(Coda, LostPortKeepsTheReceiptAndReopensLater) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  bool perso = false;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 4 && !perso) {
      perso = true;
      b.pompa.alle(b.orologio.t, [&] { b.porta.perdi("Input/output error"); });
    }
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_EQ(b.leggiFile("a.sco"), kRicevuta);
  EXPECT_FALSE(b.esiste("badscont.bad"));
  EXPECT_TRUE(b.finestra.timerAbilitato);
  // One loss, one line: the rest of the record fails quietly.
  EXPECT_EQ(b.righeLog().size(), 1u) << b.leggiFile("errori.txt");
  b.porta.apriFallisce = true;
  Timer1_Timer(b.st);
  EXPECT_EQ(b.st.TxtMsg, "Porta seriale non disponibile: No such file or directory");
  EXPECT_TRUE(b.esiste("a.sco"));
  b.porta.apriFallisce = false;
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(b.porta.aperture.size(), 3u);
}

TEST(Coda, FamilyWithoutDriverKeepsReceipts) {
  Banco b;
  b.avvia("Registratore=Kabel");
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.esiste("a.sco"));
  EXPECT_TRUE(b.porta.scritto.empty());
}

TEST(Coda, EachFamilySynchronisesInItsOwnWay) {
  Banco o;
  auto& oli = o.prepara("Registratore=Olivetti", "olivetti");
  o.st.msOliBuffer = "resto di prima";
  o.st.mbOliStx = true;
  o.scriviFile("a.sco", "\r\n");
  EXPECT_TRUE(ElaboraScontrino(o.st, (o.cartella / "a.sco").string()));
  EXPECT_EQ(oli.comandi(), (Comandi{"$1322"}));

  Banco f;
  f.avvia("Registratore=FRONTIERA");
  f.scriviFile("a.sco", "00\tPANE\t1\t1\t1\r\n");
  EXPECT_TRUE(ElaboraScontrino(f.st, (f.cartella / "a.sco").string()));
  EXPECT_EQ(f.porta.scritto.substr(0, 1), "K");
  EXPECT_EQ(f.finestra.ultimo(Campo::TxtManda), "00\tPANE\t1\t1\t1");  // the record being translated

  Banco k;
  k.avvia("Registratore=Kabel");
  k.scriviFile("a.sco", "\r\n");
  EXPECT_TRUE(ElaboraScontrino(k.st, (k.cartella / "a.sco").string()));
  EXPECT_TRUE(k.porta.scritto.empty());
}

TEST(Coda, KabelBaseConfigurationIsRestoredAfterTheReceipt) {
  for (bool riuscito : {true, false}) {
    Banco b;
    auto& sim = b.prepara("Registratore=Kabel\nConfBase=B1", "kabel");
    b.st.mbKabelConf = true;
    if (riuscito) b.scriviFile("a.sco", "\r\n");
    EXPECT_EQ(ElaboraScontrino(b.st, (b.cartella / "a.sco").string()), riuscito);
    // A file that could not be opened ends before the closing steps: the restore
    // waits for the next receipt.
    EXPECT_EQ(sim.comandi(), riuscito ? Comandi{"711{B1{"} : Comandi{}) << riuscito;
    EXPECT_EQ(b.st.mbKabelConf, !riuscito);
  }
}

}  // namespace
}  // namespace quimbo::prova
