#include "programma/senza_finestra.h"

#include <sys/stat.h>

#include <cstdlib>

#include "base/ore.h"
#include "base/testo.h"

namespace quimbo {

namespace {

const char* intestazione(Campo c) {
  switch (c) {
    case Campo::TxtManda:
      return "MANDO ALLA CASSA";
    case Campo::TxtRit:
      return "RITORNO DALLA CASSA";
    case Campo::TxtMsg:
      return "MESSAGGI";
    case Campo::txtTipo:
      return "Tipo Registratore";
    case Campo::Caption:
      return "FINESTRA";
  }
  return "";
}

const char* nome(Risposta r) {
  switch (r) {
    case Risposta::Ok:
      return "OK";
    case Risposta::Annulla:
      return "Annulla";
    case Risposta::Si:
      return "S\xc3\xac";  // Sì
    case Risposta::No:
      return "No";
  }
  return "";
}

// Line breaks of a message box's text, on one line.
std::string suUnaRiga(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      r += " / ";
    } else {
      r += s[i];
    }
  }
  return r;
}

}  // namespace

// The service manager names the journal's connection (device:inode) in JOURNAL_STREAM.
bool AlGiornaleDiSistema(std::FILE* f) {
  const char* flusso = std::getenv("JOURNAL_STREAM");
  unsigned long long dispositivo = 0, inode = 0;
  struct stat s {};
  return flusso && std::sscanf(flusso, "%llu:%llu", &dispositivo, &inode) == 2 &&
         ::fstat(::fileno(f), &s) == 0 && s.st_dev == dispositivo && s.st_ino == inode;
}

void ErroreSuStderr(const std::string& testo) {
  // So that "journalctl -p err" finds the reason a service did not start.
  static const bool giornale = AlGiornaleDiSistema(stderr);
  std::string riga;
  for (std::size_t i = 0; i <= testo.size(); ++i) {
    if (i < testo.size() && testo[i] != '\n') {
      riga += testo[i];
      continue;
    }
    std::fprintf(stderr, "%s%s\n", giornale ? "<3>" : "", riga.c_str());
    riga.clear();
  }
  std::fflush(stderr);
}

FinestraHeadless::FinestraHeadless(Orologio& orologio, std::FILE* uscita, std::FILE* errori)
    : orologio_(orologio),
      uscita_(uscita),
      errori_(errori),
      giornaleUscita_(AlGiornaleDiSistema(uscita)),
      giornaleErrori_(AlGiornaleDiSistema(errori)) {}

void FinestraHeadless::riga(std::FILE* dove, const std::string& testata, const std::string& testo) {
  // Into systemd's journal a line carries its priority instead of the time, which
  // the journal keeps itself: errors (3) show with "journalctl -p err".
  const bool errore = dove == errori_;
  const std::string inizio = !(errore ? giornaleErrori_ : giornaleUscita_) ? OraDelLog(orologio_.adesso())
                             : errore                                      ? "<3>"
                                                                           : "<6>";
  std::fprintf(dove, "%s%s%s%s\n", inizio.c_str(), testata.c_str(), testata.empty() ? "" : ": ",
               testo.c_str());
  std::fflush(dove);
}

void FinestraHeadless::scrivi(Campo campo, const std::string& testo) {
  if (dettagli_) riga(uscita_, intestazione(campo), testo::leggibile(testo));
}

void FinestraHeadless::annota(Livello livello, const std::string& testo) {
  if (livello == Livello::Errore) {
    riga(errori_, "ERRORE", testo::leggibile(testo));
    if (suErrore_) suErrore_(testo);
  } else
    riga(uscita_, "", testo::leggibile(testo));
}

Risposta FinestraHeadless::chiedi(const std::string& titolo, const std::string& testo, Icona,
                                  Pulsanti pulsanti) {
  const int massimo = st_ ? st_->imp.miRisposteAutomatiche : 0;
  const bool ancora = risposteDate_ < massimo;
  Risposta r = Risposta::Ok;
  switch (pulsanti) {
    case Pulsanti::Ok:
      r = Risposta::Ok;
      break;  // a notice, not a question
    case Pulsanti::OkAnnulla:
    case Pulsanti::OkAnnullaPrudente:
      r = ancora ? Risposta::Ok : Risposta::Annulla;
      break;
    case Pulsanti::SiNoAnnulla:
      r = ancora ? Risposta::Si : Risposta::Annulla;
      break;
    case Pulsanti::SiNo:
      r = ancora ? Risposta::Si : Risposta::No;
      break;
  }
  if (pulsanti != Pulsanti::Ok && ancora) ++risposteDate_;
  const std::string t = titolo.empty() ? std::string(kTitoloApplicazione) : testo::leggibile(titolo);
  riga(errori_, "DOMANDA [" + t + "]", testo::leggibile(suUnaRiga(testo)) + " -> " + nome(r));
  return r;
}

}  // namespace quimbo
