#pragma once
// What the receipt folder remembers across stops: the journal "inviati.txt" of
// receipts sent completely (and of failed ones that could not be set aside) until
// their file is gone, and the mark "pagamento.txt" of the receipt whose total line
// is being sent. Every change is forced to disk, file and folder, before the next
// byte goes to the register.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quimbo {

// A receipt file as it was when it was sent: name, size and modification time.
struct Identita {
  std::string nome;
  std::uintmax_t dimensione = 0;
  std::int64_t modifica = 0;  // nanoseconds of the modification time
  bool fallito = false;       // failed, and could not be set aside: never sent again, never deleted
  bool operator==(const Identita&) const = default;
};
std::optional<Identita> IdentitaDi(const std::filesystem::path& file);
// The same file: name, size and time, whatever the entry's kind.
bool stessoFile(const Identita& a, const Identita& b);

std::vector<Identita> LeggiInviati(const std::filesystem::path& cartella);
// The whole journal, replaced at once; an empty one is removed. Errors are numbered.
void ScriviInviati(const std::filesystem::path& cartella, const std::vector<Identita>& elenco);
void AggiungiInviato(const std::filesystem::path& cartella, const Identita& id);

// The receipt in its payment. The mark is written aside before the first byte of the
// receipt goes out, so that a full disk is found while nothing is open at the register
// (errors numbered, nothing left behind), and only renamed into place before the first
// command of the total line.
void PreparaPagamento(const std::filesystem::path& cartella, const Identita& id);
void SegnaPagamento(const std::filesystem::path& cartella);
// Removes the mark, and one prepared and never put in place.
void TogliPagamento(const std::filesystem::path& cartella);
// Removes only a mark prepared and never put in place (left by a kill); says nothing.
void TogliPagamentoPreparato(const std::filesystem::path& cartella) noexcept;
// The mark, or none when there is none; `illeggibile` is set for one that is there
// but cannot be read, which names a receipt nobody can tell.
std::optional<Identita> LeggiPagamento(const std::filesystem::path& cartella, bool* illeggibile = nullptr);

// Whether the journal can be written in the folder now (a file is created, forced
// to disk and removed); the system's reason when it cannot.
std::optional<std::string> GiornaleNonScrivibile(const std::filesystem::path& cartella);

// The whole text to a file, forced to disk; errors are numbered, and a file that could
// not be written whole is removed.
void ScriviSuDisco(const std::filesystem::path& file, const std::string& testo);
// Renames a file written with ScriviSuDisco over its final name, at once, and forces
// the folder to disk; errors are numbered.
void RinominaSuDisco(const std::filesystem::path& da, const std::filesystem::path& a);
// Forces the folder's entries to disk; errors are numbered.
void SincronizzaCartella(const std::filesystem::path& cartella);

}  // namespace quimbo
