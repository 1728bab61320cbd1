#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/stato.h"
#include "queue/giornale.h"
#include "receipt/record.h"

namespace quimbo {

// One non-blank line of a receipt, trimmed, with its number in the file.
struct RigaDelFile {
  int numero;
  std::string testo;  // Windows-1252
  TipoRecord tipo;    // as the text before the first TAB says
};
// A receipt's bytes as the queue reads them (UTF-8 or Windows-1252 as `codifica`
// says, "auto" telling them apart) in Windows-1252 lines. A line ends at CR, CR LF or
// LF (files written on other systems end their lines with LF alone); blank lines are
// skipped.
std::vector<RigaDelFile> RigheScontrino(std::string_view byte, std::string_view codifica);
// The amount and the payment's letter of its total line ("80"); left as they are
// when it has none.
void TotaleDi(const std::vector<RigaDelFile>& righe, std::string& totale, std::string& pagamento);

// How a receipt ended, and so what becomes of its file.
enum class Esito {
  Inviato,      // every line handed over: journal, then deletion
  Fallito,      // refused, bad input, or given up by the operator: set aside
  Trattenuto,   // nothing says it was refused (line lost, register silent before its total line): kept, sent
                // again later from its first line
  InDubbio,     // cut during its total line: the register may have printed it; set aside for the operator
  Incompleto,   // sale lines without a total line yet, or a file that changed while read: still being written
  Illeggibile,  // it cannot be read (this user may not, an I/O error): it stays, nothing was sent
  InUso,        // another program holds it open and shares nothing (a Windows writer): it waits, as one
                // being written does
  DiscoPieno,   // no room for the payment mark: it stays, nothing was sent
};

// How the sending of a receipt ended, as the flags left it (a restart asked for by the
// operator is no end).
struct FineInvio {
  bool finito = false;       // every line handed over and gone down the line
  bool errore = false;       // an unexpected answer, or a command that did not get through (mbErrTx)
  bool dubbio = false;       // set aside in doubt instead of asking (no window, payment begun)
  bool muta = false;         // the register stayed silent (mbNessunaRisposta)
  bool portaPersa = false;   // the port is gone
  bool inPagamento = false;  // its total line had begun
  bool eccezione = false;    // an error ended it (logged and shown)
};
// What becomes of the receipt's file.
Esito EsitoDi(const FineInvio& f);

// The receipt file as it was read: its identity (none when it could not be found)
// and its bytes.
struct Letto {
  std::optional<Identita> id;
  std::string contenuto;
  std::string motivo;  // Illeggibile: the system's reason; empty when this user may not read it
  // Fallito: why, as it was said; and the line that was the cause (0: none).
  std::string perche;
  int riga = 0;
  std::string ultimo;                      // in doubt: what last reached the register
  std::optional<DataOra> inizioPagamento;  // in doubt: when its payment began
};

// Sends one receipt file: every line read once and checked, the synchronisation, then
// every non-empty line through the dispatcher, with restarts on the operator's
// request. Before the first command of a total line the folder's payment mark is
// written. `letto` gets the file as it was read.
Esito ElaboraScontrino(Stato& st, const std::string& percorso, Letto* letto = nullptr);

}  // namespace quimbo
