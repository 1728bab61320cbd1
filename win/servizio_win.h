#pragma once
// The program as a Windows service: the Service Control Manager's side (running
// once the port is open and the first scan armed, stop pending while a payment
// finishes), errors into the Application event log, and the installation of an
// instance per register.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "base/piattaforma.h"

namespace quimbo::win {

// The program itself, given the service manager to tell and the event that asks
// it to stop; its exit code.
using ProgrammaDelServizio = std::function<int(Servizio& servizio, HANDLE chiusura)>;

// Runs `programma` as a service when the Service Control Manager started this
// process: true, with its exit code in `codice`. False when it was not started as a
// service (error 1063): the caller goes on as a console program.
bool EseguiComeServizio(const std::wstring& nome, const ProgrammaDelServizio& programma, int& codice);

// quimbo.exe itself: the service's command line names it, and quimbo.ini is looked
// for beside it.
std::filesystem::path Eseguibile();

// A fact for the Application event log (a receipt in doubt settled), Windows-1252
// text; from a console program as from the service.
void NotaNelRegistro(const std::string& riga);

// "--installa-servizio NOME [INI]": an instance per register, started with the
// system, restarted after a failure (not after a configuration error, which ends
// it cleanly, said in the event log). "--rimuovi-servizio NOME". Exit codes.
int InstallaServizio(const std::wstring& nome, const std::wstring& ini);
int RimuoviServizio(const std::wstring& nome);

}  // namespace quimbo::win
