// Start-up: constants, configuration, window adapted to the family, port, timer.

#include "programma/avvio.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "base/disposizione.h"
#include "base/errore.h"
#include "base/impostazioni_porta.h"
#include "base/percorsi.h"
#include "base/registro.h"
#include "base/sistema.h"
#include "base/testo.h"
#include "base/util.h"
#include "drivers/famiglie.h"
#include "link/comm.h"
#include "queue/coda.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/scansione.h"

namespace quimbo {

namespace {

const char* const kSezioneAltri = "Altri parametri";
const char* const kSezioneSeriale = "Parametri Seriale";

// The elements that wait for the family are shown when the family has them, and
// the others hidden.
void AdattaFinestra(Stato& st) {
  const std::span<const Elemento> propri =
      st.imp.mpFamiglia ? st.imp.mpFamiglia->elementi : std::span<const Elemento>{};
  for (Elemento e : {Elemento::TxtRit, Elemento::LabRit, Elemento::CmdSblocca, Elemento::txtProva,
                     Elemento::comTest, Elemento::LabConfBase, Elemento::txtConfBase, Elemento::CheAggConf}) {
    const bool mostrato = std::find(propri.begin(), propri.end(), e) != propri.end();
    if (mostrato != PostoDi(ControlloDi(e)).visibile) st.finestra().mostra(e, mostrato);
  }
}

// Keys added to the original set; read after all of its keys, and at their
// defaults when start-up falls back.
void ImpostaChiaviNuovePredefinite(Impostazioni& imp) {
  imp.msDispositivo.clear();
  imp.mdTempoMaxRisposta = imp.mbSenzaFinestra ? 30 : 0;
  imp.miRisposteAutomatiche = 3;
  imp.miGiorniEsiti = 30;
  imp.msMetriche.clear();
  imp.msCodifica = "auto";
  imp.mdAttesaTotale = 60;
}

// "[Altri parametri] Decimali = "x"", for the messages about a bad value.
std::string Dove(const std::string& sezione, const std::string& chiave, const std::string& valore) {
  return "[" + sezione + "] " + chiave + " = \"" + valore + "\"";
}

// Without a window nobody reads a box: a service must not run on settings that
// nobody wrote, so it stops and names the value.
EsitoAvvio NonValido(const std::string& percorsoIni, const std::string& dove, const std::string& motivo) {
  EsitoAvvio esito;
  esito.erroreConfigurazione = "valore non valido nel file ini " + percorsoIni + ": " + dove + ": " + motivo;
  return esito;
}

// Reads the keys one by one and remembers the one being converted, so that a bad
// value can be named by section, key and value.
class Lettore {
 public:
  Lettore(Stato& st, const util::FileIni& ini) : st_(st), ini_(ini) {}
  std::string operator()(const char* sezione, const char* chiave, const char* predefinito) {
    sezione_ = sezione;
    chiave_ = chiave;
    valore_ = f_trim0(st_, ini_.leggi(sezione, chiave, predefinito));
    return valore_;
  }
  std::string ultima() const { return sezione_.empty() ? "" : Dove(sezione_, chiave_, valore_); }

 private:
  Stato& st_;
  const util::FileIni& ini_;
  std::string sezione_, chiave_, valore_;
};

// The port and the folder: texts that no conversion can fail. After a bad value
// the window runs on the defaults, but never on a port or a folder that nobody
// configured, so these are read again from the file whatever came before it.
void LeggiPortaECartella(Impostazioni& imp, Lettore& leggi) {
  imp.msCommPort = leggi(kSezioneSeriale, "CommPort", "2");
  imp.msSettings = leggi(kSezioneSeriale, "Settings", "1200,e,7,1");
  imp.msDispositivo = leggi(kSezioneSeriale, "Dispositivo", "");
  imp.msDirPerFile = leggi(kSezioneAltri, "DirPerFile", "f:\\quimbo");
}

void LeggiChiaviNuove(Impostazioni& imp, Lettore& leggi) {
  imp.mdTempoMaxRisposta =
      util::ConvertiNumero(leggi(kSezioneAltri, "TempoMaxRisposta", imp.mbSenzaFinestra ? "30" : "0"));
  if (imp.mdTempoMaxRisposta < 0) imp.mdTempoMaxRisposta = 0;
  imp.miRisposteAutomatiche = util::CIntero(leggi(kSezioneAltri, "RisposteAutomatiche", "3"));
  if (imp.miRisposteAutomatiche < 0) imp.miRisposteAutomatiche = 0;
  imp.msMetriche = leggi(kSezioneAltri, "Metriche", "");
  imp.miGiorniEsiti = util::CIntero(leggi(kSezioneAltri, "GiorniEsiti", "30"));
  if (imp.miGiorniEsiti < 0) imp.miGiorniEsiti = 0;
  imp.mdAttesaTotale = util::ConvertiNumero(leggi(kSezioneAltri, "AttesaTotale", "60"));
  if (imp.mdAttesaTotale < 0) imp.mdAttesaTotale = 0;
  imp.msCodifica = leggi(kSezioneAltri, "Codifica", "auto");
  const std::string codifica = testo::maiuscole(imp.msCodifica);
  if (codifica != "AUTO" && codifica != "WINDOWS-1252" && codifica != "UTF-8")
    throw Errore(err::ChiamataNonValida, "Codifica non valida (auto, windows-1252 o utf-8)");
}

void LeggiConfigurazione(Stato& st, Impostazioni& imp, Lettore& leggi) {
  LeggiPortaECartella(imp, leggi);
  imp.msAttesaTimer = leggi(kSezioneAltri, "AttesaTimer", "4000");
  imp.miRitenta = util::CIntero(leggi(kSezioneAltri, "Ritenta", "3"));
  imp.miDecimali = util::CIntero(leggi(kSezioneAltri, "Decimali", "2"));
  imp.msSepDecimaliQta = leggi(kSezioneAltri, "SepDecimaliQta", ".");
  imp.msAttRisposta = leggi(kSezioneAltri, "AttRisposta", "S");
  imp.mdPausa = util::ConvertiNumero(leggi(kSezioneAltri, "Pausa", "0,005"));
  imp.miFrontMaxDesc = util::CIntero(leggi(kSezioneAltri, "FrontMaxDesc", "10"));
  imp.miFrontMaxLotteria = util::CIntero(leggi(kSezioneAltri, "FrontMaxLotteria", "8"));
  imp.miLungMaxDesc = util::CIntero(leggi(kSezioneAltri, "LungMaxDesc", "14"));
  imp.miRepDef = util::CIntero(leggi(kSezioneAltri, "RepDef", "1"));
  imp.mdPausaReady = util::ConvertiNumero(leggi(kSezioneAltri, "PausaReady", "0,2"));
  st.finestra().impostaConfBase(leggi(kSezioneAltri, "ConfBase", ""));
  imp.msTotDisplay = leggi(kSezioneAltri, "TotDisplay", "");
  LeggiChiaviNuove(imp, leggi);
}

// A folder that is missing or cannot be written keeps every receipt where it is;
// said at start-up rather than at the first receipt.
void ControllaCartella(Stato& st) {
  const std::filesystem::path dir = cartella(st.imp.msDirPerFile);
  // Left by a run that was stopped: nothing will put them in place. Only the folder's
  // owner may say so: --prova beside a running program must not take its files away
  // between their writing and their renaming.
  if (!st.imp.mbSoloComando) {
    TogliScrittiAMeta(dir);
    TogliEsitiAMeta(dir);
  }
  std::error_code ec;
  std::string msg;
  const std::filesystem::file_status stato = std::filesystem::status(dir, ec);
  if (stato.type() == std::filesystem::file_type::not_found)
    msg = "Cartella degli scontrini " + dir.string() + MotivoCartellaMancante(st.imp.msDirPerFile);
  else if (const std::optional<std::string> inaccessibile = CartellaInaccessibile(dir)) {
    msg = *inaccessibile;
    GiaDetto(st, msg);
  } else if (stato.type() != std::filesystem::file_type::directory)
    msg = "Cartella degli scontrini " + dir.string() + " non \xe8 una cartella: correggere DirPerFile";
  else if (const std::optional<std::string> motivo = GiornaleNonScrivibile(dir))
    msg = "Cartella degli scontrini " + dir.string() + " non scrivibile (" + *motivo +
          "): gli scontrini restano in attesa";
  if (msg.empty()) return;
  ImpostaTesto(st, Campo::TxtMsg, msg);
  Annota(st, Livello::Errore, msg);
}

std::string Riassunto(const Stato& st, const std::string& dispositivo, long intervallo) {
  return "Avvio: file ini " + st.imp.msFileIni +
         (std::filesystem::exists(st.imp.msFileIni) ? "" : " (assente)") + ", registratore " +
         st.imp.msTipoReg + ", porta " + dispositivo + " " + st.imp.msSettings + ", cartella " +
         cartella(st.imp.msDirPerFile).string() + ", scansione ogni " + std::to_string(intervallo) + " ms";
}

// The configuration, key by key. A file that cannot be read or a bad value stops a
// program without a window (the result says why, exit code 78); the window says it
// and runs on the defaults, but never on a port or a folder nobody configured.
std::optional<EsitoAvvio> LeggiIni(Stato& st, Impostazioni& imp, const std::string& percorsoIni,
                                   std::string& avviso) {
  Finestra& fin = st.finestra();
  util::FileIni ini;
  std::optional<Errore> illeggibile;
  try {
    ini = util::FileIni::carica(percorsoIni);
  } catch (const Errore& e) {
    if (imp.mbSenzaFinestra) {
      EsitoAvvio esito;
      esito.erroreConfigurazione = "file ini " + percorsoIni + " illeggibile: " + e.descrizione();
      return esito;
    }
    illeggibile = e;
  }
  // A file that names none of the program's keys (not an INI, or another program's) is
  // no configuration: a service stops, the window says so and runs on the defaults.
  if (ini.esiste() && !ini.haSezione(kSezioneAltri)) {
    const std::string msg = "il file ini " + percorsoIni + " non ha la sezione [" + kSezioneAltri + "]";
    if (imp.mbSenzaFinestra) {
      EsitoAvvio esito;
      esito.erroreConfigurazione = msg;
      return esito;
    }
    avviso = "Attenzione: " + msg + ": uso i valori predefiniti";
  }
  Lettore leggi(st, ini);
  try {
    if (illeggibile) throw *illeggibile;
    imp.msTipoReg = ini.leggi(kSezioneAltri, "Registratore", "Vandoni");
    imp.mpFamiglia = FamigliaDi(imp.msTipoReg);
    st.mpStatoFamiglia = NuovoStato(imp.mpFamiglia);
    AdattaFinestra(st);
    ImpostaTesto(st, Campo::txtTipo, imp.msTipoReg);
    fin.scrivi(Campo::Caption, "Gestione Registratore di Cassa (" + imp.msTipoReg + ") ");
    LeggiConfigurazione(st, imp, leggi);
    fin.impostaAggConf(!testo::senzaSpazi(fin.confBase()).empty());
  } catch (const Errore& e) {
    const std::string dove = leggi.ultima();
    if (imp.mbSenzaFinestra) return NonValido(percorsoIni, dove, e.descrizione());
    fin.chiedi("Errore file ini",
               "(Quimbo,Form Load) Problemi nei parametri.\r\nnel file di inizializzazione. \r\n"
               "Uso i valori di default\r\n" +
                   e.descrizione() + (dove.empty() ? "" : "\r\n" + dove),
               Icona::Esclamazione, Pulsanti::Ok);
    imp.msAttesaTimer = "4000";
    imp.miRitenta = 3;
    ImpostaChiaviNuovePredefinite(imp);
    LeggiPortaECartella(imp, leggi);
  }
  return std::nullopt;
}

// Without a window, a port that can never open is a configuration to mend, not an
// adapter to wait for: settings that do not parse, or a name that is a file.
std::optional<EsitoAvvio> PortaNonValida(const Stato& st, const std::string& percorsoIni,
                                         const std::string& dispositivo) {
  ImpostazioniPorta imp;
  std::string perche;
  if (!leggiImpostazioniPorta(st.imp.msSettings, imp, perche))
    return NonValido(percorsoIni, Dove(kSezioneSeriale, "Settings", st.imp.msSettings), perche);
  if (!NonEUnDispositivo(dispositivo)) return std::nullopt;
  const bool dalNumero = st.imp.msDispositivo.empty();
  return NonValido(percorsoIni,
                   Dove(kSezioneSeriale, dalNumero ? "CommPort" : "Dispositivo",
                        dalNumero ? st.imp.msCommPort : st.imp.msDispositivo),
                   dispositivo + " non \xe8 una porta seriale ma un file o una cartella");
}

// The scan's timer, and the folder watched: receipts left from before the start go now.
void AvviaTimer(Stato& st, long intervallo) {
  TimerScansione& timer = st.timer();
  timer.intervallo(static_cast<int>(intervallo));
  timer.abilita(true);
  // An interval below 1 ms gives no ticks: the scan would stay off without a word.
  if (intervallo < 1) {
    const std::string msg =
        "AttesaTimer \"" + st.imp.msAttesaTimer + "\" non valido: gli scontrini non vengono inviati";
    ImpostaTesto(st, Campo::TxtMsg, msg);
    ScriviErrore(st, err::ChiamataNonValida, msg, "Form_Load");
  } else {
    timer.osserva(cartella(st.imp.msDirPerFile).string());
    timer.subito();
  }
}

}  // namespace

std::string percorsoIniPredefinito(const std::string& cartellaEseguibile) {
  return (std::filesystem::path(cartellaEseguibile) / "quimbo.ini").string();
}

std::optional<std::string> CercaIni(const std::string& cartellaEseguibile) {
  for (const std::string& p : {percorsoIniPredefinito(cartellaEseguibile), std::string(kIniDiSistema)}) {
    std::error_code ec;
    if (std::filesystem::exists(p, ec)) return p;
  }
  return std::nullopt;
}

std::string f_trim0(Stato& st, const std::string& testo) {
  try {
    size_t inizio = testo.find_first_not_of(' ');
    if (inizio == std::string::npos) return {};
    std::string s = testo.substr(inizio, testo.find_last_not_of(' ') - inizio + 1);
    while (!s.empty() && s.front() == '\0') s.erase(0, 1);
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
  } catch (const std::exception& e) {
    ScriviErrore(st, 7, e.what(), "f_trim0");
    return {};
  }
}

EsitoAvvio Form_Load(Stato& st, Impostazioni& imp, const std::string& percorsoIni) {
  if (&imp != &st.imp) throw std::logic_error("Form_Load: settings other than those the state reads");
  imp.msFileIni = percorsoIni;
  imp.msSepDecimaliLocale = SeparatoreDecimaleAmbiente();
  ImpostaChiaviNuovePredefinite(imp);

  std::string avviso;  // the window's, about a file it runs on the defaults of
  if (std::optional<EsitoAvvio> errore = LeggiIni(st, imp, percorsoIni, avviso)) return *errore;
  EsitoAvvio esito;
  if (!imp.mpFamiglia) {
    // Sending to a family that does not exist would "succeed" and delete every
    // receipt; keep them all until the configuration is mended.
    const std::string msg =
        "Tipo di registratore sconosciuto: \"" + imp.msTipoReg + "\". Gli scontrini restano nella cartella.";
    if (imp.mbSenzaFinestra)
      return NonValido(percorsoIni, Dove(kSezioneAltri, "Registratore", imp.msTipoReg),
                       "Vandoni, Frontiera, Olivetti o Kabel");
    ScriviErrore(st, err::ChiamataNonValida, msg, "Form_Load");
    ImpostaTesto(st, Campo::TxtMsg, msg);
  }
  const long intervallo =
      util::ArrotondaIntero(util::ValoreIniziale(imp.msAttesaTimer), std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
  if (intervallo < 1 && imp.mbSenzaFinestra)
    return NonValido(percorsoIni, Dove(kSezioneAltri, "AttesaTimer", imp.msAttesaTimer),
                     "millisecondi, almeno 1");

  esito.dispositivo = dispositivoPorta(st);
  if (imp.mbSenzaFinestra) {
    if (std::optional<EsitoAvvio> errore = PortaNonValida(st, percorsoIni, esito.dispositivo)) return *errore;
  }
  Annota(st, Livello::Informazione, Riassunto(st, esito.dispositivo, intervallo));
  // Locked before anything in the folder is touched: a second program must not clear
  // the running one's prepared payment mark.
  if (std::optional<std::string> occupata = imp.mbSoloComando ? std::nullopt : PrendiLaCartella(st)) {
    ScriviErrore(st, err::FileGiaAperto, *occupata, "Form_Load");
    esito.cartellaOccupata = *occupata;
    return esito;
  }
  ControllaCartella(st);
  st.porta().suEvento([&st](int codice) { Comm1_OnComm(st, codice); });
  esito.portaAperta = PortaPronta(st, &esito.motivo);
  if (!esito.portaAperta) {
    ScriviErrore(st, 8002, "Impossibile aprire la porta " + esito.dispositivo + ": " + esito.motivo,
                 "Form_Load");
    // The window ends (after its box). A service keeps running and opens the port when
    // it appears (a USB adapter plugged in after boot), as it does with one lost later.
    if (!imp.mbSenzaFinestra) return esito;
  }

  AvviaTimer(st, intervallo);
  MostraSituazione(st);
  if (!avviso.empty()) {
    // Last, so that no later message of the start-up hides it.
    ImpostaTesto(st, Campo::TxtMsg, avviso);
    ScriviErrore(st, err::ChiamataNonValida, avviso, "Form_Load");
  }
  return esito;
}

}  // namespace quimbo
