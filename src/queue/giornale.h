#pragma once
// What the receipt folder remembers across stops: the journal "inviati.txt" of
// receipts sent completely (and of failed ones that could not be set aside) until
// their file is gone, and the mark "pagamento.txt" of the receipt whose total line
// is being sent. Every change is forced to disk, file and folder, before the next
// byte goes to the register.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/piattaforma.h"

namespace quimbo {

// A receipt file as it was when it was sent: name, size and modification time, and
// the file itself (device and file number; 0 when unknown), which a rename keeps.
struct Identita {
  std::string nome;
  std::uintmax_t dimensione = 0;
  std::int64_t modifica = 0;  // nanoseconds of the modification time
  bool fallito = false;       // failed, and could not be set aside: never sent again, never deleted
  std::uint64_t dispositivo = 0;
  std::uint64_t numero = 0;
  // Of its bytes, when they were read (0: not known); not part of the comparison, which
  // is of the file as the folder shows it.
  std::uint64_t impronta = 0;
  bool operator==(const Identita& o) const {
    return nome == o.nome && dimensione == o.dimensione && modifica == o.modifica && fallito == o.fallito &&
           dispositivo == o.dispositivo && numero == o.numero;
  }
};
// A fingerprint of a receipt's bytes (never 0).
std::uint64_t ImprontaDi(std::string_view byte);
std::optional<Identita> IdentitaDi(const std::filesystem::path& file);
// The same file: name, size and time, whatever the entry's kind.
bool stessoFile(const Identita& a, const Identita& b);
// The same file under any name: device, file number, size and time. A copy is another
// file, even with the same bytes and time.
bool stessoFileRinominato(const Identita& a, const Identita& b);
std::vector<Identita> LeggiInviati(const std::filesystem::path& cartella);
// The journal without the entries whose file is gone (a stop between deletion and
// journal, a failed receipt the operator removed), written back when it changed. A
// sent receipt renamed by the point of sale (`rinominato` finds it) is followed to its
// new name: it is only deleted there, never sent again.
std::vector<Identita> InviatiAncoraInCartella(
    const std::filesystem::path& cartella,
    const std::function<std::optional<Identita>(const Identita&)>& rinominato);
// The key of a receipt the run remembers: "size TAB time TAB name"; and its name.
std::string Chiave(const Identita& id);
std::string NomeDaChiave(const std::string& chiave);
// The file is in the journal as sent (or as failed), or in the run's memory of them
// (their keys).
bool InElenco(const Identita& id, bool fallito, const std::vector<Identita>& giornale,
              const std::vector<std::string>& memoria);
// The whole journal, replaced at once; an empty one is removed. Errors are numbered.
void ScriviInviati(const std::filesystem::path& cartella, const std::vector<Identita>& elenco);
void AggiungiInviato(const std::filesystem::path& cartella, const Identita& id);

// The receipt in its payment. The mark is written aside before the first byte of the
// receipt goes out, so that a full disk is found while nothing is open at the register
// (errors numbered, nothing left behind), and put in place before the first command of
// the total line, with the time its payment began: the time the operator looks for in
// the register's journal should the receipt be cut.
void PreparaPagamento(const std::filesystem::path& cartella, const Identita& id, const DataOra& adesso);
void SegnaPagamento(const std::filesystem::path& cartella, const Identita& id, const DataOra& inizio);
// Removes the mark, and one prepared and never put in place.
void TogliPagamento(const std::filesystem::path& cartella);
// Removes only a mark prepared and never put in place (left by a kill); says nothing.
void TogliPagamentoPreparato(const std::filesystem::path& cartella) noexcept;
// Removes what a stop left written aside and never put in place: a prepared mark, a
// journal; says nothing.
void TogliScrittiAMeta(const std::filesystem::path& cartella) noexcept;
// A mark: the receipt, and when its payment began (none in a mark of an earlier
// version, which did not say).
struct Pagamento {
  Identita id;
  std::optional<DataOra> inizio;
};
// The mark, or none when there is none; `illeggibile` is set for one that is there
// but cannot be read, which names a receipt nobody can tell.
std::optional<Pagamento> LeggiPagamento(const std::filesystem::path& cartella, bool* illeggibile = nullptr);

// Whether the journal can be written in the folder now (a file is created, forced
// to disk and removed); the system's reason when it cannot.
std::optional<std::string> GiornaleNonScrivibile(const std::filesystem::path& cartella);

}  // namespace quimbo
