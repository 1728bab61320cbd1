#include "queue/scontrino.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "link/invio.h"
#include "link/olivetti.h"
#include "queue/dispatch.h"
#include "shell/errore.h"
#include "shell/registro.h"
#include "shell/testo.h"

namespace quimbo {

namespace {

constexpr int kMaxRitentiApertura = 10;

struct ChiudiFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, ChiudiFile>;

File ApriScontrino(const std::string& percorso) {
  std::FILE* f = std::fopen(percorso.c_str(), "rb");
  if (!f) throw erroreDa(std::error_code(errno, std::generic_category()));
  return File(f);
}

// One line of text: it ends at CR, CR LF or LF (files written on other systems
// end their lines with LF alone). False at the end of the file.
bool LeggiRiga(std::FILE* f, std::string& riga) {
  riga.clear();
  int c = std::fgetc(f);
  if (c == EOF) {
    if (std::ferror(f)) throw Errore(err::ErroreIO);
    return false;
  }
  for (; c != EOF; c = std::fgetc(f)) {
    if (c == '\n') return true;
    if (c == '\r') {
      int d = std::fgetc(f);
      if (d != '\n' && d != EOF) std::ungetc(d, f);
      return true;
    }
    riga += static_cast<char>(c);
  }
  if (std::ferror(f)) throw Errore(err::ErroreIO);
  return true;
}

bool ChiediRiprova(Stato& st, const char* testo, Icona icona) {
  return st.finestra().chiedi("Problemi di trasmissione", testo, icona, Pulsanti::OkAnnulla) == Risposta::Ok;
}

const char* const kDomandaSincronizzazione =
    "Problemi di sincronizzazione con la cassa.\r\nRiprovo a sincronizzare ? ";
const char* const kDomandaTrasmissione =
    "Problemi di trasmissione con la cassa.\r\nRiprovo a stampare lo scontrino ? ";

enum class Sincronia { Fatta, Ricomincia, Interrompi };

Sincronia Sincronizza(Stato& st) {
  if (eTipo(st, "Vandoni")) {
    if (InviaCar(st, "415", true) == kInterrompi) return Sincronia::Interrompi;
    st.mbErrTx = false;
    if (InviaCar(st, "415", true) == kInterrompi) return Sincronia::Interrompi;
    if (st.mbErrTx) {
      if (!st.porta().aperta()) return Sincronia::Interrompi;
      return ChiediRiprova(st, kDomandaSincronizzazione, Icona::Domanda) ? Sincronia::Ricomincia
                                                                         : Sincronia::Interrompi;
    }
  } else if (eTipo(st, "Frontiera")) {
    if (InviaCar(st, "K", true) == kInterrompi) return Sincronia::Interrompi;
  } else if (eTipo(st, "Olivetti")) {
    st.mbOliStx = false;
    st.msOliBuffer.clear();
    if (OlivSpedStr(st, AggCarContr("1322"), true) == kInterrompi) return Sincronia::Interrompi;
  }
  return Sincronia::Fatta;
}

void MostraErrore(Stato& st, const Errore& e) {
  st.finestra().chiedi("", "Errore: " + e.descrizione(), Icona::Critico, Pulsanti::Ok);
}

Errore ComeErrore(const std::exception& e) {
  if (auto* q = dynamic_cast<const Errore*>(&e)) return *q;
  return Errore(err::ChiamataNonValida, e.what());
}

// Opens the receipt; a file that is missing is looked for again, 2 to 3 seconds
// apart, ten more times. Null when it failed (already logged and shown).
File ApriConRitenti(Stato& st, const std::string& percorso) {
  int tentativi = 0;
  for (;;) {
    try {
      return ApriScontrino(percorso);
    } catch (const Errore& e) {
      if (e.numero() == err::FileNonTrovato && ++tentativi <= kMaxRitentiApertura) {
        const double scadenza = std::floor(st.orologio().secondi()) + 3;
        st.pompa().attendi([&] { return st.mbErrTx; }, scadenza);
        if (!st.mbErrTx) continue;
      }
      ScriviErrore(st, e, "s_scontrino prima");
      MostraErrore(st, e);
      return nullptr;
    }
  }
}

}  // namespace

bool ElaboraScontrino(Stato& st, const std::string& percorso) {
  st.finestra().nuovoLavoro();
  for (;;) {  // every restart comes back here
    bool risultato = false;
    st.mbErrTx = false;
    switch (Sincronizza(st)) {
      case Sincronia::Interrompi:
        return false;
      case Sincronia::Ricomincia:
        continue;
      case Sincronia::Fatta:
        break;
    }

    File file = ApriConRitenti(st, percorso);
    if (!file) return false;

    bool ricomincia = false;
    try {
      std::string riga;
      bool fine = false;
      for (;;) {
        if (!st.porta().aperta()) break;
        // An unexpected answer to the last line, and also one raised outside any
        // line (a synchronisation that timed out, a stray character): ask.
        if (st.mbErrTx) {
          if (ChiediRiprova(st, kDomandaTrasmissione, Icona::Critico)) ricomincia = true;
          break;
        }
        if (!LeggiRiga(file.get(), riga)) {
          fine = true;
          break;
        }
        riga = testo::senzaSpazi(riga);
        if (riga.empty()) continue;
        const int r = static_cast<int16_t>(Trasmetti(st, riga));
        if (r == kInterrompi) break;
        if (r == kRipetiScontrino) {
          ricomincia = true;
          break;
        }
      }
      // Only the end of the file is success: a loop left on an error flag, a lost
      // port or the operator's choice is not.
      risultato = fine && !st.mbErrTx;
    } catch (const std::exception& ex) {
      const Errore e = ComeErrore(ex);
      ScriviErrore(st, e, "s_scontrino Dopo");
      MostraErrore(st, e);
    }
    if (ricomincia) continue;  // the file closes with `file`

    // A receipt-specific Kabel configuration is taken back even when the receipt failed.
    if (eTipo(st, "Kabel") && st.mbKabelConf) {
      if (InviaCar(st, "711{" + st.finestra().confBase() + "{", true) == kContinua) st.mbKabelConf = false;
    }
    return risultato;
  }
}

}  // namespace quimbo
