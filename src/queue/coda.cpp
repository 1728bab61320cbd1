#include "queue/coda.h"

#include <algorithm>
#include <chrono>

#include "base/errore.h"
#include "base/percorsi.h"
#include "base/registro.h"
#include "base/sistema.h"
#include "queue/dubbi.h"
#include "queue/esiti.h"
#include "queue/scartati.h"

namespace quimbo {

namespace {

// A receipt no longer in doubt since the last count, settled from the window or from
// the command line of another program: one line in the log, as for a receipt printed.
void DiciSistemati(Stato& st, const std::filesystem::path& dir, const std::vector<std::string>& prima,
                   const std::vector<std::string>& ora) {
  for (const std::string& file : prima) {
    if (std::binary_search(ora.begin(), ora.end(), file)) continue;
    const std::optional<std::string> come = ComeSistemato(dir, file);
    Annota(st, Livello::Informazione,
           "Scontrino in dubbio " + Conservato(file) +
               " sistemato: " + come.value_or("tolto da " + Conservato("")));
  }
}

}  // namespace

void Dici(Stato& st, int numero, const std::string& testo) {
  ImpostaTesto(st, Campo::TxtMsg, testo);
  ScriviErrore(st, numero, testo, kProcedura);
}

void Avvisa(Stato& st, const std::string& chiave, int numero, const std::string& testo) {
  if (st.coda.avvisati.insert(chiave).second) Dici(st, numero, testo);
}

bool ScriviDestino(Stato& st, const std::filesystem::path& cartella, const std::string& nome, Destino d) {
  if (st.imp.miGiorniEsiti <= 0) return true;
  d.ora = st.orologio().adesso();
  try {
    ScriviEsito(cartella, nome, d);
    return true;
  } catch (const Errore& e) {
    Avvisa(st, "esiti\t" + std::to_string(e.numero()), e.numero(),
           "Esito dello scontrino " + nome + " non scrivibile in " + kEsiti + " (" + e.descrizione() + ")");
    return false;
  }
}

void MostraSituazione(Stato& st) {
  StatoCoda& c = st.coda;
  Situazione& s = c.situazione;
  // One stat a tick: a folder of many set-aside receipts is listed only when it changed.
  const std::filesystem::path scartati = CartellaScartati(cartella(st.imp.msDirPerFile));
  std::error_code ec;
  const auto t = std::filesystem::last_write_time(scartati, ec);
  const long long quando = ec ? -1 : static_cast<long long>(t.time_since_epoch().count());
  if (c.scartatiContati != quando) {
    // A folder's time moves in the file system's coarse ticks: a receipt settled in the
    // same tick as this count would leave it as it is. A time this recent is counted
    // again at the next look.
    const bool recente = !ec && std::filesystem::file_time_type::clock::now() - t < std::chrono::seconds(2);
    c.scartatiContati = recente ? -2 : quando;
    std::vector<std::string> file = FileInDubbio(scartati.parent_path());
    s.inDubbio = static_cast<int>(file.size());
    // A folder that cannot be read now (a share gone away) settled nothing: the receipts
    // it lists again later are not said.
    if (quando != -1) {
      if (c.fileInDubbio) DiciSistemati(st, scartati.parent_path(), *c.fileInDubbio, file);
      c.fileInDubbio = std::move(file);
    }
  }
  s.portaAssente = !st.mbChiuso && !st.porta().aperta();
  s.dispositivo = s.portaAssente ? dispositivoPorta(st) : "";
  s.cassaMuta = st.mbCassaMuta;
  if (c.situazioneMostrata == s) return;
  c.situazioneMostrata = s;
  st.finestra().situazione(s);
}

void RicontaInDubbio(Stato& st) {
  st.coda.scartatiContati = -2;  // no time a folder has, nor a missing one's -1
  MostraSituazione(st);
}

std::optional<std::string> PrendiLaCartella(Stato& st, std::string* nonBloccabile) {
  StatoCoda& c = st.coda;
  const std::filesystem::path dir = cartella(st.imp.msDirPerFile);
  if (c.blocco && c.blocco->ancoraSu(dir / kFileBlocco)) return std::nullopt;
  c.blocco.reset();
  std::string chi;
  try {
    c.blocco = PrendiCartella(dir, st.imp.msFileIni, chi);
  } catch (const Errore& e) {
    // A missing folder is said where the folder is looked at; nothing goes out meanwhile.
    std::error_code ec;
    if (nonBloccabile && std::filesystem::exists(dir, ec))
      *nonBloccabile = "Cartella degli scontrini " + dir.string() + ": " + kFileBlocco + " non bloccabile (" +
                       e.descrizione() + "): gli scontrini restano in attesa";
    return std::nullopt;
  }
  if (c.blocco) return std::nullopt;
  return "Cartella degli scontrini " + dir.string() + " gi\xe0 in uso da un altro Quimbo (" +
         (chi.empty() ? std::string("sconosciuto") : chi) +
         "): un solo programma per cartella, questo si chiude";
}

void GiaDetto(Stato& st, const std::string& chiave) { st.coda.avvisati.insert(chiave); }

}  // namespace quimbo
