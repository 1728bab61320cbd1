#include "servizio_win.h"

#include <cstdio>
#include <filesystem>

#include "base/larghe.h"
#include "programma/programma.h"

namespace quimbo::win {

namespace {

constexpr const wchar_t* kSorgente = L"Quimbo";
// How long a stop may take: a payment in progress finishes first.
constexpr DWORD kAttesaArresto = 60000;

SERVICE_STATUS_HANDLE gStato = nullptr;
HANDLE gChiusura = nullptr;
const ProgrammaDelServizio* gProgramma = nullptr;
std::wstring gNome;
int gCodice = 0;

void Riferisci(DWORD stato, DWORD uscita = NO_ERROR, DWORD specifica = 0, DWORD attesa = 0) {
  static DWORD passo = 0;
  SERVICE_STATUS s{};
  s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  s.dwCurrentState = stato;
  s.dwControlsAccepted = stato == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  s.dwWin32ExitCode = uscita;
  s.dwServiceSpecificExitCode = specifica;
  s.dwCheckPoint = stato == SERVICE_RUNNING || stato == SERVICE_STOPPED ? 0 : ++passo;
  s.dwWaitHint = attesa;
  SetServiceStatus(gStato, &s);
}

}  // namespace

void NotaNelRegistro(const std::string& riga) {
  HANDLE registro = RegisterEventSourceW(nullptr, kSorgente);
  if (!registro) return;
  const std::wstring testo = Largo(riga, 1252);
  const wchar_t* righe[] = {testo.c_str()};
  ReportEventW(registro, EVENTLOG_INFORMATION_TYPE, 0, 2, nullptr, 1, 0, righe, nullptr);
  DeregisterEventSource(registro);
}

namespace {

class ServizioWin : public Servizio {
 public:
  ServizioWin() : registro_(RegisterEventSourceW(nullptr, kSorgente)) {}
  ~ServizioWin() override {
    if (registro_) DeregisterEventSource(registro_);
  }
  ServizioWin(const ServizioWin&) = delete;
  ServizioWin& operator=(const ServizioWin&) = delete;

  void pronto() override { Riferisci(SERVICE_RUNNING); }
  void stato(const std::string&) override {}
  void inArresto() override { Riferisci(SERVICE_STOP_PENDING, NO_ERROR, 0, kAttesaArresto); }
  void errore(const std::string& riga) override {
    if (!registro_) return;
    const std::wstring testo = Largo(riga, 1252);
    const wchar_t* righe[] = {testo.c_str()};
    ReportEventW(registro_, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, righe, nullptr);
  }
  void nota(const std::string& riga) override { NotaNelRegistro(riga); }

 private:
  HANDLE registro_;
};

DWORD WINAPI Controllo(DWORD controllo, DWORD, void*, void*) {
  if (controllo == SERVICE_CONTROL_STOP || controllo == SERVICE_CONTROL_SHUTDOWN) {
    Riferisci(SERVICE_STOP_PENDING, NO_ERROR, 0, kAttesaArresto);
    SetEvent(gChiusura);
    return NO_ERROR;
  }
  return controllo == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI Principale(DWORD, LPWSTR*) {
  gStato = RegisterServiceCtrlHandlerExW(gNome.c_str(), &Controllo, nullptr);
  if (!gStato) return;
  Riferisci(SERVICE_START_PENDING, NO_ERROR, 0, 30000);
  ServizioWin servizio;
  gCodice = (*gProgramma)(servizio, gChiusura);
  // A configuration that cannot be used ends cleanly, so that no restart follows:
  // the event log has said why. Any other failure is one, and is restarted.
  if (gCodice == 0 || gCodice == uscita::Configurazione)
    Riferisci(SERVICE_STOPPED);
  else
    Riferisci(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, static_cast<DWORD>(gCodice));
}

int Errore(const char* cosa) {
  std::fprintf(stderr, "quimbo: %s: errore %lu\n", cosa, GetLastError());
  return uscita::Fallito;
}

}  // namespace

std::filesystem::path Eseguibile() {
  std::wstring nome(32768, L'\0');
  nome.resize(GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size())));
  return nome;
}

bool EseguiComeServizio(const std::wstring& nome, const ProgrammaDelServizio& programma, int& codice) {
  gProgramma = &programma;
  gNome = nome;
  gChiusura = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const SERVICE_TABLE_ENTRYW tabella[] = {{gNome.data(), &Principale}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherW(tabella)) {
    if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) return false;
    codice = Errore("avvio come servizio");
    return true;
  }
  codice = gCodice;
  return true;
}

int InstallaServizio(const std::wstring& nome, const std::wstring& ini) {
  const std::filesystem::path eseguibile = Eseguibile();
  const std::wstring file =
      ini.empty() ? std::filesystem::path(percorsoIniPredefinito(eseguibile.parent_path().string())).wstring()
                  : std::filesystem::absolute(ini).wstring();
  const std::wstring comando =
      L"\"" + eseguibile.wstring() + L"\" --servizio \"" + nome + L"\" --headless \"" + file + L"\"";
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!scm) return Errore("Gestione servizi non disponibile");
  const std::wstring mostrato = nome == L"Quimbo" ? nome : L"Quimbo " + nome;
  SC_HANDLE s = CreateServiceW(scm, nome.c_str(), mostrato.c_str(), SERVICE_ALL_ACCESS,
                               SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                               comando.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!s) {
    const int r = Errore("servizio non creato");
    CloseServiceHandle(scm);
    return r;
  }
  wchar_t descrizione[] = L"Invia gli scontrini della cartella al registratore di cassa";
  SERVICE_DESCRIPTIONW d{descrizione};
  ChangeServiceConfig2W(s, SERVICE_CONFIG_DESCRIPTION, &d);
  // Restarted 5 s after a failure, three times a day at most.
  SC_ACTION azioni[] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000}};
  SERVICE_FAILURE_ACTIONSW fallimenti{86400, nullptr, nullptr, 3, azioni};
  ChangeServiceConfig2W(s, SERVICE_CONFIG_FAILURE_ACTIONS, &fallimenti);
  SERVICE_FAILURE_ACTIONS_FLAG anche{TRUE};  // a stop with an exit code is a failure too
  ChangeServiceConfig2W(s, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &anche);
  CloseServiceHandle(s);
  CloseServiceHandle(scm);
  // The event log's source, so that Event Viewer files the errors under Quimbo.
  HKEY chiave = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                      L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quimbo", 0, nullptr, 0,
                      KEY_WRITE, nullptr, &chiave, nullptr) == ERROR_SUCCESS) {
    const DWORD tipi = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    RegSetValueExW(chiave, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&tipi),
                   sizeof tipi);
    RegCloseKey(chiave);
  }
  std::printf("Servizio %ls installato: %ls\n", nome.c_str(), comando.c_str());
  return uscita::Fatto;
}

int RimuoviServizio(const std::wstring& nome) {
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!scm) return Errore("Gestione servizi non disponibile");
  SC_HANDLE s = OpenServiceW(scm, nome.c_str(), DELETE);
  const bool tolto = s && DeleteService(s);
  const int r = tolto ? uscita::Fatto : Errore("servizio non rimosso");
  if (s) CloseServiceHandle(s);
  CloseServiceHandle(scm);
  if (tolto) std::printf("Servizio %ls rimosso\n", nome.c_str());
  return r;
}

}  // namespace quimbo::win
