// Nothing lost, nothing printed twice: receipts cut during their payment or not set aside,
// folders that cannot be written, registers switched off, receipts still being written.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "base/chiusura.h"
#include "base/sistema.h"
#include "fakes.h"
#include "nome_riga.h"
#include "queue/dubbi.h"
#include "queue/giornale.h"
#include "queue/scansione.h"

namespace quimbo::prova {
namespace {

using Comandi = std::vector<std::string>;
const char* const kRicevuta = "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n";
const Comandi kComandi = {"415", "415", "40214", "2PANE           00000150031", "419", "40050", "420", "497"};

size_t Conta(const std::vector<std::string>& righe, const std::string& testo) {
  return std::count_if(righe.begin(), righe.end(), [&](const auto& r) { return r.find(testo) != r.npos; });
}

// A mark left by a stop during the payment of a receipt: the register may have
// printed it, so it goes into "scartati" for the operator, also when the file of that
// name changed since (it may be the same receipt, touched) or was renamed. A receipt
// journalled as sent is only removed, under its new name too. A copy is a new receipt.
// One in doubt is named after the time its payment began, the time the operator looks
// for in the register's journal, not the time of the restart; a mark of an earlier
// version, which did not say, is said to be of an unknown time.
enum Dopo { Niente, Rinominato, Copiato };
struct SegnoDiPagamento {
  const char* nome;
  bool stesso, giornale;
  Dopo dopo;
  const char* dubbio;     // the name it is set aside under as "in doubt", or nullptr
  bool senzaOra = false;  // a mark written by an earlier version
};
class Pagamento : public ::testing::TestWithParam<SegnoDiPagamento> {};

TEST_P(Pagamento, ReceiptCutDuringItIsNeverSentAgain) {
  namespace fs = std::filesystem;
  const auto& [_, stesso, giornale, dopo, dubbio, senzaOra] = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  std::optional<Identita> id = IdentitaDi(b.cartella / "a.sco");
  if (giornale) AggiungiInviato(b.cartella, *id);
  id->dimensione += stesso ? 0 : 1;
  const DataOra pagato{2026, 12, 4, 23, 27, 22};  // the evening before the restart
  PreparaPagamento(b.cartella, *id, pagato);
  SegnaPagamento(b.cartella, *id, pagato);
  if (senzaOra)
    b.scriviFile("pagamento.txt",
                 std::to_string(id->dimensione) + "\t" + std::to_string(id->modifica) + "\ta.sco\r\n");
  // Between the stop and the restart; a copy with the same bytes and time is another file all the same.
  if (dopo == Rinominato) fs::rename(b.cartella / "a.sco", b.cartella / "b.sco");
  if (dopo == Copiato) {
    fs::copy_file(b.cartella / "a.sco", b.cartella / "b.sco");
    fs::last_write_time(b.cartella / "b.sco", fs::last_write_time(b.cartella / "a.sco"));
    fs::remove(b.cartella / "a.sco");
  }
  for (int i = 0; i < 2; ++i) Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), dopo == Copiato ? kComandi : Comandi{});
  const std::string file =
      std::string(senzaOra ? "20261205-071003" : "20261204-232722") + "_in_dubbio_" + (dubbio ? dubbio : "");
  EXPECT_EQ(b.leggiFile("scartati/" + file), dubbio ? kRicevuta : "");
  EXPECT_FALSE(b.esiste("pagamento.txt") || b.esiste("a.sco") || b.esiste("b.sco"));
  EXPECT_EQ(Conta(b.righeLog(), "Controllare il giornale della cassa"), dubbio ? 1u : 0u);
  if (!dubbio) return;
  const std::string ora = senzaOra ? "sconosciuto" : "2026-12-04 23:27:22";
  EXPECT_NE(b.esito(dubbio).find("\r\nInizioPagamento=" + ora + "\r\n"), std::string::npos)
      << b.esito(dubbio);
  const std::vector<InDubbio> elenco = ElencoInDubbio(b.cartella, "auto");
  ASSERT_EQ(elenco.size(), 1u);
  EXPECT_EQ(QuandoPagato(elenco[0]),
            senzaOra ? "ora del pagamento sconosciuta" : "pagamento iniziato il 2026-12-04 23:27:22");
}
RIGHE(Doppi, Pagamento, {"SameFileIsInDoubt", true, false, Niente, "a.sco"},
      {"ChangedSinceIsInDoubt", false, false, Niente, "a.sco"},
      {"JournalledIsOnlyRemoved", true, true, Niente, nullptr},
      {"RenamedIsInDoubt", true, false, Rinominato, "b.sco"},
      {"RenamedAndJournalledIsOnlyRemoved", true, true, Rinominato, nullptr},
      {"CopyIsANewReceipt", true, false, Copiato, nullptr},
      {"MarkOfAnEarlierVersionHasNoTime", true, false, Niente, "a.sco", true});

// A register switched off: the receipt waits, nobody is asked, it is said once per
// outage, and the receipt goes again from its first line when the register is back.
// Silent from the total line on, the receipt is in doubt and never sent again.
void Spenta(size_t mutaDal) {
  Banco b;
  auto& sim = b.prepara("TempoMaxRisposta=5", "vandoni");
  bool acceso = false;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    return acceso || sim.comandi().size() <= mutaDal ? u : std::vector<simcassa::Uscita>{};
  };
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.esiste("a.sco"), mutaDal == 0);
  EXPECT_EQ(b.esiste("scartati/20261205-071003_in_dubbio_a.sco"), mutaDal != 0);
  acceso = true;
  const size_t prima = sim.comandi().size();
  Timer1_Timer(b.st);
  EXPECT_EQ(Comandi(sim.comandi().begin() + static_cast<long>(prima), sim.comandi().end()),
            mutaDal == 0 ? kComandi : Comandi{});
  EXPECT_TRUE(b.finestra.domande.empty());
  EXPECT_FALSE(b.esiste("badscont.bad"));
  const auto log = b.righeLog();
  EXPECT_EQ(Conta(log, "Nessuna risposta dalla cassa"), 1u);
  EXPECT_EQ(Conta(log, "Cassa non risponde: 1 scontrino in attesa"), mutaDal == 0 ? 1u : 0u);
  EXPECT_EQ(Conta(log, "La cassa risponde di nuovo"), mutaDal == 0 ? 1u : 0u);
  // Good news carries no error number in the integrator's log.
  const auto& a = b.finestra.annotazioni;
  EXPECT_EQ(std::count(a.begin(), a.end(), "I La cassa risponde di nuovo"), mutaDal == 0 ? 1 : 0);
}
TEST(Doppi, SwitchedOffRegisterKeepsTheReceiptUntilItIsBack) { Spenta(0); }
TEST(Doppi, RegisterSilentFromTheTotalLineLeavesTheReceiptInDoubt) { Spenta(4); }

// Switched off altogether, nothing answers: Olivetti's silence and Kabel's short
// waits would each pass for acceptance, yet the receipt stays all the same. The
// integrator's log says it once per outage, and the status shows it.
class Famiglia : public ::testing::TestWithParam<const char*> {};
TEST_P(Famiglia, SwitchedOffRegisterKeepsTheReceipt) {
  Banco b;
  b.avvia("Registratore=" + std::string(GetParam()) + "\nTempoMaxRisposta=2");
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.fileInCartella(), (Comandi{"a.sco", "errori.txt", "quimbo.ini"}));
  EXPECT_EQ(b.st.TxtMsg, "Cassa non risponde: 1 scontrino in attesa");
  const auto& a = b.finestra.annotazioni;
  EXPECT_EQ(std::count_if(a.begin(), a.end(),
                          [](const std::string& r) { return r.find("I Scontrino a.sco") == 0; }),
            1);
  EXPECT_EQ(DescriviSituazione(b.finestra.situazioneMostrata),
            "1 scontrino in attesa; la cassa non risponde");
}
RIGHE(Doppi, Famiglia, "Vandoni", "Olivetti", "Kabel");

// A failed receipt whose set-aside is impossible ("scartati" is a plain file) is
// marked failed in the journal: it is never tried again, and said once; once the
// operator removes it, its entry goes too.
TEST(Doppi, FailedReceiptThatCannotBeSetAsideIsNotTriedAgain) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("badscont.bad", "prima");
  b.scriviFile("scartati", "un file, non una cartella");
  b.scriviFile("a.sco", "80\tX\t1\t0\t0\r\n");
  for (int i = 0; i < 3; ++i) Timer1_Timer(b.st);
  EXPECT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_EQ(Conta(b.righeLog(), "non inviato e non spostabile"), 1u);
  EXPECT_EQ(b.leggiFile("inviati.txt").rfind("F\t", 0), 0u);
  std::filesystem::remove(b.cartella / "a.sco");
  Timer1_Timer(b.st);
  b.scriviFile("b.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
  EXPECT_FALSE(b.esiste("inviati.txt"));
}

// A folder that may be read but not written: nothing goes out that could not be
// remembered afterwards; the receipt waits, and that is said once.
TEST(Doppi, FolderThatCannotBeWrittenSendsNothing) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  const std::string dir = b.cartella.string();
  if (std::system(("chattr +i '" + dir + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr non disponibile";
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  std::system(("chattr -i '" + b.cartella.string() + "'").c_str());
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_EQ(Conta(b.finestra.storia[Campo::TxtMsg], "Cartella degli scontrini non scrivibile"), 1u);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
}

// A receipt ends with its total line: without one it waits while it keeps changing,
// and is set aside once unchanged for AttesaTotale seconds.
TEST(Doppi, ReceiptStillBeingWrittenWaitsForItsTotal) {
  Banco b;
  auto& sim = b.prepara("Registratore=Kabel\nAttesaTotale=30", "kabel");
  b.scriviFile("a.sco", "00\tPANE\t1\t1\t1\r\n");
  b.scriviFile("b.sco", "00\tLATTE\t1\t2\t1\r\n");
  Timer1_Timer(b.st);
  b.orologio.t += 20;
  b.scriviFile("a.sco", "00\tPANE\t1\t1\t1\r\n00\tUOVA\t1\t3\t1\r\n");
  Timer1_Timer(b.st);
  b.orologio.t += 20;
  Timer1_Timer(b.st);
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_EQ(b.leggiFile("badscont.bad"), "00\tLATTE\t1\t2\t1\r\n");
  EXPECT_EQ(Conta(b.righeLog(), "Scontrino b.sco senza riga di totale da 30 secondi: messo da parte"), 1u);
  b.scriviFile("a.sco", "00\tPANE\t1\t1\t1\r\n00\tUOVA\t1\t3\t1\r\n80\tC\t4\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), (Comandi{"1\"PANE\"X", "3\"UOVA\"X", "="}));
}

// A close asked for during the total line waits for the receipt to end; before the
// total line it goes ahead at once, and the receipt stays for the next start.
void ChiusoAlComando(size_t n) {
  const bool inPagamento = n == 5;
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  std::optional<bool> subito;
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == n && !subito)
      b.pompa.alle(b.orologio.t, [&] {
        if (*(subito = RichiestaChiusura(b.st))) Command1_Click(b.st);
      });
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_EQ(subito, !inPagamento);
  EXPECT_TRUE(b.finestra.terminato);
  EXPECT_EQ(sim.comandi(), inPagamento ? kComandi : Comandi(kComandi.begin(), kComandi.begin() + 3));
  EXPECT_EQ(b.fileInCartella(), inPagamento ? Comandi{"quimbo.ini"} : (Comandi{"a.sco", "quimbo.ini"}));
}
TEST(Doppi, CloseDuringThePaymentWaitsForTheReceipt) { ChiusoAlComando(5); }
TEST(Doppi, CloseBeforeThePaymentGoesAheadAndLeavesTheReceipt) { ChiusoAlComando(3); }

// The point of sale withdraws the receipt, replaces it, renames it or copies it once
// its sale line went out: the register is not left with an open receipt, it is
// finished from the lines read, and that is said. A new version or a copy is a new
// receipt and goes out after it; the same bytes saved again, or the same file under
// another name, are the same receipt, sent once.
namespace fs = std::filesystem;
const std::string kNuova = "00\tLATTE\t1\t120\t3\r\n80\tC\t120\t0\t0\r\n";
void NuovaVersione(Banco& b) {
  b.scriviFile("a.sco", kNuova);
  fs::last_write_time(b.cartella / "a.sco", fs::file_time_type::clock::now() + std::chrono::seconds(5));
}
struct Ritiro {
  const char* nome;
  void (*azione)(Banco&);
  const char* detto;
  size_t ancora;  // commands sent after it
};
class Ritirata : public ::testing::TestWithParam<Ritiro> {};

TEST_P(Ritirata, ReceiptWithdrawnWhileSentIsFinished) {
  const auto& [_, azione, detto, ancora] = GetParam();
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 4) azione(b);
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi().size(), kComandi.size() + ancora);
  EXPECT_EQ(Conta(b.righeLog(), detto ? detto : "durante l'invio"), detto ? 1u : 0u);
  EXPECT_FALSE(b.esiste("a.sco") || b.esiste("b.sco"));
  EXPECT_FALSE(b.esiste("inviati.txt") || b.esiste("pagamento.txt"));
}
// clang-format off
RIGHE(Doppi, Ritirata, {"Removed", [](Banco& b) { fs::remove(b.cartella / "a.sco"); }, "a.sco tolto dalla cartella durante l'invio", 0},
    {"ReplacedNewVersionGoesAfter", [](Banco& b) { fs::remove(b.cartella / "a.sco"), NuovaVersione(b); },
     "a.sco sostituito durante l'invio: la nuova versione", 7},
    {"SavedAgainUnchangedIsSentOnce", [](Banco& b) { fs::remove(b.cartella / "a.sco"), b.scriviFile("a.sco", kRicevuta); },
     nullptr, 0},
    {"Renamed", [](Banco& b) { fs::rename(b.cartella / "a.sco", b.cartella / "b.sco"); },
     "a.sco rinominato in b.sco durante l'invio: non riparte", 0},
    {"RenamedAndReplaced", [](Banco& b) { fs::rename(b.cartella / "a.sco", b.cartella / "b.sco"), NuovaVersione(b); },
     "a.sco rinominato in b.sco durante l'invio", 7},
    {"CopiedThenRemovedCopyGoesAfter", [](Banco& b) {
       fs::copy_file(b.cartella / "a.sco", b.cartella / "b.sco");
       fs::last_write_time(b.cartella / "b.sco", fs::last_write_time(b.cartella / "a.sco"));
       fs::remove(b.cartella / "a.sco");
     }, "a.sco tolto dalla cartella durante l'invio", kComandi.size()});
// clang-format on

// An unexpected answer once the payment began: the register may have printed the
// receipt. Without a window nobody looks, so the receipt is in doubt and nothing goes
// again by itself; in the window the operator is told so before the question, and
// giving up leaves it in doubt too.
void RispostaInattesaNelPagamento(bool senzaFinestra) {
  Banco b;
  auto& sim = b.prepara("", "vandoni", {.rispondiCon = 'A', .alDato = "497"});
  b.imp.mbSenzaFinestra = senzaFinestra;
  b.finestra.risposte = {Risposta::Annulla};
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
  EXPECT_EQ(b.finestra.domande.size(), senzaFinestra ? 0u : 1u);
  EXPECT_TRUE(b.esiste("scartati/20261205-071003_in_dubbio_a.sco"));
  EXPECT_EQ(Conta(b.finestra.storia[Campo::TxtMsg], "potrebbe essere gi\xe0 stampato"),
            senzaFinestra ? 0u : 1u);
}
TEST(Doppi, UnexpectedAnswerDuringThePaymentHeadlessLeavesItInDoubt) { RispostaInattesaNelPagamento(true); }
TEST(Doppi, UnexpectedAnswerDuringThePaymentIsToldBeforeTheQuestion) { RispostaInattesaNelPagamento(false); }

// A stop that cuts the payment is said at once, not only at the next start.
TEST(Doppi, StopThatCutsThePaymentIsSaid) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  b.porta.cassa = [&](std::string_view s) {
    auto u = sim.ricevi(s);
    if (sim.comandi().size() == 6) b.pompa.alle(b.orologio.t, [&] { Form_Unload(b.st); });
    return u;
  };
  Timer1_Timer(b.st);
  EXPECT_EQ(
      Conta(b.righeLog(), "Scontrino a.sco interrotto durante il pagamento dalla chiusura del programma"),
      1u);
}

// A receipt of a point-of-sale user with a strict umask is no bad receipt: it stays,
// is said once with the user the program runs as, and goes once it can be read.
TEST(Doppi, ReceiptThatMayNotBeReadWaits) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  std::filesystem::permissions(b.cartella / "a.sco", std::filesystem::perms::none);
  {
    // Root reads whatever the mode says; without these capabilities it is refused too.
    __user_cap_header_struct testa{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct prima[2]{}, senza[2]{};
    const bool ridotto = syscall(SYS_capget, &testa, prima) == 0;
    std::copy(prima, prima + 2, senza);
    senza[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    if (ridotto) syscall(SYS_capset, &testa, senza);
    for (int i = 0; i < 3; ++i) Timer1_Timer(b.st);
    if (ridotto) syscall(SYS_capset, &testa, prima);
  }
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_EQ(b.fileInCartella(), (Comandi{"a.sco", "errori.txt", "quimbo.ini"}));
  EXPECT_EQ(Conta(b.righeLog(), "Scontrino a.sco: permesso negato, l'utente " + NomeUtente()), 1u);
  EXPECT_TRUE(b.finestra.domande.empty());
  std::filesystem::permissions(b.cartella / "a.sco", std::filesystem::perms::owner_read);
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
}

// A receipt the disk cannot give back (an I/O error) is no bad receipt either, nor a
// permission problem: it stays, and is said once with the system's reason.
TEST(Doppi, ReceiptThatCannotBeReadIsSaidWithTheSystemsReason) {
  // A sysfs attribute that answers every read with EIO; its size says 4096.
  const char* const guasto = "/sys/devices/software/power/autosuspend_delay_ms";
  char c;
  std::FILE* f = std::fopen(guasto, "rb");
  const bool eio = f && std::fread(&c, 1, 1, f) == 0 && errno == EIO;
  if (f) std::fclose(f);
  if (!eio) GTEST_SKIP() << guasto << " non d\xe0 EIO su questo sistema";
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  std::filesystem::create_symlink(guasto, b.cartella / "a.sco");
  for (int i = 0; i < 3; ++i) Timer1_Timer(b.st);
  EXPECT_TRUE(sim.comandi().empty());
  EXPECT_TRUE(b.esiste("a.sco"));
  EXPECT_EQ(Conta(b.righeLog(), "Scontrino a.sco illeggibile (" + std::generic_category().message(EIO) + ")"),
            1u);
  EXPECT_EQ(Conta(b.righeLog(), "permesso negato"), 0u);
  EXPECT_TRUE(b.finestra.domande.empty());
}

// A folder whose name the system refuses (too long) is said as such, once, and not as a payment mark that
// cannot be read.
TEST(Doppi, FolderWithANameTooLongIsSaidAsSuch) {
  Banco b;
  b.prepara("", "vandoni");
  b.imp.msDirPerFile = (b.cartella / std::string(1 << 20, 'x')).string();
  for (int i = 0; i < 3; ++i) Timer1_Timer(b.st);
  const auto& detti = b.finestra.storia[Campo::TxtMsg];
  EXPECT_EQ(Conta(detti, "inaccessibile (" + std::generic_category().message(ENAMETOOLONG) + ")"), 1u);
  EXPECT_EQ(Conta(detti, "pagamento.txt"), 0u);
  EXPECT_TRUE(b.timer.abilitato);
}

// A full disk: nothing is sent that could not be marked, the receipt stays, "disco
// pieno" is said once and shown, no temporary file is left; it goes once there is room.
TEST(Doppi, FullDiskSendsNothingAndWaits) {
  Banco b;
  auto& sim = b.prepara("", "vandoni");
  const std::filesystem::path piccola = b.cartella / "piccola";
  std::filesystem::create_directory(piccola);
  if (::mount("quimbo", piccola.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "mount tmpfs non permesso";
  struct Smonta {
    std::string p;
    ~Smonta() { ::umount2(p.c_str(), MNT_DETACH); }
  } smonta{piccola.string()};
  b.imp.msDirPerFile = piccola.string();
  std::ofstream(piccola / "a.sco", std::ios::binary) << kRicevuta;
  {
    std::ofstream riempi(piccola / "riempi", std::ios::binary);
    const std::string blocco(4096, 'x');
    while (riempi.write(blocco.data(), blocco.size()).flush()) {
    }
  }
  for (int i = 0; i < 2; ++i) Timer1_Timer(b.st);
  EXPECT_TRUE(b.porta.scritto.empty());
  std::vector<std::string> nomi;
  for (const auto& e : std::filesystem::directory_iterator(piccola))
    nomi.push_back(e.path().filename().string());
  std::sort(nomi.begin(), nomi.end());
  EXPECT_EQ(nomi, (Comandi{"a.sco", "errori.txt", "quimbo.lock",
                           "riempi"}));  // the log, empty: no room for its line
  EXPECT_EQ(Conta(b.finestra.annotazioni, "Disco pieno"), 1u);
  EXPECT_EQ(DescriviSituazione(b.finestra.situazioneMostrata),
            "1 scontrino in attesa; disco pieno; cassa collegata");
  std::filesystem::remove(piccola / "riempi");
  Timer1_Timer(b.st);
  EXPECT_EQ(sim.comandi(), kComandi);
  EXPECT_FALSE(std::filesystem::exists(piccola / "a.sco"));
}

TEST(Doppi, TimerThatNeverTicksIsSaid) {
  Banco b;
  b.avvia("AttesaTimer=0");
  EXPECT_EQ(b.st.TxtMsg, "AttesaTimer \"0\" non valido: gli scontrini non vengono inviati");
}

}  // namespace
}  // namespace quimbo::prova
