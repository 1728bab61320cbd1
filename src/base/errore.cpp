#include "base/errore.h"

#include "base/sistema.h"

namespace quimbo {

Errore::Errore(int numero, std::string descrizione)
    : std::runtime_error(descrizione), numero_(numero), descrizione_(std::move(descrizione)) {}

Errore::Errore(int numero) : Errore(numero, descrizioneErrore(numero)) {}

std::string descrizioneErrore(int numero) {
  switch (numero) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    case 94:
      return "Invalid use of Null";
    case 8002:
      return "Invalid port number";
    case 8005:
      return "Port already open";
    case 8012:
      return "The device is not open";
    case 8018:
      return "Operation valid only when the port is open";
    default:
      return "Application-defined or object-defined error";
  }
}

Errore erroreDa(const std::error_code& ec) {
  // The system's own codes are errno values on POSIX and Win32 codes on Windows:
  // both are read through their portable condition.
  const std::error_condition c = CondizioneDiSistema(ec);
  if (c.category() != std::generic_category()) return Errore(err::AccessoPercorso);
  using E = std::errc;
  switch (static_cast<E>(c.value())) {
    case E::no_such_file_or_directory:
      return Errore(err::FileNonTrovato);
    case E::not_a_directory:
      return Errore(err::PercorsoNonTrovato);
    case E::no_space_on_device:
      return Errore(err::DiscoPieno);
    case E::io_error:
      return Errore(err::ErroreIO);
    case E::filename_too_long:
    case E::invalid_argument:
      return Errore(err::NomeFileErrato);
    case E::too_many_files_open:
    case E::too_many_files_open_in_system:
      return Errore(67);
    // Another program holds the file (a Windows writer or reader that shares nothing):
    // it is in use, not forbidden.
    case E::device_or_resource_busy:
    case E::text_file_busy:
      return Errore(err::FileGiaAperto, "File in uso da un altro programma");
    // A file that may not be touched is a path/file access error, as a read-only
    // file is for the original's delete: the scan keeps going.
    default:
      return Errore(err::AccessoPercorso);
  }
}

}  // namespace quimbo
