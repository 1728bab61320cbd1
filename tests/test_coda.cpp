// The receipt queue against a simulated register: whole receipts through the
// folder scan, the check of every line before anything is sent, restarts, the
// operator's choices, set-aside receipts and the journal of sent ones.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <iostream>
#include <optional>

#include "base/chiusura.h"
#include "fakes.h"
#include "link/tasti.h"
#include "nome_riga.h"
#include "queue/giornale.h"
#include "queue/scansione.h"
#include "queue/scontrino.h"

namespace quimbo::prova {
namespace {

using Comandi = std::vector<std::string>;

const char* const kRicevuta = "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n";
const Comandi kComandiRicevuta = {"415", "415",   "40214", "2PANE           00000150031",
                                  "419", "40050", "420",   "497"};

std::string TrameVandoni(const Comandi& comandi) {
  std::string r;
  int progr = 32;
  for (const std::string& c : comandi) r += tramaVandoni(progr++, c);
  return r;
}

// One receipt per family, on the wire byte for byte: the synchronisation, then
// every command with that family's framing (Kabel's base configuration back at the
// end); the file is deleted, and the timer is off for the length of the scan.
struct RicevutaDiFamiglia {
  const char *nome, *ini, *famiglia, *righe;
  std::string filo;
};

std::vector<RicevutaDiFamiglia> RicevuteDiFamiglia() {
  const std::string Q = "\"", S = "\x02", E = "\x03", A = "\x06";
  std::string oli;
  for (const char* c :
       {"$1322", "$1325#150$PANE  !0", "$1327#100", "$1329#500(Anticipo", "$1329#900'Sospeso", "$1323"})
    oli += simcassa::tramaOlivetti(c) + A + A;  // each answer is acknowledged: the ACK, then the status frame
  // clang-format off
  return {
      {"Vandoni", "", "vandoni", kRicevuta, TrameVandoni(kComandiRicevuta)},
      {"VandoniLineFeedAlone", "", "vandoni", "00\tPANE\t2\t150\t3\n80\tC\t300\t0\t0\t500", TrameVandoni(kComandiRicevuta)},
      {"BlankLinesOnlySynchronise", "", "vandoni", "   \r\n\r\n  \r\n", TrameVandoni({"415", "415"})},
      {"FrontieraWithLotteryCodeAndDisplay", "Registratore=Frontiera\nTotDisplay=S", "frontiera",
       "00\tPANE\t2\t150\t1\r\n00\tLATTE\t1\t120\t2\r\nLS\tABC12345\r\n80\tC\t420\t0\t0\t500\r\n",
       "K" + Q + "PANE      " + Q + "2*150H1R" + Q + "LATTE     " + Q + "120H2R" + Q + "ABC12345" + Q + "@37F" +
           "=500H1T" + Q + "Totale" + Q + "1%" + Q + "5,00" + Q + "2%"},
      {"Olivetti", "Registratore=Olivetti", "olivetti", "00\tPANE\t1\t150\r\n80\tS\t1500\t100\t500\t0\r\n", oli},
      {"KabelWithHeader", "Registratore=Kabel\nConfBase=12045678", "kabel",
       "10\tINTESTAZIONE\r\n00\tPANE\t2\t1.5\t1\r\n80\tA\t1500\t0\t0\t500\r\n",
       S + "711{12145678{" + E + S + "222{dINTESTAZIONE{" + E + S + "2x1.5" + Q + "PANE" + Q + "X" + E + S + "500=" +
           E + S + "1000S" + E + S + "711{12045678{" + E},
  };
  // clang-format on
}

class Ricevuta : public ::testing::TestWithParam<RicevutaDiFamiglia> {
 protected:
  // `vecchia`: the register's answer to an earlier run is still coming in as the port opens (a hold and its
  // release for Frontiera, half a status section for Kabel).
  void Invia(bool vecchia) {
    const auto& c = GetParam();
    const std::map<std::string, std::string> vecchie = {
        {"vandoni", "\x06"},
        {"frontiera", "\x13\x11"},
        {"olivetti", "\x06" + simcassa::tramaOlivetti("$1323!3")},
        {"kabel", "\x13O"}};
    Banco b;
    if (vecchia) b.porta.arriva(vecchie.at(c.famiglia), 0.01);
    auto& sim = b.prepara(c.ini, c.famiglia);
    b.scriviFile("a.sco", c.righe);
    std::optional<bool> acceso;  // Olivetti's waits let no events through
    b.pompa.alle(b.orologio.t, [&] { acceso = b.timer.abilitato; });
    Timer1_Timer(b.st);
    EXPECT_EQ(b.porta.scritto, c.filo);
    EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini"}));
    for (const std::string& riga : sim.giornale()) EXPECT_NE(riga.rfind("??", 0), 0u) << riga;
    EXPECT_EQ(acceso, std::string(c.famiglia) == "olivetti" ? std::nullopt : std::optional(false));
    EXPECT_TRUE(b.timer.abilitato);
    EXPECT_EQ(b.finestra.lavori, 1);
  }
};

TEST_P(Ricevuta, GoesOnTheWireByteForByte) { Invia(false); }
TEST_P(Ricevuta, GoesOnTheWireWithAStaleAnswerComingIn) { Invia(true); }
INSTANTIATE_TEST_SUITE_P(Coda, Ricevuta, ::testing::ValuesIn(RicevuteDiFamiglia()), PerNome);

// The end of a receipt's sending decides what becomes of its file.
struct FineEdEsito {
  const char* nome;
  FineInvio fine;
  Esito esito;
};
class FineDellInvio : public ::testing::TestWithParam<FineEdEsito> {};
TEST_P(FineDellInvio, DecidesTheOutcomeOfTheReceipt) {
  EXPECT_EQ(EsitoDi(GetParam().fine), GetParam().esito);
}
// clang-format off
RIGHE(Coda, FineDellInvio, {"FinishedIsSent", {.finito = true}, Esito::Inviato},
    {"UnexpectedAnswerToTheLastLineFails", {.finito = true, .errore = true}, Esito::Fallito},
    {"UnexpectedAnswerToTheLastLineInPaymentIsInDoubt", {.finito = true, .errore = true, .inPagamento = true}, Esito::InDubbio},
    {"DoubtfulErrorInPaymentIsInDoubt", {.errore = true, .dubbio = true, .inPagamento = true}, Esito::InDubbio},
    {"SilentBeforeTheTotalLineWaits", {.muta = true}, Esito::Trattenuto},
    {"PortLostBeforeTheTotalLineWaits", {.portaPersa = true}, Esito::Trattenuto},
    {"SilentInPaymentMayBePrinted", {.muta = true, .inPagamento = true}, Esito::InDubbio},
    {"PortLostInPaymentMayBePrinted", {.portaPersa = true, .inPagamento = true}, Esito::InDubbio},
    {"OperatorGaveUpFails", {}, Esito::Fallito},
    {"OperatorGaveUpAfterAnUnlockSentTheClosingIsInDoubt", {.inPagamento = true}, Esito::InDubbio},
    {"BadLineIsNoLostLine", {.portaPersa = true, .eccezione = true}, Esito::Fallito},
    {"BadLineInPaymentIsInDoubt", {.inPagamento = true, .eccezione = true}, Esito::InDubbio});
// clang-format on

const char* const kSincronizzazione =
    "Problemi di sincronizzazione con la cassa.\r\nRiprovo a sincronizzare ? ";
const char* const kTrasmissione =
    "Problemi di trasmissione con la cassa.\r\nRiprovo a stampare lo scontrino ? ";
// Once the payment began, OK may print it twice: the box says which receipt to look
// for in the register's journal, and Enter answers Annulla.
const char* const kTrasmissioneNelPagamento =
    "Problemi di trasmissione con la cassa.\r\n\r\nLo scontrino a.sco, pagamento iniziato il 2026-12-05 "
    "07:10:03, totale 300 (C), potrebbe essere gi\xe0 stampato: controllare il giornale della cassa prima "
    "di riprovare.\r\nAnnulla lo mette da parte in dubbio, da sistemare dopo il controllo.\r\n\r\nRiprovo a "
    "stampare lo scontrino ? ";

// The register answers something unexpected, or keeps refusing the sale line;
// the operator's answer restarts the receipt (synchronisation included) or sets
// it aside.
const Comandi kTre = {"2A              00000001011", "2B              00000002011",
                      "2C              00000003011"};
const std::string kVendita = kComandiRicevuta[3];
struct RispostaDellOperatore {
  const char* nome;
  simcassa::Guasti guasti;
  bool rifiutaTotale;  // NAK the "419" that starts the total three times
  const char* righe;
  Risposta risposta;
  const char* domanda;  // text of the receipt-level question, if one is asked
  Comandi comandi;
  const char* messo;  // where the receipt was set aside, or nullptr when it was sent
  Pulsanti pulsanti = Pulsanti::OkAnnulla;
};
class Operatore : public ::testing::TestWithParam<RispostaDellOperatore> {};

TEST_P(Operatore, AnswerRestartsTheReceiptOrSetsItAside) {
  const auto& c = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni", c.guasti);
  int rifiuti = c.rifiutaTotale ? 0 : 3;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (!sim.comandi().empty() && sim.comandi().back() == "419" && rifiuti < 3) {
      ++rifiuti;
      return std::vector<simcassa::Uscita>{{0, "\x15"}};
    }
    return u;
  };
  b.scriviFile("a.sco", c.righe);
  b.finestra.risposte = {c.risposta};
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), c.comandi);
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  const Domanda& d = b.finestra.domande[0];
  if (c.domanda) {
    EXPECT_EQ(std::tie(d.titolo, d.testo, d.icona, d.pulsanti),
              std::make_tuple("Problemi di trasmissione", c.domanda,
                              c.domanda == kSincronizzazione ? Icona::Domanda : Icona::Critico, c.pulsanti));
  }
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(b.esiste("badscont.bad"), c.messo && std::string(c.messo) == "badscont.bad");
  if (c.messo) {
    EXPECT_EQ(b.leggiFile(c.messo), c.righe);
  }
  if (b.esiste("badscont.bad")) {
    EXPECT_EQ(b.leggiFile("NomiFil.txt"), (b.cartella / "a.sco").string() + " 12-05-2026 07:10:03\r\n");
  }
}
// clang-format off
RIGHE(Coda, Operatore, {"SynchronisationProblemOkRestarts", {.rispondiCon = 'A', .rispondiAlComando = 2}, false, kRicevuta,
     Risposta::Ok, kSincronizzazione, {"415", "415", "415", "415", "40214", kVendita, "419", "40050", "420", "497"}, nullptr},
    {"SynchronisationProblemCancelSetsAside", {.rispondiCon = 'A', .rispondiAlComando = 2}, false, kRicevuta,
     Risposta::Annulla, kSincronizzazione, {"415", "415"}, "badscont.bad"},
    {"ThirdLineProblemOkRestarts", {.rispondiCon = 'A', .rispondiAlComando = 5}, false,
     "00\tA\t1\t1\t1\r\n00\tB\t1\t2\t1\r\n00\tC\t1\t3\t1\r\n80\tC\t6\t0\t0\r\n", Risposta::Ok, kTrasmissione,
     {"415", "415", kTre[0], kTre[1], kTre[2], "415", "415", kTre[0], kTre[1], kTre[2], "419", "40050", "420", "497"}, nullptr},
    // the rest of the total line is not sent after the operator's choice
    {"RefusedTotalNoRestartsTheWholeReceipt", {}, true, kRicevuta, Risposta::No, nullptr,
     {"415", "415", "40214", kVendita, "419", "419", "419", "497", "497", "415", "415", "40214", kVendita, "419",
      "40050", "420", "497"}, nullptr},
    // given up during the payment, after an unlock that sent the closing command: in doubt
    {"RefusedTotalCancelLeavesItInDoubt", {}, true, kRicevuta, Risposta::Annulla, nullptr,
     {"415", "415", "40214", kVendita, "419", "419", "419", "497", "497"}, "scartati/20261205-071003_in_dubbio_a.sco"},
    {"UnexpectedAnswerInThePaymentNamesTheReceiptAndDefaultsToCancel", {.rispondiCon = 'A', .alDato = "497"}, false,
     kRicevuta, Risposta::Annulla, kTrasmissioneNelPagamento, kComandiRicevuta,
     "scartati/20261205-071003_in_dubbio_a.sco", Pulsanti::OkAnnullaPrudente});
// clang-format on

// The operator may tick "Riep. Iva per ricevuta" while a receipt is going out: its
// header reads the box when it is sent, not when the receipt was checked.
TEST(Coda, KabelHeaderReadsTheWindowWhenSent) {
  Banco b;
  auto& sim = b.prepara("Registratore=Kabel\nConfBase=12045678", "kabel");
  b.finestra.aggConfSpuntato = false;
  b.pompa.alle(b.orologio.t, [&] { b.finestra.aggConfSpuntato = true; });
  b.scriviFile("a.sco", "00\tPANE\t1\t1\t1\r\n10\tINTESTAZIONE\r\n80\tC\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(),
            (Comandi{"1\"PANE\"X", "711{12145678{", "222{dINTESTAZIONE{", "=", "711{12045678{"}));
}

// A receipt that is not there is looked for eleven times, ten waits apart, before it fails.
TEST(Coda, MissingFileIsLookedForElevenTimesThenFails) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  const double prima = b.orologio.t;
  EXPECT_EQ(ElaboraScontrino(b.st, (b.cartella / "sparito.sco").string()), Esito::Fallito);
  EXPECT_GE(b.orologio.t - prima, 20.0);
  EXPECT_LE(b.orologio.t - prima, 30.0);
  EXPECT_EQ(b.pompa.attese, 10);       // ten waits between attempts
  EXPECT_TRUE(sim.comandi().empty());  // nothing goes out for a receipt that is not there
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("n.53 (File not found) in s_scontrino prima"), std::string::npos);
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  const Domanda& d = b.finestra.domande[0];
  EXPECT_EQ(std::tie(d.testo, d.icona, d.titolo),
            std::make_tuple("Errore: File not found", Icona::Critico, ""));
}

TEST(Coda, FileThatComesBackWhileLookedForIsSent) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.pompa.alle(b.orologio.t + 5, [&] { b.scriviFile("tardi.sco", kRicevuta); });
  EXPECT_EQ(ElaboraScontrino(b.st, (b.cartella / "tardi.sco").string()), Esito::Inviato);
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
}

TEST(Coda, EveryFailedReceiptIsKept) {
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
  // The same name failing again within the same second never overwrites.
  for (int i = 0; i < 3; ++i) {
    b.scriviFile("b.sco", "80\tZ\t2\t0\t0\r\n");
    Timer1_Timer(b.st);
  }
  EXPECT_EQ(b.fileInCartella(),
            (Comandi{"NomiFil.txt", "badscont.bad", "errori.txt", "quimbo.ini", "scartati/"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(b.cartella / "scartati"), {}), 4);
}

// A receipt in the journal of sent ones is only deleted, never sent again, also when
// the point of sale renamed it since; a file of the same name but another size or
// time is a new receipt, and so is one that took the number of a file gone (its
// bytes tell).
struct VoceDelGiornale {
  const char *nome, *file;
  std::function<Identita(Identita)> voce;  // the journal's entry, from the file's identity
  bool nuovo;
};
class Giornale : public ::testing::TestWithParam<VoceDelGiornale> {};

TEST_P(Giornale, SentFileIsNeverSentAgain) {
  const auto& [_, nome, voce, nuovo] = GetParam();
  if (kWindows && std::string(nome).find('\n') != std::string::npos) GTEST_SKIP() << "no such names there";
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile(nome, kRicevuta);
  // A stop between the last acknowledgement and the deletion left this behind.
  const auto id = IdentitaDi(b.cartella / nome);
  ASSERT_TRUE(id);
  AggiungiInviato(b.cartella, voce(*id));
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), nuovo ? kComandiRicevuta : Comandi{});
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini"}));
}
Identita RinominatoDa(Identita id, const char* byte) {
  id.nome = "prima.sco";
  id.impronta = ImprontaDi(byte);
  return id;
}
RIGHE(Coda, Giornale, {"Journalled", "a.sco", [](Identita id) { return id; }, false},
      {"SameNameOtherSizeAndTimeIsNew", "a.sco",
       [](Identita) {
         return Identita{"a.sco", 3, 1};
       },
       true},
      {"NameWithControlCharacters", "a\nb\\\tc.sco", [](Identita id) { return id; }, false},
      {"RenamedSince", "a.sco", [](Identita id) { return RinominatoDa(id, kRicevuta); }, false},
      {"NumberOfAFileGoneWithOtherBytesIsNew", "a.sco",
       [](Identita id) { return RinominatoDa(id, "altri byte"); }, true});

#ifdef _WIN32
// A Windows writer that shares nothing while it writes, and an antivirus that holds the
// file at its deletion: the receipt is in use, not forbidden. It waits without a word,
// is said once when it stays held as long as an unfinished receipt may, and goes once
// released; held at its deletion, it is not sent again and the log names the cause.
TEST(Coda, ReceiptHeldByAnotherProgramWaitsQuietly) {
  auto tiene = [](const std::filesystem::path& file) {
    return CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  auto conta = [](const std::vector<std::string>& righe, const std::string& testo) {
    return std::count_if(righe.begin(), righe.end(), [&](const auto& r) { return r.find(testo) != r.npos; });
  };
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("w.sco", kRicevuta);
  HANDLE h = tiene(b.cartella / "w.sco");
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.righeLog().empty());
  b.orologio.t += b.st.imp.mdAttesaTotale + 1;
  for (int i = 0; i < 3; ++i) Timer1_Timer(b.st);
  EXPECT_EQ(conta(b.righeLog(), "Scontrino w.sco in uso da un altro programma da 60 secondi"), 1);
  EXPECT_EQ(conta(b.righeLog(), "ermesso negato"), 0);
  EXPECT_TRUE(sim.comandi().empty());
  CloseHandle(h);

  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == kComandiRicevuta.size()) h = tiene(b.cartella / "w.sco");
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.esiste("w.sco"));
  CloseHandle(h);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
  EXPECT_FALSE(b.esiste("w.sco"));
  EXPECT_EQ(conta(b.righeLog(), "File in uso da un altro programma"), 1);
}
#endif

// A sent receipt that cannot be deleted, or whose journal cannot be written, or
// both, is printed once only.
struct Ostacolo {
  const char* nome;
  bool immutabile, senzaGiornale;
};
class DopoLInvio : public ::testing::TestWithParam<Ostacolo> {};

TEST_P(DopoLInvio, ReceiptIsPrintedOnceOnly) {
  const auto& c = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  if (c.senzaGiornale) std::filesystem::create_directory(b.cartella / "inviati.txt.nuovo");
  const std::string file = (b.cartella / "a.sco").string();
  // Immutable: not even root may delete it.
  if (c.immutabile && std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr non disponibile";
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  if (c.immutabile) std::system(("chattr -i '" + file + "'").c_str());
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);  // once only
  // Each error once, not on every tick.
  ASSERT_EQ(b.righeLog().size(), (c.immutabile ? 1u : 0u) + (c.senzaGiornale ? 1u : 0u));
  EXPECT_NE(b.righeLog()[0].find(" in TIMER1 (gestito dal programma)"), std::string::npos);
  EXPECT_TRUE(b.timer.abilitato);
  Timer1_Timer(b.st);  // deletable again: only the deletion is done
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(sim.comandi(), kComandiRicevuta);
}
RIGHE(Coda, DopoLInvio, {"Undeletable", true, false}, {"JournalUnwritable", false, true},
      {"UndeletableAndJournalUnwritable", true, true});

// Files gone under the scan (the receipt being sent, the next one) are logged and the
// scan goes on; any other error stops the scan for good, and says so.
struct ErroreScansione {
  const char* nome;
  bool sparito;  // the files went; otherwise the operator's box fails with error 5
};
class ErroreDellaScansione : public ::testing::TestWithParam<ErroreScansione> {};

TEST_P(ErroreDellaScansione, IsLoggedAndTheScanGoesOnOnlyForFilesGone) {
  const bool sparito = GetParam().sparito;
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rispondiCon = sparito ? '\0' : 'A', .rispondiAlComando = 2});
  b.scriviFile("a.sco", kRicevuta);
  b.scriviFile("b.sco", kRicevuta);
  if (!sparito) b.finestra.erroreAllaDomanda = 5;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sparito && sim.comandi().size() == 8) {
      std::filesystem::remove(b.cartella / "a.sco");
      std::filesystem::remove(b.cartella / "b.sco");
    }
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_NE(
      b.leggiFile("errori.txt")
          .find(sparito ? "n.53 (Scontrino a.sco tolto dalla cartella durante l'invio) in TIMER1 (gestito"
                        : "n.5 (Invalid procedure call or argument) in TIMER1\r"),
      std::string::npos);
  EXPECT_EQ(b.timer.abilitato, sparito);
  EXPECT_EQ(b.st.TxtMsg.find("fermata") != std::string::npos, !sparito) << b.st.TxtMsg;
  EXPECT_EQ(b.esiste("a.sco"), !sparito);
  const int abilitazioni = b.timer.abilitazioni;
  Timer1_Timer(b.st);
  EXPECT_EQ(b.timer.abilitazioni, abilitazioni + (sparito ? 1 : 0));
}
RIGHE(Coda, ErroreDellaScansione, {"FilesGoneUnderTheScan", true}, {"OtherErrorStopsItForGood", false});

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

// "FINE", or the line lost, in the middle of a receipt: the file stays as it is,
// nothing is set aside and nobody is asked.
enum class Interruzione { Fine, PortaPersa };
void InterrottoAlQuartoComando(Banco& b, simcassa::Registratore& sim, Interruzione come) {
  const bool fine = come == Interruzione::Fine;
  b.scriviFile("a.sco", kRicevuta);
  b.porta.cassa = [&, fine](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 4 && b.porta.aperta())
      b.pompa.alle(b.orologio.t,
                   [&, fine] { fine ? Command1_Click(b.st) : b.porta.perdi("Input/output error"); });
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.porta.aperta());
  EXPECT_EQ(b.leggiFile("a.sco"), kRicevuta);
  EXPECT_FALSE(b.esiste("badscont.bad"));
  EXPECT_TRUE(b.finestra.domande.empty());
}

TEST(Coda, FineDuringAReceiptEndsTheProgramAndLeavesTheFile) {
  Banco b;
  InterrottoAlQuartoComando(b, b.prepara("", "vandoni"), Interruzione::Fine);
  EXPECT_TRUE(b.finestra.terminato);
}

TEST(Coda, LostPortDuringAReceiptLeavesTheFileUntilThePortIsBack) {
  Banco b;
  InterrottoAlQuartoComando(b, b.prepara("", "vandoni"), Interruzione::PortaPersa);
  EXPECT_FALSE(b.finestra.terminato);
  EXPECT_TRUE(b.timer.abilitato);
  // One loss, one line: the rest of the record fails quietly.
  EXPECT_EQ(b.righeLog().size(), 1u) << b.leggiFile("errori.txt");
  b.porta.apriFallisce = true;
  b.scriviFile("b.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.st.TxtMsg, "Porta seriale /dev/finta non disponibile: No such file or directory");
  EXPECT_TRUE(b.esiste("a.sco"));
  // Counted all the same, and the missing port named.
  EXPECT_EQ(DescriviSituazione(b.finestra.situazioneMostrata),
            "2 scontrini in attesa; porta seriale /dev/finta non disponibile");
  b.porta.apriFallisce = false;
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco") || b.esiste("b.sco"));
  EXPECT_EQ(b.porta.aperture.size(), 3u);
}

// A line that cannot be read or translated fails the receipt before its first
// byte: the register is never left with half a receipt open.
struct RigaGuasta {
  const char *nome, *ini, *famiglia, *righe;
  int numero;
  const char* errore;
};
class RigaCattiva : public ::testing::TestWithParam<RigaGuasta> {};

TEST_P(RigaCattiva, AnywhereSendsNothingOfTheReceipt) {
  const auto& c = GetParam();
  Banco b;
  auto& sim = b.prepara(c.ini, c.famiglia);
  b.scriviFile("a.sco", c.righe);
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.porta.scritto.empty());
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_EQ(b.leggiFile("badscont.bad"), c.righe);
  ASSERT_EQ(b.righeLog().size(), 1u);
  const std::string atteso = "n." + std::to_string(c.numero) + " (" + c.errore + ") in s_scontrino Dopo";
  EXPECT_NE(b.righeLog()[0].find(atteso), std::string::npos) << b.righeLog()[0];
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(b.finestra.domande[0].testo, std::string("Errore: ") + c.errore);
}
// clang-format off
RIGHE(Coda, RigaCattiva, {"VandoniPriceNoNumber", "", "vandoni", "00\tPANE\t1\t1\t1\r\n00\tLATTE\t1\tuno\t1\r\n80\tC\t2\t0\t0\r\n", 13, "Riga 2: Type mismatch"},
    {"VandoniDepartmentOutOfRange", "", "vandoni", "00\tPANE\t1\t1\t1\r\n\r\n00\t\t1\t1\t30\r\n80\tC\t2\t0\t0\r\n", 9,
     "Riga 3: Subscript out of range"},
    {"FrontieraPriceNoNumber", "Registratore=Frontiera", "frontiera", "00\tPANE\t1\t1\t1\r\n00\tLATTE\t1\tuno\t1\r\n80\tC\t2\t0\t0\r\n", 13,
     "Riga 2: Type mismatch"},
    {"FrontieraUnknownPaymentLetter", "Registratore=Frontiera", "frontiera", "00\tPANE\t1\t1\t1\r\n80\tX\t1\t0\t0\r\n", 5,
     "Riga 2: Lettera di pagamento non valida: \"X\""},
    {"OlivettiPriceNoNumber", "Registratore=Olivetti", "olivetti", "00\tPANE\t1\t1\r\n00\tLATTE\t1\tuno\r\n80\tC\t2\t0\t0\r\n", 13,
     "Riga 2: Type mismatch"},
    {"OlivettiTotalMissingFields", "Registratore=Olivetti", "olivetti", "00\tPANE\t1\t1\r\n80\tC\t2\r\n", 9, "Riga 2: Subscript out of range"},
    {"KabelPriceNoNumber", "Registratore=Kabel", "kabel", "00\tPANE\t1\t1\t1\r\n00\tLATTE\t1\tuno\t1\r\n80\tC\t2\t0\t0\r\n", 13,
     "Riga 2: Type mismatch"},
    {"KabelNegativeDepartment", "Registratore=Kabel", "kabel", "00\tPANE\t1\t1\t-1\r\n", 5, "Riga 1: Invalid procedure call or argument"},
    // a line without its record type would lose its sale; a file with no known line is no receipt
    {"EmptyRecordType", "", "vandoni", "00\tPANE\t1\t1\t1\r\n\tLATTE\t1\t1\t1\r\n80\tC\t2\t0\t0\r\n", 5, "Riga 2: tipo di record vuoto"},
    {"NoKnownLineIsNoReceipt", "", "vandoni", "%PDF-1.4\r\n%\xE2\xE3\xCF\xD3\r\n", 5, "nessuna riga di un tipo noto: non e' uno scontrino"});
// clang-format on

// Receipts go out in the order Windows lists names (ordinal, case ignored), ten per
// tick; an empty file is left alone.
TEST(Coda, ReceiptsGoOutInNameOrderTenPerTick) {
  Banco b;
  auto& sim = b.prepara("Registratore=Kabel", "kabel");
  const Comandi ordinati = {"0001.sco", "01.sco", "1.SCO",  "10.sco", "2.sco", "A.sco",
                            "a_b.sco",  "b.sco",  "B2.sco", "c.Sco",  "z.sco", "Z~.sco"};
  for (size_t i : {5, 11, 0, 7, 3, 9, 1, 10, 2, 8, 4, 6})
    b.scriviFile(ordinati[i], "80\tC\t1\t0\t0\t" + std::to_string(i + 1) + "\r\n");
  b.scriviFile("zz_vuoto.sco", "");
  Comandi attesi;
  for (size_t i = 0; i < ordinati.size(); ++i) attesi.push_back(std::to_string(i + 1) + "=");
  b.timer.subiti = 0;  // the one asked for at start-up
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), Comandi(attesi.begin(), attesi.begin() + 10));
  EXPECT_EQ(b.timer.subiti, 1) << "more are waiting: the next scan at once";
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), attesi);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"quimbo.ini", "zz_vuoto.sco"}));
  EXPECT_EQ(b.timer.subiti, 1);
}

// A folder without receipts is not listed again while its time stays as it was; a receipt that lands in it
// moves that time. Where times cannot be trusted (the receipt came and the time did not move), a listing
// every 15 ticks finds it all the same.
TEST(Coda, IdleFolderIsListedOnlyWhenItChanged) {
  if (kWindows) GTEST_SKIP() << "std::filesystem cannot set a folder's time on Windows";
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  const auto vecchio = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1);
  std::filesystem::last_write_time(b.cartella, vecchio);
  Timer1_Timer(b.st);
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco")) << "a new file moves the folder's time";
  std::filesystem::last_write_time(b.cartella, vecchio);
  Timer1_Timer(b.st);
  b.scriviFile("b.sco", kRicevuta);
  std::filesystem::last_write_time(b.cartella, vecchio);
  const size_t inviati = sim.comandi().size();
  int giri = 0;
  for (; b.esiste("b.sco") && giri < 20; ++giri) Timer1_Timer(b.st);
  EXPECT_EQ(giri, 15);
  EXPECT_GT(sim.comandi().size(), inviati);
}

// Receipts written in UTF-8 reach the register in its own code page.
struct Codifica {
  const char *nome, *ini;
  std::string righe, descrizione;
};
class TestoDellaRicevuta : public ::testing::TestWithParam<Codifica> {};

TEST_P(TestoDellaRicevuta, ReachesTheRegisterInItsCodePage) {
  const auto& c = GetParam();
  Banco b;
  auto& sim = b.prepara("Registratore=Kabel\n" + std::string(c.ini), "kabel");
  b.scriviFile("a.sco", c.righe + "\r\n80\tC\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"1\"" + c.descrizione + "\"X", "="}));
}
// clang-format off
RIGHE(Coda, TestoDellaRicevuta, {"Utf8", "", "00\tCAFF\xC3\x88\t1\t1\t1", "CAFF\xC8"},
    {"Windows1252", "", "00\tCAFF\xC8\t1\t1\t1", "CAFF\xC8"},
    {"Utf8WithByteOrderMark", "", "\xEF\xBB\xBF" "00\tCAFF\xC3\x88\t1\t1\t1", "CAFF\xC8"},
    {"AsciiWithByteOrderMark", "", "\xEF\xBB\xBF" "00\tCAFFE\t1\t1\t1", "CAFFE"},
    {"InvalidUtf8IsWindows1252", "", "00\tCAFF\xC3\x88 \xC8\t1\t1\t1", "CAFF\xC3  \xC8"},
    {"Windows1252Forced", "Codifica=Windows-1252", "00\tCAFF\xC3\x88\t1\t1\t1", "CAFF\xC3"},
    {"Windows1252ForcedDropsTheByteOrderMark", "Codifica=windows-1252", "\xEF\xBB\xBF" "00\tCAFFE\t1\t1\t1", "CAFFE"},
    {"Utf8ForcedOutsideTheCodePage", "Codifica=UTF-8", "00\tCAFF\xC4\x80 \xC3\x80\t1\t1\t1", "CAFF  \xC0"});
// clang-format on

}  // namespace
}  // namespace quimbo::prova
