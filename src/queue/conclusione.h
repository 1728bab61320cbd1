#pragma once
// What becomes of a receipt once its sending ended: printed (journalled, its outcome
// written, its file deleted), set aside, kept for the next tick, or waiting for its
// writer.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/stato.h"
#include "queue/esiti.h"
#include "queue/giornale.h"
#include "queue/scontrino.h"

namespace quimbo {

// One receipt of the scan: its folder and name, the file its lines were read from,
// and the file as the listing found it.
struct Scontrino {
  const std::filesystem::path& dir;
  const std::string& nome;
  const Letto& letto;
  const std::optional<Identita>& elencato;
  int comandi = 0;  // handed to the register for it, and in how many seconds
  double durata = 0;
  std::string quanto() const;
  // What the point of sale is told of it, as far as its sending knows.
  Destino destino() const {
    return {.comandi = comandi,
            .durata = durata,
            .motivo = letto.perche,
            .riga = letto.riga,
            .ultimo = letto.ultimo,
            .inizioPagamento = letto.inizioPagamento};
  }
};

// A sent receipt's file goes; an error is logged once for that file and cause, and
// the deletion is tried again at the next tick.
bool Elimina(Stato& st, const std::filesystem::path& file);
// A receipt that is done with: any entry under its name goes, from the journal
// (`inviati`, written back) and from the run's memory, older ones included.
void Dimentica(Stato& st, const std::filesystem::path& dir, const std::string& nome,
               std::vector<Identita>& inviati);

enum class Dopo { Avanti, Ferma };
// Concludes the receipt as `esito` says; Ferma when the rest of the folder waits.
Dopo Concludi(Stato& st, Esito esito, const Scontrino& s, std::vector<Identita>& inviati);

}  // namespace quimbo
