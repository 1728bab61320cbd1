// Start-up: settings with their defaults and conversions, the fallback box, the
// window adapted to the family, the port and the timer; and the error log line.

#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "shell/applicazione.h"
#include "shell/registro.h"

namespace quimbo::prova {
namespace {

TEST(Avvio, DefaultsWhenKeysAreMissing) {
  Banco b;
  b.avvia("");
  const Stato& st = b.st;
  EXPECT_EQ(st.msTipoReg, "Vandoni");
  EXPECT_EQ(st.msCommPort, "2");
  EXPECT_EQ(st.msSettings, "1200,e,7,1");
  EXPECT_EQ(st.msAttesaTimer, "4000");
  EXPECT_EQ(st.miRitenta, 3);
  EXPECT_EQ(st.miDecimali, 2);
  EXPECT_EQ(st.msSepDecimaliQta, ".");
  EXPECT_EQ(st.msAttRisposta, "S");
  EXPECT_DOUBLE_EQ(st.mdPausa, 0.005);
  EXPECT_EQ(st.miFrontMaxDesc, 10);
  EXPECT_EQ(st.miFrontMaxLotteria, 8);
  EXPECT_EQ(st.miLungMaxDesc, 14);
  EXPECT_EQ(st.miRepDef, 1);
  EXPECT_DOUBLE_EQ(st.mdPausaReady, 0.2);
  EXPECT_EQ(b.finestra.confBaseTesto, "");
  EXPECT_FALSE(b.finestra.aggConfSpuntato);
  EXPECT_EQ(st.msTotDisplay, "");
  EXPECT_DOUBLE_EQ(st.mdTempoMaxRisposta, 0);
  EXPECT_EQ(st.miRisposteAutomatiche, 3);
  // Constants and the department table.
  EXPECT_EQ(st.msSTX, "\x02");
  EXPECT_EQ(st.msNAK, "\x15");
  EXPECT_EQ(st.msXOFF, "\x13");
  EXPECT_EQ(st.miProgr, 32);
  EXPECT_EQ(st.masCodici[1], "21");
  EXPECT_EQ(st.masCodici[5], "25");
  EXPECT_EQ(st.masCodici[20], "40");
  // Port and timer.
  EXPECT_EQ(b.porta.aperture, std::vector<std::string>{"/dev/finta"});
  EXPECT_EQ(b.porta.impostazioni(), "1200,e,7,1");
  EXPECT_EQ(b.finestra.intervallo, 4000);
  EXPECT_TRUE(b.finestra.timerAbilitato);
  EXPECT_TRUE(b.finestra.domande.empty());
}

TEST(Avvio, ValuesAreTrimmedAndConverted) {
  Banco b;
  b.avvia("Registratore=Olivetti\nPausa= 0,01 \nPausaReady=0.5\nRitenta=  5\nConfBase=  abc  \n"
          "AttesaTimer=2500ms\nTempoMaxRisposta=7,5\nRisposteAutomatiche=0",
          "Settings=9600,n,8,1");
  EXPECT_DOUBLE_EQ(b.st.mdPausa, 0.01);
  EXPECT_DOUBLE_EQ(b.st.mdPausaReady, 0.5);
  EXPECT_EQ(b.st.miRitenta, 5);
  EXPECT_EQ(b.finestra.confBaseTesto, "abc");
  EXPECT_TRUE(b.finestra.aggConfSpuntato);
  EXPECT_EQ(b.finestra.intervallo, 2500);  // the leading number of the text
  EXPECT_DOUBLE_EQ(b.st.mdTempoMaxRisposta, 7.5);
  EXPECT_EQ(b.st.miRisposteAutomatiche, 0);
  EXPECT_EQ(b.porta.impostazioni(), "9600,n,8,1");
}

TEST(Avvio, HeadlessWaitsAtMostThirtySecondsByDefault) {
  Banco b;
  b.st.mbSenzaFinestra = true;
  b.avvia("");
  EXPECT_DOUBLE_EQ(b.st.mdTempoMaxRisposta, 30);
}

TEST(Avvio, NulCharactersAtTheEndsOfAValueAreDropped) {
  Banco b;
  b.avvia(std::string("SepDecimaliQta=abc\0\0  ", 22));
  EXPECT_EQ(b.st.msSepDecimaliQta, "abc");
  EXPECT_EQ(f_trim0(b.st, std::string("\0 a \0", 5)), " a ");
  EXPECT_EQ(f_trim0(b.st, std::string("\0", 1)), "");
  EXPECT_EQ(f_trim0(b.st, "   "), "");
}

TEST(Avvio, BlankConfBaseLeavesTheBoxUnchecked) {
  Banco b;
  b.avvia("ConfBase=\"   \"");
  EXPECT_FALSE(b.finestra.aggConfSpuntato);
}

// A bad value: one box, the five fallbacks, later keys at their start values.
TEST(Avvio, BadValueFallsBackToTheFiveDefaults) {
  Banco b;
  b.avvia("AttesaTimer=1000\nRitenta=7\nDecimali=x\nSepDecimaliQta=,\nPausa=0,3\nConfBase=abc",
          "CommPort=5\nSettings=9600,n,8,1");
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  const Domanda& d = b.finestra.domande[0];
  EXPECT_EQ(d.titolo, "Errore file ini");
  EXPECT_EQ(d.testo,
            "(Quimbo,Form Load) Problemi nei parametri.\r\nnel file di inizializzazione. \r\n"
            "Uso i valori di default\r\nType mismatch");
  EXPECT_EQ(d.icona, Icona::Esclamazione);
  EXPECT_EQ(d.pulsanti, Pulsanti::Ok);
  EXPECT_EQ(b.st.msCommPort, "2");
  EXPECT_EQ(b.st.msSettings, "1200,e,7,1");
  EXPECT_EQ(b.st.msAttesaTimer, "4000");
  EXPECT_EQ(b.st.msDirPerFile, "f:\\quimbo");
  EXPECT_EQ(b.st.miRitenta, 3);
  // Keys after the failing one keep their start values, not their defaults.
  EXPECT_EQ(b.st.msSepDecimaliQta, "");
  EXPECT_EQ(b.st.mdPausa, 0);
  EXPECT_EQ(b.finestra.confBaseTesto, "");
  EXPECT_FALSE(b.finestra.aggConfSpuntato);
  EXPECT_EQ(b.finestra.intervallo, 4000);
  EXPECT_EQ(b.st.mdTempoMaxRisposta, 0);
  EXPECT_EQ(b.st.miRisposteAutomatiche, 3);
}

TEST(Avvio, OutOfRangeIntegerIsAnOverflow) {
  Banco b;
  b.avvia("Ritenta=40000");
  ASSERT_EQ(b.finestra.domande.size(), 1u);
  EXPECT_NE(b.finestra.domande[0].testo.find("Overflow"), std::string::npos);
}

struct CasoFamiglia {
  const char* tipo;
  bool risposta, sblocca, kabel;
};

class AvvioFamiglia : public ::testing::TestWithParam<CasoFamiglia> {};

TEST_P(AvvioFamiglia, WindowIsAdaptedAndCaptioned) {
  const CasoFamiglia c = GetParam();
  Banco b;
  b.avvia(std::string("Registratore=") + c.tipo);
  auto vis = [&](Elemento e, bool creato) {
    auto it = b.finestra.visibile.find(e);
    return it == b.finestra.visibile.end() ? creato : it->second;
  };
  EXPECT_EQ(vis(Elemento::TxtRit, false), c.risposta);
  EXPECT_EQ(vis(Elemento::LabRit, false), c.risposta);
  EXPECT_EQ(vis(Elemento::CmdSblocca, false), c.sblocca);
  for (Elemento e : {Elemento::txtProva, Elemento::comTest, Elemento::LabConfBase, Elemento::txtConfBase,
                     Elemento::CheAggConf})
    EXPECT_EQ(vis(e, true), c.kabel);
  EXPECT_EQ(b.finestra.ultimo(Campo::txtTipo), c.tipo);
  EXPECT_EQ(b.finestra.ultimo(Campo::Caption), std::string("Gestione Registratore di Cassa (") + c.tipo + ") ");
}

INSTANTIATE_TEST_SUITE_P(Famiglie, AvvioFamiglia,
                         ::testing::Values(CasoFamiglia{"Vandoni", true, true, false},
                                           CasoFamiglia{"Frontiera", false, false, false},
                                           CasoFamiglia{"OLIVETTI", true, false, false},
                                           CasoFamiglia{"kabel", true, false, true},
                                           CasoFamiglia{"Epson", false, false, false}));

TEST(Avvio, UnknownFamilyKeepsEveryReceipt) {
  Banco b;
  b.avvia("Registratore=Epson");
  EXPECT_TRUE(b.st.mbTipoSconosciuto);
  EXPECT_NE(b.finestra.ultimo(Campo::TxtMsg).find("sconosciuto"), std::string::npos);
  ASSERT_EQ(b.righeLog().size(), 1u);
  EXPECT_NE(b.righeLog()[0].find("Epson"), std::string::npos);
  b.scriviFile("a.sco", "00\tPANE\t1\t150\t1\r\n");
  Timer1_Timer(b.st);
  EXPECT_TRUE(b.esiste("a.sco"));
  EXPECT_TRUE(b.porta.scritto.empty());
  EXPECT_FALSE(b.finestra.timerAbilitato);
}

TEST(Avvio, MissingFileGivesDefaultsAndNoBox) {
  Banco b;
  const EsitoAvvio e = Form_Load(b.st, (b.cartella / "manca.ini").string());
  EXPECT_TRUE(e.portaAperta);
  EXPECT_EQ(e.dispositivo, "/dev/ttyS1");  // CommPort 2, counted from 0 here
  EXPECT_EQ(b.st.msTipoReg, "Vandoni");
  EXPECT_TRUE(b.finestra.domande.empty());
}

TEST(Avvio, PortThatDoesNotOpenStopsTheStartUp) {
  Banco b;
  b.porta.apriFallisce = true;
  std::ofstream(b.cartella / "q.ini") << "[Altri parametri]\nDirPerFile=" << b.cartella.string()
                                       << "\n[Parametri Seriale]\nCommPort=4\n";
  const EsitoAvvio e = Form_Load(b.st, (b.cartella / "q.ini").string());
  EXPECT_FALSE(e.portaAperta);
  EXPECT_EQ(e.dispositivo, "/dev/ttyS3");
  EXPECT_EQ(e.motivo, "No such file or directory");
  EXPECT_FALSE(b.finestra.timerAbilitato);
}

TEST(Chiusura, FineClosesThePortAndEnds) {
  Banco b;
  b.avvia("");
  Command1_Click(b.st);
  EXPECT_FALSE(b.porta.aperta());
  EXPECT_FALSE(b.finestra.timerAbilitato);
  EXPECT_TRUE(b.st.mbErrTx);
  EXPECT_TRUE(b.finestra.terminato);
}

TEST(RegistroErrori, LineFormatByteForByte) {
  EXPECT_EQ(RigaErrore(DataOra{2026, 12, 5, 7, 10, 3}, 53, "File not found", "f_fileLen"),
            "In 12/05/2026 07:10:03  si e' verificato l'errore n.53 (File not found) in f_fileLen");
  EXPECT_EQ(RigaErrore(DataOra{2027, 1, 2, 23, 5, 9}, 5, "", "TIMER1"),
            "In 01/02/2027 23:05:09  si e' verificato l'errore n.5 () in TIMER1");
}

TEST(RegistroErrori, AppendsCrLfLinesAndCreatesTheFile) {
  Banco b;
  b.avvia("");
  std::filesystem::remove(b.cartella / "errori.txt");
  ScriviErrore(b.st, 75, "Path/File access error", "TIMER1 (gestito dal programma)");
  ScriviErrore(b.st, 5, "Invalid procedure call or argument", "TIMER1");
  EXPECT_EQ(b.leggiFile("errori.txt"),
            "In 12/05/2026 07:10:03  si e' verificato l'errore n.75 (Path/File access error) in TIMER1 "
            "(gestito dal programma)\r\n"
            "In 12/05/2026 07:10:03  si e' verificato l'errore n.5 (Invalid procedure call or argument) in "
            "TIMER1\r\n");
}

TEST(RegistroErrori, UnwritableLogDropsTheLineQuietly) {
  Banco b;
  b.avvia("");
  b.st.msDirPerFile = (b.cartella / "non-esiste").string();
  EXPECT_NO_THROW(ScriviErrore(b.st, 53, "File not found", "f_fileLen"));
}

}  // namespace
}  // namespace quimbo::prova
