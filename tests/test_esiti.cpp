// What the point of sale is told of each receipt: esiti/<name>.esito, written before
// the receipt leaves the folder, in the form an INI reader takes.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/elenco_dubbi.h"
#include "fakes.h"
#include "nome_riga.h"
#include "queue/disco.h"
#include "queue/dubbi.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/metriche.h"
#include "queue/scansione.h"
#include "queue/scartati.h"

namespace quimbo::prova {
namespace {

namespace fs = std::filesystem;
using B = std::string;

B Contenuto(const fs::path& f) {
  return (std::ostringstream() << std::ifstream(f, std::ios::binary).rdbuf()).str();
}

const B kRicevuta = "00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n";
const B kOra = "Ora=2026-12-05 07:10:03\r\n";

struct Caso {
  const char* nome;
  simcassa::Guasti guasti;
  B righe;
  bool senzaFinestra;
  B atteso;
};

class Esiti : public testing::TestWithParam<Caso> {};

// One receipt's life, and its outcome as the point of sale reads it.
TEST_P(Esiti, SaysWhatBecameOfTheReceipt) {
  const Caso& c = GetParam();
  Banco b;
  b.imp.mbSenzaFinestra = c.senzaFinestra;
  b.prepara("", "vandoni", c.guasti);
  b.finestra.risposte = {Risposta::Annulla};
  b.scriviFile("a.sco", c.righe);
  Timer1_Timer(b.st);
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(b.esito("a.sco"), c.atteso);
}

// clang-format off
RIGHE(Vite, Esiti,
    {"Printed", {}, kRicevuta, false, "[Esito]\r\nStato=stampato\r\n" + kOra + "Comandi=8\r\nDurata=0.00\r\n"},
    {"BadLineSetAside", {}, "00\tPANE\tdue\t150\t3\r\n80\tC\t300\t0\t0\r\n", false,
     "[Esito]\r\nStato=messo da parte\r\n" + kOra +
         "Comandi=0\r\nDurata=0.00\r\nMotivo=Riga 1: Type mismatch\r\nRiga=1\r\nConservato=badscont.bad\r\n"},
    {"RefusedAndGivenUp", {.rifiutaPrimi = 1000, .alDato = "2PANE"}, kRicevuta, false,
     "[Esito]\r\nStato=messo da parte\r\n" + kOra + "Comandi=6\r\nDurata=0.00\r\n"
         "Motivo=Scontrino interrotto dall'operatore\r\nRiga=1\r\nConservato=badscont.bad\r\n"},
    {"CutInItsPayment", {.rispondiCon = 'A', .alDato = "497"}, kRicevuta, true,
     "[Esito]\r\nStato=in dubbio\r\n" + kOra + "Comandi=8\r\nDurata=0.00\r\n"
         "Motivo=Interrotto durante il pagamento alla riga 2: risposta inattesa della cassa; controllare il "
         "giornale della cassa\r\nRiga=2\r\nUltimo=chiusura inviata (riga 2), risposta inattesa\r\n"
         "InizioPagamento=2026-12-05 07:10:03\r\nConservato=scartati/20261205-071003_in_dubbio_a.sco\r\n"});
// clang-format on

// A receipt cut in its payment is counted in the status line and listed with what
// the operator needs to find it in the register's journal: its lines as the register
// got them, a UTF-8 one's decoded as the queue decodes it.
TEST(Esiti, ReceiptsInDoubtAreCountedAndListed) {
  Banco b;
  b.imp.mbSenzaFinestra = true;
  b.prepara("", "vandoni", {.rispondiCon = 'A', .alDato = "497"});
  b.scriviFile("a.sco", "00\tCaff\xc3\xa8\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n");
  Timer1_Timer(b.st);
  EXPECT_NE(DescriviSituazione(b.finestra.situazioneMostrata).find("; 1 scontrino in dubbio;"), B::npos)
      << DescriviSituazione(b.finestra.situazioneMostrata);
  const std::vector<InDubbio> elenco = ElencoInDubbio(b.cartella, "auto");
  ASSERT_EQ(elenco.size(), 1u);
  EXPECT_EQ(RigheInDubbio(elenco[0]),
            "a.sco  pagamento iniziato il 2026-12-05 07:10:03  totale 300 (C)  2 righe  "
            "scartati/20261205-071003_in_dubbio_a.sco  Interrotto durante il pagamento alla riga 2: risposta "
            "inattesa della cassa; controllare il giornale della cassa  chiusura inviata (riga 2), risposta "
            "inattesa\n    00\tCaff\xe8\t2\t150\t3\n    80\tC\t300\t0\t0\t500");
  EXPECT_EQ(ElencoInDubbio(b.cartella, "windows-1252")[0].righe[0], "00\tCaff\xc3\xa8\t2\t150\t3")
      << "as the queue would read it";
}

// The list of receipts in doubt as both windows draw it: the chosen receipt stays
// chosen where it moves after a refresh, the first is chosen when it went, none in an
// empty list; a settlement settles the chosen one, then reads the list again.
TEST(Esiti, ListOfReceiptsInDoubtKeepsTheChosenOne) {
  struct Op : Operatore {
    std::vector<std::vector<std::string>> elenchi;  // what each read of the folder finds
    std::vector<std::string> sistemati;
    void fine() override {}
    void sblocca() override {}
    void inviaTest() override {}
    void chiudi() override {}
    bool chiuso() const override { return false; }
    bool inPagamento() const override { return false; }
    std::vector<InDubbio> inDubbio() override {
      std::vector<InDubbio> r;
      for (const std::string& f : elenchi.front()) r.push_back({.file = f, .nome = f});
      if (elenchi.size() > 1) elenchi.erase(elenchi.begin());
      return r;
    }
    bool sistema(const InDubbio& d, bool ristampa) override {
      sistemati.push_back(d.file + (ristampa ? " ristampa" : " stampato"));
      return true;
    }
  } op;
  op.elenchi = {{"a", "b", "c"}, {"x", "b", "c"}, {"x", "c"}, {}};
  ElencoDubbi e(op);
  EXPECT_EQ(e.scelto(), 0);
  e.scegli(1);
  e.aggiorna();  // "b" is still the second
  EXPECT_EQ(e.dettaglio(), DescriviInDubbio({.file = "b", .nome = "b"}));
  e.sistema(true);  // settles "b"; the list then lacks it: the first is chosen
  EXPECT_EQ(op.sistemati, std::vector<std::string>{"b ristampa"});
  EXPECT_EQ(e.voci().size(), 2u);
  EXPECT_EQ(e.scelto(), 0);
  e.aggiorna();
  EXPECT_EQ(std::make_tuple(e.scelto(), e.sistemabile(), e.dettaglio()),
            std::make_tuple(-1, false, B(kNessunoInDubbio)));
  e.sistema(false);  // nothing chosen: nothing settled
  EXPECT_EQ(op.sistemati.size(), 1u);
  e.scegli(5);
  EXPECT_EQ(e.scelto(), -1);
}

// A name in scartati/ read back as it was made, and as earlier runs made it: a second
// one of the same second (".2"), a kind the receipt's own name does not hide, no stamp.
TEST(Esiti, SetAsideNamesReadBackAsTheyWereMade) {
  const DataOra t{.anno = 2026, .mese = 12, .giorno = 5, .ora = 7, .minuto = 10, .secondo = 3};
  for (const auto& [tipo, file] : {std::pair{Scarto::InDubbio, "20261205-071003_in_dubbio_a.sco"},
                                   {Scarto::Stampato, "20261205-071003_stampato_a.sco"},
                                   {Scarto::Fallito, "20261205-071003_a.sco"}}) {
    EXPECT_EQ(NomeScartato(t, tipo, "a.sco"), file);
    const Scartato s = LeggiScartato(file);
    EXPECT_EQ(s.tipo, tipo) << file;
    EXPECT_EQ(s.quando, t) << file;
    EXPECT_EQ(s.nome, "a.sco") << file;
  }
  struct Riga {
    const char* file;
    Scarto tipo;
    bool stampo;
    const char* nome;
  };
  for (const Riga& r :
       {Riga{"20261205-071003_in_dubbio_a.sco.2", Scarto::InDubbio, true, "a.sco"},
        Riga{"20261205-071003_in_dubbio_ristampa-a.sco", Scarto::InDubbio, true, "ristampa-a.sco"},
        Riga{"20261205-071003_badscont.bad", Scarto::Fallito, true, "badscont.bad"},
        Riga{"copia_in_dubbio_a.sco", Scarto::InDubbio, false, "a.sco"},
        Riga{"20261305-071003_x.sco", Scarto::Fallito, false, "20261305-071003_x.sco"}}) {
    const Scartato s = LeggiScartato(r.file);
    EXPECT_EQ(s.tipo, r.tipo) << r.file;
    EXPECT_EQ(s.quando.has_value(), r.stampo) << r.file;
    EXPECT_EQ(s.nome, r.nome) << r.file;
  }
}

// The operator settles a receipt in doubt. "Gi\xe0 stampato" sends nothing and keeps
// the file; a reprint goes back into the folder and is printed once, its outcome
// "ristampato". A second settlement of the same receipt (a second click, the window
// and the command line at once) finds it gone, and says how it was settled; a reprint
// never replaces a file.
TEST(Esiti, ReceiptInDoubtSettledOnceByTheOperator) {
  Banco b;
  b.imp.mbSenzaFinestra = true;
  b.prepara("", "vandoni", {.rispondiCon = 'A', .alDato = "497"});
  b.scriviFile("a.sco", kRicevuta);
  b.scriviFile("b.sco", kRicevuta);
  Timer1_Timer(b.st);  // one in doubt stops the tick: the next one goes at the next
  Timer1_Timer(b.st);
  ASSERT_EQ(ElencoInDubbio(b.cartella, "auto").size(), 2u);
  auto& sana = b.collega("vandoni");  // the register answers well again
  std::string errore;
  bool ambiguo = false;
  const auto trova = [&](const std::string& nome) {
    return TrovaInDubbio(b.cartella, "auto", nome, errore, ambiguo);
  };
  b.orologio.data.minuto = 30;  // settled later than it was cut
  EXPECT_EQ(
      Sistema(b.cartella, *trova("a.sco"), false, b.orologio.data, errore),
      "Scontrino a.sco in dubbio: gi\xe0 stampato, conservato come scartati/20261205-073003_stampato_a.sco");
  EXPECT_EQ(b.esito("a.sco"),
            "[Esito]\r\nStato=gi\xe0 stampato\r\nOra=2026-12-05 07:30:03\r\n"
            "InizioPagamento=2026-12-05 07:10:03\r\n"
            "Conservato=scartati/20261205-073003_stampato_a.sco\r\n");
  EXPECT_EQ(trova("a.sco"), std::nullopt) << "settled already";
  EXPECT_NE(errore.find("nessuno scontrino a.sco in dubbio"), B::npos) << errore;
  EXPECT_FALSE(ambiguo);
  EXPECT_EQ(ComeSistemato(b.cartella, "a.sco"), "gi\xe0 stampato (sistemato il 2026-12-05 07:30:03)");

  b.scriviFile("ristampa-b.sco", "gi\xe0 qui");
  const std::optional<InDubbio> inDubbio = trova("20261205-071003_in_dubbio_b.sco");
  ASSERT_TRUE(inDubbio);
  EXPECT_EQ(Sistema(b.cartella, *inDubbio, true, b.orologio.data, errore), std::nullopt);
  EXPECT_EQ(b.leggiFile("ristampa-b.sco"), "gi\xe0 qui") << "never replaced";
  std::filesystem::remove(b.cartella / "ristampa-b.sco");
  EXPECT_TRUE(Sistema(b.cartella, *inDubbio, true, b.orologio.data, errore));
  EXPECT_EQ(ComeSistemato(b.cartella, "b.sco"),
            "rimesso nella cartella come ristampa-b.sco, in attesa di stampa");
  Timer1_Timer(b.st);
  Timer1_Timer(b.st);
  EXPECT_EQ(sana.comandi().size(), 8u) << "printed once: synchronisation, sale, total";
  EXPECT_TRUE(ElencoInDubbio(b.cartella, "auto").empty());
  EXPECT_EQ(b.esito("b.sco"),
            "[Esito]\r\nStato=ristampato\r\nOra=2026-12-05 07:30:03\r\nComandi=8\r\nDurata=0.00\r\n");
  EXPECT_EQ(ComeSistemato(b.cartella, "20261205-071003_in_dubbio_b.sco"),
            "ristampato il 2026-12-05 07:30:03");
  EXPECT_EQ(ComeSistemato(b.cartella, "c.sco"), std::nullopt) << "never in doubt";

  // The program sending from the folder says each settlement in its log, once.
  const std::vector<std::string>& log = b.finestra.annotazioni;
  for (const char* riga :
       {"Scontrino in dubbio scartati/20261205-071003_in_dubbio_a.sco sistemato: gi\xe0 stampato",
        "Scontrino in dubbio scartati/20261205-071003_in_dubbio_b.sco sistemato: ristampato"})
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(riga) != B::npos; }),
        1)
        << riga;
}

// What a receipt's life forces to disk, in order, the same on every system: each change that a later decision
// depends on is on disk before the next one. The receipt's deletion, or its move into scartati/, is on disk
// before its journal entry or payment mark goes (a power cut keeping the second and losing the first would
// print it again).
struct Passi {
  const char* nome;
  simcassa::Guasti guasti;
  std::vector<std::string> attesi;
};
class SuDisco : public testing::TestWithParam<Passi> {};

TEST_P(SuDisco, ReceiptReachesTheDiskInOneOrderOnEverySystem) {
  Banco b;
  b.imp.mbSenzaFinestra = true;
  b.prepara("", "vandoni", GetParam().guasti);
  b.scriviFile("a.sco", kRicevuta);
  std::vector<std::string> passi;
  const std::string cartella = b.cartella.filename().string();
  OsservaDisco([&](const std::string& p) {
    passi.push_back(p.ends_with(" " + cartella) ? p.substr(0, p.size() - cartella.size()) + "." : p);
  });
  Timer1_Timer(b.st);
  OsservaDisco(nullptr);
  EXPECT_EQ(passi, GetParam().attesi);
}
// clang-format off
RIGHE(Esiti, SuDisco,
    {"Printed", {}, {
        "dati inviati.txt.prova",  // can the journal be written?
        "dati pagamento.txt.nuovo", "dati pagamento.txt.inizio.nuovo",
        "nome pagamento.txt.inizio.nuovo > pagamento.txt", "cartella .",
        "dati inviati.txt.nuovo", "nome inviati.txt.nuovo > inviati.txt", "cartella .",
        "cartella .",  // esiti/ made
        "dati .a.sco.esito.nuovo", "nome .a.sco.esito.nuovo > a.sco.esito", "cartella esiti",
        "tolto pagamento.txt", "cartella .", "tolto a.sco", "cartella .", "tolto inviati.txt", "cartella ."}},
    {"CutInItsPayment", {.rispondiCon = 'A', .alDato = "497"}, {
        "dati inviati.txt.prova",
        "dati pagamento.txt.nuovo", "dati pagamento.txt.inizio.nuovo",
        "nome pagamento.txt.inizio.nuovo > pagamento.txt", "cartella .",
        "cartella .",  // esiti/ made
        "dati .a.sco.esito.nuovo", "nome .a.sco.esito.nuovo > a.sco.esito", "cartella esiti",
        "nome a.sco > 20261205-071003_in_dubbio_a.sco", "cartella scartati", "cartella .",
        "tolto pagamento.txt", "cartella ."}});
// clang-format on

// A set-aside receipt's outcome follows its file into "scartati" when the next one
// takes its place; GiorniEsiti=0 writes none.
TEST(Esiti, FollowTheFileAndCanBeTurnedOff) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("a.sco", "80\tX\t1\t0\t0\r\n");
  Timer1_Timer(b.st);
  b.orologio.data.secondo = 9;
  b.scriviFile("b.sco", "80\tZ\t2\t0\t0\r\n");
  Timer1_Timer(b.st);
  EXPECT_NE(b.esito("a.sco").find("\r\nConservato=scartati/20261205-071009_a.sco\r\n"), B::npos)
      << b.esito("a.sco");
  EXPECT_NE(b.esito("b.sco").find("\r\nConservato=badscont.bad\r\n"), B::npos);

  Banco spento;
  spento.prepara("GiorniEsiti=0", "vandoni");
  spento.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(spento.st);
  EXPECT_FALSE(spento.esiste("a.sco"));
  EXPECT_FALSE(spento.esiste("esiti"));
}

// A stop between the journal and the outcome: the receipt is only deleted at the next
// start, and the point of sale still gets its outcome first.
TEST(Esiti, ReceiptJournalledBeforeAStopStillGetsItsOutcome) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("a.sco", kRicevuta);
  AggiungiInviato(b.cartella, *IdentitaDi(b.cartella / "a.sco"));
  Timer1_Timer(b.st);
  EXPECT_EQ(b.porta.scritto, "") << "never sent again";
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_EQ(b.esito("a.sco"), "[Esito]\r\nStato=stampato\r\n" + kOra);
}

// A printed receipt whose outcome cannot be written (here "esiti" is a file) goes all
// the same, journalled first, and the failure is said: kept, it could be taken for a new
// receipt if the point of sale touched it.
TEST(Esiti, PrintedReceiptWhoseOutcomeCannotBeWrittenGoesAndIsSaid) {
  Banco b;
  b.prepara("", "vandoni");
  b.scriviFile("esiti", "");
  b.scriviFile("a.sco", kRicevuta);
  Timer1_Timer(b.st);
  const std::size_t stampato = b.porta.scritto.size();
  Timer1_Timer(b.st);
  EXPECT_EQ(b.porta.scritto.size(), stampato) << "printed once";
  EXPECT_FALSE(b.esiste("a.sco"));
  EXPECT_NE(b.leggiFile("errori.txt").find("Esito dello scontrino a.sco non scrivibile in esiti"), B::npos);
}

// Outcomes "GiorniEsiti" days old go at the first scan; anything else in the folder stays.
TEST(Esiti, OldOnesGoAndOddFilesStay) {
  Banco b;
  fs::create_directories(b.cartella / "esiti");
  const auto vecchio = fs::file_time_type::clock::now() - std::chrono::hours(24 * 3 + 1);
  for (const char* nome : {"vecchio.sco.esito", "nuovo.sco.esito", "appunti.txt"}) {
    std::ofstream(b.cartella / "esiti" / nome) << "[Esito]\r\n";
    if (B(nome) != "nuovo.sco.esito") fs::last_write_time(b.cartella / "esiti" / nome, vecchio);
  }
  fs::create_directory(b.cartella / "esiti" / "vecchia.esito");
  b.prepara("GiorniEsiti=3", "vandoni");
  Timer1_Timer(b.st);
  EXPECT_FALSE(fs::exists(b.cartella / "esiti" / "vecchio.sco.esito"));
  for (const char* nome : {"nuovo.sco.esito", "appunti.txt", "vecchia.esito"})
    EXPECT_TRUE(fs::exists(b.cartella / "esiti" / nome)) << nome;
}

// The figures in Prometheus' text format; label values in UTF-8 and escaped.
TEST(Metriche, TextFormatOfEveryFigure) {
  const Cifre c{.esiti = {{"stampato", 3}, {"in_dubbio", 1}},
                .inAttesa = 2,
                .inDubbio = 1,
                .ultimaStampa = 1796000000.5,
                .cassaRisponde = false,
                .discoPieno = true,
                .versione = "0.1.0",
                .famiglia = "Vandoni",
                .ini = "C:\\Quimbo\\cass\xe0 \"1\".ini"};
  EXPECT_EQ(
      TestoMetriche(c),
      "# HELP quimbo_scontrini_total Receipts by outcome since the program started.\n"
      "# TYPE quimbo_scontrini_total counter\n"
      "quimbo_scontrini_total{esito=\"stampato\"} 3\n"
      "quimbo_scontrini_total{esito=\"messo_da_parte\"} 0\n"
      "quimbo_scontrini_total{esito=\"in_dubbio\"} 1\n"
      "# HELP quimbo_scontrini_in_attesa Receipts waiting in the folder.\n"
      "# TYPE quimbo_scontrini_in_attesa gauge\n"
      "quimbo_scontrini_in_attesa 2\n"
      "# HELP quimbo_scontrini_in_dubbio Receipts set aside in doubt, for the operator to settle.\n"
      "# TYPE quimbo_scontrini_in_dubbio gauge\n"
      "quimbo_scontrini_in_dubbio 1\n"
      "# HELP quimbo_ultima_stampa_timestamp_seconds When the last receipt was printed (Unix time); 0 before "
      "the first.\n"
      "# TYPE quimbo_ultima_stampa_timestamp_seconds gauge\n"
      "quimbo_ultima_stampa_timestamp_seconds 1796000000.5\n"
      "# HELP quimbo_cassa_risponde Whether the register answers (1) or is silent (0).\n"
      "# TYPE quimbo_cassa_risponde gauge\n"
      "quimbo_cassa_risponde 0\n"
      "# HELP quimbo_disco_pieno Whether the receipt folder's disk is full (1).\n"
      "# TYPE quimbo_disco_pieno gauge\n"
      "quimbo_disco_pieno 1\n"
      "# HELP quimbo_info The program's version, register family and configuration file.\n"
      "# TYPE quimbo_info gauge\n"
      "quimbo_info{versione=\"0.1.0\",famiglia=\"Vandoni\",ini=\"C:\\\\Quimbo\\\\cass\xc3\xa0 "
      "\\\"1\\\".ini\"} 1\n");
}

// Written at a change, at most once a second: a change within the second waits for a
// later scan.
TEST(Metriche, WrittenAtAChangeAtMostOnceASecond) {
  Banco b;
  const fs::path file = b.cartella / "quimbo.prom";
  b.prepara("Metriche=" + file.string(), "vandoni");
  Timer1_Timer(b.st);
  const B primo = Contenuto(file);
  EXPECT_NE(primo.find("quimbo_scontrini_total{esito=\"stampato\"} 0\n"), B::npos) << primo;
  b.scriviFile("a.sco", kRicevuta);
  b.orologio.t += 0.5;
  Timer1_Timer(b.st);
  EXPECT_EQ(Contenuto(file), primo) << "not twice within a second";
  b.orologio.t += 0.6;
  Timer1_Timer(b.st);
  const B dopo = Contenuto(file);
  EXPECT_NE(dopo.find("quimbo_scontrini_total{esito=\"stampato\"} 1\n"), B::npos) << dopo;
  EXPECT_EQ(dopo.find("quimbo_ultima_stampa_timestamp_seconds 0\n"), B::npos);
  EXPECT_FALSE(fs::exists(file.string() + ".nuovo"));
}

}  // namespace
}  // namespace quimbo::prova
