// Start-up: settings, defaults and conversions, the fallback box, the port and the timer; the error log.

#include <gtest/gtest.h>

#include <sstream>

#include "base/registro.h"
#include "fakes.h"
#include "nome_riga.h"
#include "programma/avvio.h"
#include "queue/scansione.h"

namespace quimbo::prova {
namespace {

using B = std::string;
// "CommPort" 4 and 2, and what to do about the missing port 4.
const B kPorta4 = kWindows ? "COM4" : "/dev/ttyS3";
const B kPorta2 = kWindows ? "COM2" : "/dev/ttyS1";
const B kInesistente =
    kWindows
        ? ". La porta COM4 non esiste: adattatore scollegato o numero sbagliato? Il numero della porta \xe8 "
          "in Gestione dispositivi, sotto Porte (COM e LPT)"
        : ". Dispositivo inesistente: adattatore scollegato o nome sbagliato? I nomi stabili degli "
          "adattatori USB sono in /dev/serial/by-id/";
const B kBoxIni =
    "(Quimbo,Form Load) Problemi nei parametri.\r\nnel file di inizializzazione. \r\n"
    "Uso i valori di default\r\n";

// The settings after the start-up as "Key=value" words, then the port opened with its settings and the timer.
std::string impostazioni(const Banco& b) {
  const Stato& s = b.st;
  std::ostringstream o;
  o << " Registratore=" << s.imp.msTipoReg << " CommPort=" << s.imp.msCommPort
    << " Settings=" << s.imp.msSettings << " AttesaTimer=" << s.imp.msAttesaTimer
    << " DirPerFile=" << s.imp.msDirPerFile << " Ritenta=" << s.imp.miRitenta
    << " SepDecimaliQta=" << s.imp.msSepDecimaliQta << " Pausa=" << s.imp.mdPausa
    << " PausaReady=" << s.imp.mdPausaReady << " ConfBase=" << b.finestra.confBaseTesto
    << " AggConf=" << b.finestra.aggConfSpuntato << " TotDisplay=" << s.imp.msTotDisplay
    << " TempoMaxRisposta=" << s.imp.mdTempoMaxRisposta
    << " RisposteAutomatiche=" << s.imp.miRisposteAutomatiche
    << " Porta=" << (b.porta.aperture.empty() ? "" : b.porta.aperture.back()) << "," << b.porta.impostazioni()
    << " Timer=" << b.timer.periodo << (b.timer.abilitato ? "" : ",spento");
  return o.str() + " ";
}

// Defaults; values trimmed (NULs too) and converted; headless waits at most 30 s. A bad value shows one box
// naming it and falls back to the defaults of timer and retries, later keys keeping their start values; the
// port and the folder stay as configured. Each row: the two sections' lines, headless?, words expected, the
// box's last lines ("": none).
struct Configurazione {
  const char* nome;
  B altri, seriale;
  bool senzaFinestra;
  const char *parole, *box;
};
class Impostazioni : public ::testing::TestWithParam<Configurazione> {};

TEST_P(Impostazioni, AreReadConvertedOrFallBackAtStartUp) {
  const auto& [_, altri, seriale, senzaFinestra, parole, box] = GetParam();
  Banco b;
  b.imp.mbSenzaFinestra = senzaFinestra;
  b.avvia(altri, seriale);
  const B tutte = impostazioni(b);
  std::istringstream attese(parole);
  for (B parola; attese >> parola;)
    EXPECT_NE(tutte.find(" " + parola + " "), B::npos) << parola << "\n" << tutte;
  ASSERT_EQ(b.finestra.domande.size(), *box ? 1u : 0u);
  for (const Domanda& d : b.finestra.domande)
    EXPECT_EQ(std::make_tuple(d.titolo, d.icona, d.pulsanti, d.testo),
              std::make_tuple("Errore file ini", Icona::Esclamazione, Pulsanti::Ok, kBoxIni + box));
}
// clang-format off
RIGHE(Avvio, Impostazioni,
    {"Defaults", "", "", false,
     "Registratore=Vandoni CommPort=2 Settings=1200,e,7,1 AttesaTimer=4000 Ritenta=3 SepDecimaliQta=. Pausa=0.005 "
     "PausaReady=0.2 ConfBase= AggConf=0 TotDisplay= TempoMaxRisposta=0 RisposteAutomatiche=3 "
     "Porta=/dev/finta,1200,e,7,1 Timer=4000", ""},
    {"ValuesTrimmedAndConverted", "Registratore=Olivetti\nPausa= 0,01 \nPausaReady=0.5\nRitenta=  5\nConfBase=  abc  \nAttesaTimer=2500ms\n"
     "TempoMaxRisposta=7,5\nRisposteAutomatiche=0", "Settings=9600,n,8,1", false,
     "Pausa=0.01 PausaReady=0.5 Ritenta=5 ConfBase=abc AggConf=1 TempoMaxRisposta=7.5 RisposteAutomatiche=0 "
     "Porta=/dev/finta,9600,n,8,1 Timer=2500", ""},
    {"NulsTrimmedAndHeadlessWaitsAtMost30Seconds", B("SepDecimaliQta=abc\0\0  ", 22), "", true, "SepDecimaliQta=abc TempoMaxRisposta=30", ""},
    {"BadValueFallsBackToTheDefaults", "AttesaTimer=1000\nRitenta=7\nDecimali=x\nSepDecimaliQta=,\nPausa=0,3\nConfBase=abc",
     "CommPort=5\nSettings=9600,n,8,1", false,
     "CommPort=5 Settings=9600,n,8,1 AttesaTimer=4000 Ritenta=3 SepDecimaliQta= Pausa=0 "
     "ConfBase= AggConf=0 TempoMaxRisposta=0 RisposteAutomatiche=3 Porta=/dev/finta,9600,n,8,1 Timer=4000",
     "Type mismatch\r\n[Altri parametri] Decimali = \"x\""},
    {"OverflowIsNamed", "Ritenta=40000", "", false, "", "Overflow\r\n[Altri parametri] Ritenta = \"40000\""});
// clang-format on

// An unknown family keeps every receipt in the folder: nothing is sent, the first
// tick stops the timer without a scan, and the window and the log say why.
TEST(Avvio, UnknownFamilyKeepsEveryReceipt) {
  Banco b;
  b.scriviFile("q.ini", "[Altri parametri]\nRegistratore=Epson\nDirPerFile=" + b.cartella.string() + "\n");
  Form_Load(b.st, b.imp, (b.cartella / "q.ini").string());
  EXPECT_NE(b.finestra.ultimo(Campo::TxtMsg).find("sconosciuto"), B::npos);
  EXPECT_EQ(
      b.leggiFile("errori.txt"),
      "In 12/05/2026 07:10:03  si e' verificato l'errore n.5 (Tipo di registratore sconosciuto: \"Epson\". "
      "Gli scontrini restano nella cartella.) in Form_Load\r\n");
  b.scriviFile("a.sco", "00\tPANE\t1\t150\t1\r\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(std::make_tuple(b.esiste("a.sco"), b.porta.scritto, b.timer.abilitato),
            std::make_tuple(true, "", false));
}

// A port that cannot open is named with what to do about it, on the screen and in the log.
TEST(Avvio, PortThatDoesNotOpenIsNamedWithWhatToDo) {
  Banco b;
  b.porta.apriFallisce = true;
  b.scriviFile("q.ini", "[Altri parametri]\nDirPerFile=" + b.cartella.string() +
                            "\n[Parametri Seriale]\nCommPort=4\n");
  const EsitoAvvio e = Form_Load(b.st, b.imp, (b.cartella / "q.ini").string());
  EXPECT_EQ(std::make_tuple(e.portaAperta, e.dispositivo, e.motivo, b.timer.abilitato),
            std::make_tuple(false, kPorta4, "No such file or directory" + kInesistente, false));
  EXPECT_EQ(b.leggiFile("errori.txt"),
            "In 12/05/2026 07:10:03  si e' verificato l'errore n.8002 (Impossibile "
            "aprire la porta " +
                kPorta4 + ": No such file or directory" + kInesistente + ") in Form_Load\r\n");
}

// The log: a CRLF line per error, with its date and time, appended to a file made
// when missing; a log whose folder is gone costs nothing.
TEST(Avvio, ErrorLogHasOneLinePerError) {
  Banco b;
  b.imp.msDirPerFile = b.cartella.string();
  ScriviErrore(b.st, 53, "File not found", "f_fileLen");
  b.orologio.data = DataOra{2027, 1, 2, 23, 5, 9};
  ScriviErrore(b.st, 5, "", "TIMER1");
  EXPECT_EQ(b.leggiFile("errori.txt"),
            "In 12/05/2026 07:10:03  si e' verificato l'errore n.53 (File not found) in f_fileLen\r\n"
            "In 01/02/2027 23:05:09  si e' verificato l'errore n.5 () in TIMER1\r\n");
  b.imp.msDirPerFile = (b.cartella / "non-esiste").string();
  EXPECT_NO_THROW(ScriviErrore(b.st, 53, "File not found", "f_fileLen"));
}

// A window started on an INI that is not there runs on the original's defaults and
// asks nothing.
TEST(Avvio, WindowOnAMissingIniRunsOnDefaultsAskingNothing) {
  Banco b;
  const EsitoAvvio e = Form_Load(b.st, b.imp, (b.cartella / "manca.ini").string());
  EXPECT_EQ(std::make_tuple(e.portaAperta, e.dispositivo, b.st.imp.msTipoReg, b.finestra.domande.size()),
            std::make_tuple(true, kPorta2, "Vandoni", 0u));
}

// A file that has no [Altri parametri] (a binary file, another program's INI) is no configuration: without a
// window the program stops and says so; the window runs on the original's defaults and says it last.
void SenzaSezione(bool senzaFinestra) {
  Banco b;
  b.imp.mbSenzaFinestra = senzaFinestra;
  b.scriviFile("q.ini", "[Parametri Seriale]\nCommPort=4\n");
  const std::string ini = (b.cartella / "q.ini").string();
  const EsitoAvvio e = Form_Load(b.st, b.imp, ini);
  const B detto = "il file ini " + ini + " non ha la sezione [Altri parametri]";
  EXPECT_EQ(e.erroreConfigurazione, senzaFinestra ? detto : "");
  EXPECT_EQ(b.finestra.ultimo(Campo::TxtMsg),
            senzaFinestra ? "" : "Attenzione: " + detto + ": uso i valori predefiniti");
  EXPECT_EQ(b.st.imp.msDirPerFile, senzaFinestra ? "" : "f:\\quimbo");
}
TEST(Avvio, FileWithoutTheProgramsSectionStopsAHeadlessStart) { SenzaSezione(true); }
TEST(Avvio, FileWithoutTheProgramsSectionLeavesTheWindowOnDefaults) { SenzaSezione(false); }

}  // namespace
}  // namespace quimbo::prova
