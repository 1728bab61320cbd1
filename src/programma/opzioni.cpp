#include "programma/opzioni.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <utility>

#include "base/testo.h"
#include "programma/avvio.h"
#include "programma/senza_finestra.h"

namespace fs = std::filesystem;

namespace quimbo {

const char* const kUso =
    "Uso: quimbo [opzioni] [percorso del file INI]\n"
    "\n"
    "Invia gli scontrini (*.sco) della cartella DirPerFile al registratore di cassa\n"
    "sulla porta seriale. Senza percorso legge quimbo.ini accanto al programma, o\n"
    "altrimenti /etc/quimbo/quimbo.ini; tutto il resto della riga di comando, anche\n"
    "con spazi, è il percorso, e il file deve esistere.\n"
    "\n"
    "Opzioni:\n"
    "  --headless      senza finestra: una riga per scontrino e per cambiamento del\n"
    "                  collegamento sullo standard output, gli errori sullo standard\n"
    "                  error; le domande si rispondono da sole\n"
    "  --verbose       (con --headless) anche ogni comando mandato e ogni risposta\n"
    "  --prova TESTO   (con --headless) manda TESTO come InviaTest ed esce:\n"
    "                  0 se il registratore accetta, 1 altrimenti\n"
    "  --sblocca       (con --headless) sblocca la tastiera ed esce (0 o 1)\n"
    "  --in-dubbio     elenca gli scontrini messi da parte in dubbio (interrotti durante\n"
    "                  il pagamento: forse stampati), con l'ora del pagamento da cercare\n"
    "                  nel giornale della cassa, il totale e le righe, ed esce\n"
    "  --ristampa NOME  lo scontrino in dubbio NOME non \u00e8 nel giornale della cassa:\n"
    "                  torna nella cartella e sar\u00e0 stampato una volta\n"
    "  --gia-stampato NOME  lo scontrino in dubbio NOME \u00e8 nel giornale della cassa:\n"
    "                  resta in scartati/, non si manda nulla\n"
    "                  (da un terminale entrambi chiedono conferma, s/N)\n"
    "  --help          questo testo\n"
    "  --version       la versione\n"
    "  --installa-servizio NOME [INI]   (Windows) registra il servizio NOME: parte con\n"
    "                  il sistema e riparte dopo un guasto; net start/stop NOME\n"
    "  --rimuovi-servizio NOME          (Windows) toglie il servizio NOME\n"
    "\n"
    "File INI, sezione [Altri parametri]:\n"
    "  Registratore (Vandoni, Frontiera, Olivetti, Kabel), DirPerFile, AttesaTimer (ms),\n"
    "  Ritenta, Decimali, SepDecimaliQta, AttRisposta, Pausa, PausaReady, FrontMaxDesc,\n"
    "  FrontMaxLotteria, LungMaxDesc, RepDef, ConfBase, TotDisplay,\n"
    "  TempoMaxRisposta (secondi di attesa massima della cassa; 0 = senza limite),\n"
    "  RisposteAutomatiche (--headless: quante volte \"riprova\" per lavoro),\n"
    "  Codifica (auto, windows-1252, utf-8: il testo dei file degli scontrini),\n"
    "  AttesaTotale (secondi senza riga di totale prima di mettere da parte),\n"
    "  GiorniEsiti (giorni in cui si tiene l'esito di ogni scontrino in esiti/; 0 = nessuno),\n"
    "  Metriche (file di cifre per Prometheus, per es. per node_exporter)\n"
    "Sezione [Parametri Seriale]:\n"
    "  Dispositivo (per es. /dev/ttyUSB0), CommPort (N = /dev/ttyS<N-1> se manca\n"
    "  Dispositivo), Settings (per es. 1200,e,7,1)\n"
    "\n"
    "Scontrino: una riga per record, campi separati da TAB, il primo il tipo:\n"
    "  00 vendita: descrizione, quantit\u00e0, prezzo unitario[, reparto]\n"
    "  80 totale e pagamento (l'ultima riga): lettera del pagamento (C contanti,\n"
    "     A assegni, R carta di credito, S sospeso), totale, sconto, anticipo[, dato]\n"
    "  10 intestazione (Kabel); LS codice lotteria (Frontiera)\n"
    "Di ogni scontrino resta l'esito in esiti/<nome>.esito (Stato, Ora, Motivo...).\n"
    "\n"
    "Una nuova ricevuta nella cartella parte subito; AttesaTimer resta come riserva.\n"
    "SIGTERM e SIGINT chiudono il programma come la chiusura della finestra.\n"
    "\n"
    "Codici d'uscita: 0 fine normale; 1 porta non apribile, o --prova/--sblocca non\n"
    "accettati; 2 riga di comando sbagliata o nessun display per la finestra;\n"
    "78 configurazione: file ini mancante, illeggibile o con un valore non valido.\n";

namespace {

std::string unisci(const std::vector<std::string>& parole) {
  std::string r;
  for (const auto& p : parole) {
    if (!r.empty()) r += ' ';
    r += p;
  }
  return r;
}

// Case ignored, as Windows names files.
bool FileIni(std::string_view nome) {
  return nome.size() >= 4 && testo::maiuscole(nome.substr(nome.size() - 4)) == ".INI";
}

}  // namespace

namespace {

// The options that only switch something on.
constexpr std::pair<std::string_view, bool Opzioni::*> kInterruttori[] = {
    {"--headless", &Opzioni::headless}, {"--verbose", &Opzioni::dettagli}, {"--help", &Opzioni::aiuto},
    {"--version", &Opzioni::versione},  {"--sblocca", &Opzioni::sblocca},
};

// An option with a value, or the shell's own: its value taken (`i` moves past it).
// False, with the error in `o`, for a value missing or an option nobody knows.
bool ConValore(const std::vector<std::string>& argomenti, std::size_t& i, Opzioni& o,
               const OpzioneDellaShell& dellaShell) {
  const std::string& a = argomenti[i];
  const bool segue = i + 1 < argomenti.size();
  if (a == "--ristampa" || a == "--gia-stampato") {
    // A receipt is never an INI file: "--gia-stampato x.ini" forgot the name.
    if (!segue || argomenti[i + 1].empty() || argomenti[i + 1][0] == '-' || FileIni(argomenti[i + 1])) {
      o.errore = a + " vuole il nome dello scontrino in dubbio (quimbo --in-dubbio li elenca)\nUso: quimbo " +
                 a + " NOME [percorso del file INI]";
      return false;
    }
    (a == "--ristampa" ? o.ristampa : o.giaStampato) = argomenti[++i];
    o.headless = true;
  } else if (a == "--prova") {
    if (!segue) {
      o.errore = "--prova vuole un testo";
      return false;
    }
    o.prova = argomenti[++i];
  } else if (const int valori = dellaShell ? dellaShell(a) : -1; valori >= 0) {
    i += static_cast<std::size_t>(valori);
  } else {
    o.errore = "opzione sconosciuta: " + a;
    return false;
  }
  return true;
}

}  // namespace

Opzioni LeggiOpzioni(const std::vector<std::string>& argomenti, const OpzioneDellaShell& dellaShell) {
  Opzioni o;
  for (std::size_t i = 0; i < argomenti.size(); ++i) {
    const std::string& a = argomenti[i];
    const auto interruttore = std::find_if(std::begin(kInterruttori), std::end(kInterruttori),
                                           [&](const auto& k) { return k.first == a; });
    if (a.empty() || a[0] != '-')
      o.parole.push_back(a);
    else if (interruttore != std::end(kInterruttori))
      o.*(interruttore->second) = true;
    else if (a == "--in-dubbio")
      o.inDubbio = o.headless = true;  // a list on standard output: no window
    else if (!ConValore(argomenti, i, o, dellaShell))
      return o;
  }
  if (o.errore.empty() && (o.prova || o.sblocca) && !o.headless)
    o.errore = "--prova e --sblocca vanno con --headless";
  if (o.errore.empty() && o.prova && o.sblocca) o.errore = "--prova e --sblocca insieme";
  return o;
}

std::string TrovaIni(const Opzioni& o, const std::string& cartellaEseguibile, std::string& errore) {
  std::string ini = unisci(o.parole);
  if (!ini.empty()) {
    std::error_code ec;
    if (!fs::exists(ini, ec)) errore = "il file ini " + ini + " non esiste";
  } else if (const std::optional<std::string> trovato = CercaIni(cartellaEseguibile)) {
    ini = *trovato;
  } else {
    ini = percorsoIniPredefinito(cartellaEseguibile);
    if (o.headless)
      errore = "nessun file ini: non ci sono n\u00e9 " + ini + " n\u00e9 " + kIniDiSistema +
               "; indicarne uno: quimbo --headless FILE.ini";
  }
  return ini;
}

std::optional<int> FinePrimaDellaShell(const Opzioni& o, const std::string& erroreIni, bool display,
                                       const std::string& versione) {
  if (!o.errore.empty()) {
    ErroreSuStderr("quimbo: " + o.errore + "\nPer l'aiuto: quimbo --help");
    return uscita::Uso;
  }
  if (o.aiuto) {
    std::fputs(kUso, stdout);
    return uscita::Fatto;
  }
  if (o.versione) {
    std::printf("quimbo %s\n", versione.c_str());
    return uscita::Fatto;
  }
  if (!erroreIni.empty() && o.headless) {
    ErroreSuStderr("quimbo: " + erroreIni);
    return uscita::Configurazione;
  }
  if (!o.headless && !display) {
    ErroreSuStderr("quimbo: nessun display per la finestra: senza display usare --headless");
    return uscita::Uso;
  }
  return std::nullopt;
}

}  // namespace quimbo
