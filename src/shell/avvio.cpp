// Start-up: constants, configuration, window adapted to the family, port, timer.

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "link/comm.h"
#include "shell/applicazione.h"
#include "shell/errore.h"
#include "shell/registro.h"
#include "shell/testo.h"
#include "shell/util.h"

namespace quimbo {

namespace {

const char* const kSezioneAltri = "Altri parametri";
const char* const kSezioneSeriale = "Parametri Seriale";

void ImpostaCostanti(Stato& st) {
  st.msSTX = std::string(1, '\x02');
  st.msETX = std::string(1, '\x03');
  st.msACK = std::string(1, '\x06');
  st.msNAK = std::string(1, '\x15');
  st.msDC1 = std::string(1, '\x11');
  st.msDC3 = std::string(1, '\x13');
  st.msDC4 = std::string(1, '\x14');
  st.msXON = std::string(1, '\x11');
  st.msXOFF = std::string(1, '\x13');
  st.miProgr = 32;
  for (int k = 1; k <= 20; ++k) {
    std::string t = "00" + std::to_string(k + 20);
    st.masCodici[k] = t.substr(t.size() - 2);
  }
}

bool eFamigliaNota(const Stato& st) {
  return eTipo(st, "Vandoni") || eTipo(st, "Frontiera") || eTipo(st, "Olivetti") || eTipo(st, "Kabel");
}

void AdattaFinestra(Stato& st) {
  Finestra& f = st.finestra();
  const bool risposta = eTipo(st, "Vandoni") || eTipo(st, "Olivetti") || eTipo(st, "Kabel");
  if (risposta) {
    f.mostra(Elemento::TxtRit, true);
    f.mostra(Elemento::LabRit, true);
  }
  if (eTipo(st, "Vandoni")) f.mostra(Elemento::CmdSblocca, true);
  if (!eTipo(st, "Kabel")) {
    for (Elemento e : {Elemento::txtProva, Elemento::comTest, Elemento::LabConfBase, Elemento::txtConfBase,
                       Elemento::CheAggConf})
      f.mostra(e, false);
  }
}

// Keys added to the original set; read after all of its keys, and at their
// defaults when start-up falls back.
void ImpostaChiaviNuovePredefinite(Stato& st) {
  st.msDispositivo.clear();
  st.mdTempoMaxRisposta = st.mbSenzaFinestra ? 30 : 0;
  st.miRisposteAutomatiche = 3;
  st.msCodifica = "auto";
  st.mdAttesaTotale = 60;
}

void LeggiChiaviNuove(Stato& st, const util::FileIni& ini) {
  st.msDispositivo = f_trim0(st, ini.leggi(kSezioneSeriale, "Dispositivo", ""));
  st.mdTempoMaxRisposta = util::ConvertiNumero(
      f_trim0(st, ini.leggi(kSezioneAltri, "TempoMaxRisposta", st.mbSenzaFinestra ? "30" : "0")));
  if (st.mdTempoMaxRisposta < 0) st.mdTempoMaxRisposta = 0;
  st.miRisposteAutomatiche = util::CIntero(f_trim0(st, ini.leggi(kSezioneAltri, "RisposteAutomatiche", "3")));
  if (st.miRisposteAutomatiche < 0) st.miRisposteAutomatiche = 0;
  st.mdAttesaTotale = util::ConvertiNumero(f_trim0(st, ini.leggi(kSezioneAltri, "AttesaTotale", "60")));
  if (st.mdAttesaTotale < 0) st.mdAttesaTotale = 0;
  st.msCodifica = f_trim0(st, ini.leggi(kSezioneAltri, "Codifica", "auto"));
  const std::string codifica = testo::maiuscole(st.msCodifica);
  if (codifica != "AUTO" && codifica != "WINDOWS-1252" && codifica != "UTF-8")
    throw Errore(err::ChiamataNonValida,
                 "Codifica non valida: \"" + st.msCodifica + "\" (auto, windows-1252 o utf-8)");
}

void LeggiConfigurazione(Stato& st, const util::FileIni& ini) {
  auto leggi = [&](const char* sezione, const char* chiave, const char* predefinito) {
    return f_trim0(st, ini.leggi(sezione, chiave, predefinito));
  };
  st.msCommPort = leggi(kSezioneSeriale, "CommPort", "2");
  st.msSettings = leggi(kSezioneSeriale, "Settings", "1200,e,7,1");
  st.msAttesaTimer = leggi(kSezioneAltri, "AttesaTimer", "4000");
  st.msDirPerFile = leggi(kSezioneAltri, "DirPerFile", "f:\\quimbo");
  st.miRitenta = util::CIntero(leggi(kSezioneAltri, "Ritenta", "3"));
  st.miDecimali = util::CIntero(leggi(kSezioneAltri, "Decimali", "2"));
  st.msSepDecimaliQta = leggi(kSezioneAltri, "SepDecimaliQta", ".");
  st.msAttRisposta = leggi(kSezioneAltri, "AttRisposta", "S");
  st.mdPausa = util::ConvertiNumero(leggi(kSezioneAltri, "Pausa", "0,005"));
  st.miFrontMaxDesc = util::CIntero(leggi(kSezioneAltri, "FrontMaxDesc", "10"));
  st.miFrontMaxLotteria = util::CIntero(leggi(kSezioneAltri, "FrontMaxLotteria", "8"));
  st.miLungMaxDesc = util::CIntero(leggi(kSezioneAltri, "LungMaxDesc", "14"));
  st.miRepDef = util::CIntero(leggi(kSezioneAltri, "RepDef", "1"));
  st.mdPausaReady = util::ConvertiNumero(leggi(kSezioneAltri, "PausaReady", "0,2"));
  st.finestra().impostaConfBase(leggi(kSezioneAltri, "ConfBase", ""));
  st.msTotDisplay = leggi(kSezioneAltri, "TotDisplay", "");
  LeggiChiaviNuove(st, ini);
}

long ArrotondaIntero(double v, long minimo, long massimo) {
  if (!std::isfinite(v)) return 0;
  double r = std::nearbyint(v);  // halves to even, as the original's conversions
  if (r < static_cast<double>(minimo) || r > static_cast<double>(massimo)) return 0;
  return static_cast<long>(r);
}

}  // namespace

std::string SeparatoreDecimaleAmbiente() {
  // The numeric locale the environment asks for (LC_ALL, LC_NUMERIC, LANG); one
  // that is not installed leaves the C locale's point.
  locale_t loc = newlocale(LC_NUMERIC_MASK, "", nullptr);
  if (loc == nullptr) return ".";
  const std::string sep = testo::daUtf8(nl_langinfo_l(RADIXCHAR, loc));
  freelocale(loc);
  return sep.empty() ? "." : sep;
}

std::string percorsoIniPredefinito(const std::string& cartellaEseguibile) {
  return (std::filesystem::path(cartellaEseguibile) / "quimbo.ini").string();
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

std::string dispositivoPorta(const Stato& st) {
  if (!st.msDispositivo.empty()) return st.msDispositivo;
  const long n = ArrotondaIntero(util::ValoreIniziale(st.msCommPort), -32768, 32767);
#ifdef _WIN32
  return "COM" + std::to_string(n);
#else
  return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

EsitoAvvio Form_Load(Stato& st, const std::string& percorsoIni) {
  ImpostaCostanti(st);
  st.msFileIni = percorsoIni;
  st.msSepDecimaliLocale = SeparatoreDecimaleAmbiente();
  st.mbKabelStato = false;
  st.mbKabelConf = false;
  Finestra& fin = st.finestra();
  ImpostaChiaviNuovePredefinite(st);

  try {
    const util::FileIni ini = util::FileIni::carica(percorsoIni);
    st.msTipoReg = ini.leggi(kSezioneAltri, "Registratore", "Vandoni");
    AdattaFinestra(st);
    ImpostaTesto(st, Campo::txtTipo, st.msTipoReg);
    fin.scrivi(Campo::Caption, "Gestione Registratore di Cassa (" + st.msTipoReg + ") ");
    LeggiConfigurazione(st, ini);
    fin.impostaAggConf(!testo::senzaSpazi(fin.confBase()).empty());
  } catch (const Errore& e) {
    fin.chiedi("Errore file ini",
               "(Quimbo,Form Load) Problemi nei parametri.\r\nnel file di inizializzazione. \r\n"
               "Uso i valori di default\r\n" +
                   e.descrizione(),
               Icona::Esclamazione, Pulsanti::Ok);
    st.msCommPort = "2";
    st.msSettings = "1200,e,7,1";
    st.msAttesaTimer = "4000";
    st.msDirPerFile = "f:\\quimbo";
    st.miRitenta = 3;
    ImpostaChiaviNuovePredefinite(st);
  }

  if (!eFamigliaNota(st)) {
    // Sending to a family that does not exist would "succeed" and delete every
    // receipt; keep them all until the configuration is mended.
    st.mbTipoSconosciuto = true;
    const std::string msg =
        "Tipo di registratore sconosciuto: \"" + st.msTipoReg + "\". Gli scontrini restano nella cartella.";
    ScriviErrore(st, err::ChiamataNonValida, msg, "Form_Load");
    ImpostaTesto(st, Campo::TxtMsg, msg);
  }

  EsitoAvvio esito;
  esito.dispositivo = dispositivoPorta(st);
  st.porta().suEvento([&st](int codice) { Comm1_OnComm(st, codice); });
  if (!st.porta().apri(esito.dispositivo, st.msSettings, esito.motivo)) {
    ScriviErrore(st, 8002, "Impossibile aprire la porta " + esito.dispositivo + ": " + esito.motivo,
                 "Form_Load");
    return esito;
  }
  esito.portaAperta = true;

  const long intervallo =
      ArrotondaIntero(util::ValoreIniziale(st.msAttesaTimer), std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max());
  fin.intervalloTimer(static_cast<int>(intervallo));
  fin.abilitaTimer(true);
  // An interval below 1 ms gives no ticks: the scan would stay off without a word.
  if (intervallo < 1) {
    const std::string msg =
        "AttesaTimer \"" + st.msAttesaTimer + "\" non valido: gli scontrini non vengono inviati";
    ImpostaTesto(st, Campo::TxtMsg, msg);
    ScriviErrore(st, err::ChiamataNonValida, msg, "Form_Load");
  }
  return esito;
}

}  // namespace quimbo
