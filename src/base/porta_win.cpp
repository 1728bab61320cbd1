// The serial port's name and what to do when it does not open, on Windows.

#include <windows.h>

#include <string>

#include "base/larghe.h"
#include "base/sistema.h"

namespace quimbo {

namespace {

// "COM3", "\\.\COM3" and "com3" name the same device.
std::wstring NomeDos(const std::string& dispositivo) {
  std::string nome = dispositivo;
  if (nome.rfind("\\\\.\\", 0) == 0) nome = nome.substr(4);
  return Largo(nome, 1252);
}

}  // namespace

std::string DispositivoDelNumero(long n) { return "COM" + std::to_string(n); }

std::string NomeUtente() {
  wchar_t nome[257] = {};
  DWORD n = 257;
  if (!GetUserNameW(nome, &n)) return "?";
  return Stretto(nome, 1252);
}

bool NonEUnDispositivo(const std::string& dispositivo) {
  // "COM3", "com3" and "\\.\COM3" name devices, whatever the folder of the program holds.
  const std::wstring nome = NomeDos(dispositivo);
  if (dispositivo.rfind("\\\\.\\", 0) == 0 ||
      (nome.size() > 3 && _wcsnicmp(nome.c_str(), L"COM", 3) == 0 &&
       nome.find_first_not_of(L"0123456789", 3) == std::wstring::npos))
    return false;
  return GetFileAttributesW(nome.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SuggerimentoPorta(const std::string& dispositivo, const std::string& motivo) {
  wchar_t destinazione[512];
  if (QueryDosDeviceW(NomeDos(dispositivo).c_str(), destinazione, 512) == 0)
    return ". La porta " + dispositivo +
           " non esiste: adattatore scollegato o numero sbagliato? Il numero della porta \xe8 in "
           "Gestione dispositivi, sotto Porte (COM e LPT)";
  // Windows gives a port that another program holds open as access denied.
  if (motivo.find("(errore 5)") != std::string::npos)
    return ". Porta occupata da un altro programma o da un'altra istanza";
  return "";
}

}  // namespace quimbo
