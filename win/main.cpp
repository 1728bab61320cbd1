// quimbo.exe [options] [INI path]: the Win32 shell around the core. It makes the
// platform's parts (port, timer and folder watch, event pump, the console's stop)
// and hands them to the program.

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/larghe.h"
#include "finestra_win.h"
#include "pompa_win.h"
#include "porta_win.h"
#include "programma/programma.h"
#include "servizio_win.h"
#include "timer_win.h"

namespace {

using namespace quimbo;
using namespace quimbo::win;

HANDLE gChiusura = nullptr;  // a stop asked for by the console
HANDLE gFinito = nullptr;    // the program has ended

// Runs on a thread of its own. Closing the console, log-off and shutdown end the
// process as soon as this returns: it waits for the program to end first, so that a
// payment in progress is finished.
BOOL WINAPI Controllo(DWORD tipo) {
  SetEvent(gChiusura);
  if (tipo == CTRL_CLOSE_EVENT || tipo == CTRL_LOGOFF_EVENT || tipo == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(gFinito, 20000);
  return TRUE;
}

std::string CartellaEseguibile() { return Stretto(Eseguibile().parent_path().wstring()); }

// A console program tells no service manager; the event log keeps its settlements.
class NessunServizio : public Servizio {
 public:
  void pronto() override {}
  void stato(const std::string&) override {}
  void inArresto() override {}
  void nota(const std::string& riga) override { NotaNelRegistro(riga); }
};

// `chiusura` asks for the program's end: the console's control handler, or the
// service's stop.
int Esegui(const Opzioni& o, const std::string& ini, const std::string& erroreIni, Servizio& servizio,
           HANDLE chiusura) {
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  PortaWin porta(pompa);
  TimerWin timer(pompa);
  std::unique_ptr<FinestraWin> finestra;
  if (!o.headless) {
    finestra = std::make_unique<FinestraWin>(pompa);
    if (!finestra->creata()) {
      ErroreSuStderr("quimbo: impossibile mostrare la finestra (" + MotivoWin32(GetLastError()) +
                     "): senza desktop usare --headless");
      return uscita::Uso;
    }
  }
  Programma programma(o, PartiDellaShell{porta, pompa, orologio, servizio, finestra.get(), timer});
  if (finestra) finestra->collega(&programma.operatore());
  pompa.osserva(chiusura, [&] {
    ResetEvent(chiusura);
    programma.chiudi();
  });
  return programma.esegui(ini, erroreIni);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  const std::wstring primo = argc > 1 ? argv[1] : L"";
  if (primo == L"--installa-servizio" && argc >= 3)
    return InstallaServizio(argv[2], argc > 3 ? argv[3] : L"");
  if (primo == L"--rimuovi-servizio" && argc == 3) return RimuoviServizio(argv[2]);
  // "--servizio NOME" comes only from the command line the service was installed
  // with: the Service Control Manager starts it (a program not started so goes on
  // as a console program).
  std::wstring servizio;
  std::vector<std::string> argomenti;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--servizio" && i + 1 < argc)
      servizio = argv[++i];
    else
      argomenti.push_back(Stretto(argv[i]));
  }
  const Opzioni o = LeggiOpzioni(argomenti, nullptr);
  std::string erroreIni;
  const std::string ini = o.errore.empty() ? TrovaIni(o, CartellaEseguibile(), erroreIni) : "";
  if (const std::optional<int> fine = FinePrimaDellaShell(o, erroreIni, true, QUIMBO_VERSIONE)) return *fine;
  // Started from a shortcut, the window comes with a console of its own that nobody
  // reads: it goes (one shared with a command prompt stays).
  DWORD processi[2];
  if (!o.headless && GetConsoleProcessList(processi, 2) == 1) FreeConsole();
  if (!servizio.empty() && !o.prova && !o.sblocca) {
    int codice = 0;
    const auto comeServizio = [&](Servizio& servizio, HANDLE chiusura) {
      return Esegui(o, ini, erroreIni, servizio, chiusura);
    };
    if (EseguiComeServizio(servizio, comeServizio, codice)) return codice;
  }
  gChiusura = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gFinito = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(&Controllo, TRUE);
  NessunServizio nessuno;
  const int codice = Esegui(o, ini, erroreIni, nessuno, gChiusura);
  SetEvent(gFinito);
  return codice;
}
