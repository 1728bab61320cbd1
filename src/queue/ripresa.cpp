#include "queue/ripresa.h"

#include <algorithm>

#include "base/errore.h"
#include "queue/coda.h"
#include "queue/elenco.h"
#include "queue/giornale.h"
#include "queue/messa_da_parte.h"
#include "queue/metriche.h"

namespace fs = std::filesystem;

namespace quimbo {

// A payment mark left by a stop names a receipt that may have been printed. False
// while a mark is there that cannot be read: it names a receipt nobody can tell, so
// nothing goes out until it can be (said once).
bool RisolviPagamentoInterrotto(Stato& st, const fs::path& cartella) {
  bool illeggibile = false;
  const std::optional<Pagamento> mark = LeggiPagamento(cartella, &illeggibile);
  const std::optional<Identita> segnato = mark ? std::optional<Identita>(mark->id) : std::nullopt;
  // A folder that cannot be reached at all (a name too long, a folder on the way that
  // may not be entered) is said as such, once, as the system says it: not its mark.
  if (const std::optional<std::string> msg = illeggibile ? CartellaInaccessibile(cartella) : std::nullopt)
    Avvisa(st, *msg, err::AccessoPercorso, *msg);
  else if (illeggibile)
    Avvisa(st, "pagamento illeggibile", err::ErroreIO,
           "pagamento.txt illeggibile: nessuno scontrino parte finch\xe9 non si pu\xf2 leggere (controllare "
           "sulla cassa l'ultimo scontrino, poi toglierlo)");
  if (!segnato) return !illeggibile;
  std::optional<Identita> ora = IdentitaDi(cartella / segnato->nome);
  // Renamed by the point of sale since: the same receipt under another name.
  if (!ora) ora = CercaRinominato(cartella, *segnato);
  const std::vector<Identita> inviati = LeggiInviati(cartella);
  const bool inviato = std::any_of(inviati.begin(), inviati.end(), [&](const Identita& i) {
    return !i.fallito && (stessoFile(i, *segnato) || stessoFileRinominato(i, *segnato));
  });
  // Journalled as sent, it was printed whole (the stop came before its deletion). A file
  // of that name that changed since is no proof of a new receipt: the old one, touched,
  // may be behind it.
  if (ora && !inviato) {
    ContaEsito(st, "in_dubbio");
    MettiDaParteInDubbio(st, cartella, cartella / ora->nome,
                         {.motivo = "Interrotto durante il pagamento da un arresto del programma",
                          .ultimo = "pagamento iniziato, poi il programma si \xe8 fermato",
                          .inizioPagamento = mark->inizio});
  } else {
    TogliPagamento(cartella);  // the file is gone: sent, then the stop
  }
  return true;
}

}  // namespace quimbo
