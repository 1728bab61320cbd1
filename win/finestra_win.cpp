#include "finestra_win.h"

#include <commctrl.h>

#include <cmath>
#include <string_view>

#include "controlli.h"
#include "link/tasti.h"
#include "programma/situazione.h"
#include "queue/scansione.h"
#include "shell/chiusura.h"
#include "shell/larghe.h"
#include "shell/stato.h"
#include "shell/testo.h"

namespace quimbo::win {

namespace {

constexpr DWORD kStile = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kDpiCambiato = 0x02E0;  // WM_DPICHANGED, for headers that lack it
// The original's client area, and one line below it for the status line (twips).
constexpr int kLargo = 6825, kAlto = 4125;

enum Carattere { Normale, Titolo, Sblocca, Fine, Messaggio };
struct Forma {
  double punti;
  bool grassetto;
};
constexpr Forma kForme[] = {{8.25, true}, {13.5, true}, {9.75, true}, {19.5, true}, {8.25, false}};

constexpr DWORD kEtichetta = SS_NOPREFIX;
constexpr DWORD kCasella = ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kSoloLettura = kCasella | ES_READONLY;
constexpr DWORD kPulsante = BS_PUSHBUTTON | WS_TABSTOP;

struct Posto {
  int id;
  const wchar_t* classe;
  const wchar_t* testo;
  DWORD stile;
  int sx, su, largo, alto;  // twips
  Carattere carattere;
  bool visibile;
};

// In the original's tab order: the order of creation is the order of Tab.
constexpr Posto kPosti[] = {
    {IdTxtRit, WC_EDITW, L"", kSoloLettura, 660, 1500, 5475, 495, Normale, false},
    {IdLabRit, WC_STATICW, L"RITORNO DALLA CASSA", kEtichetta | SS_CENTER, 660, 1080, 5475, 375, Titolo,
     false},
    {IdTxtManda, WC_EDITW, L"", kSoloLettura, 660, 480, 5475, 495, Normale, true},
    {IdLabManda, WC_STATICW, L"MANDO ALLA CASSA", kEtichetta | SS_CENTER, 660, 60, 5475, 375, Titolo, true},
    {IdCommand1, WC_BUTTONW, L"&FINE", kPulsante, 4800, 2760, 1815, 675, Fine, true},
    {IdCmdSblocca, WC_BUTTONW, L"&Sblocca tastiera", kPulsante | BS_MULTILINE, 180, 2760, 1995, 675, Sblocca,
     false},
    {IdTxtMsg, WC_EDITW, L"", kSoloLettura, 240, 3480, 6555, 285, Messaggio, true},
    {IdLabel1, WC_STATICW, L"Tipo Registratore", kEtichetta | SS_CENTER, 2280, 2820, 2415, 195, Normale,
     true},
    {IdTxtTipo, WC_EDITW, L"", kCasella, 2220, 3120, 2535, 285, Normale, true},
    {IdTxtProva, WC_EDITW, L"", kCasella, 660, 2040, 2955, 315, Normale, true},
    {IdComTest, WC_BUTTONW, L"InviaTest", kPulsante, 3780, 2100, 1035, 255, Normale, true},
    {IdTxtConfBase, WC_EDITW, L"", kCasella, 2220, 2400, 1395, 315, Normale, true},
    {IdLabConfBase, WC_STATICW, L"Configurazione base:", kEtichetta | SS_RIGHT, 120, 2460, 2055, 195, Normale,
     true},
    {IdCheAggConf, WC_BUTTONW, L"Riep. Iva per ricevuta", BS_AUTOCHECKBOX | WS_TABSTOP, 3780, 2460, 2295, 255,
     Normale, true},
    {IdLabStato, WC_STATICW, L"", kEtichetta | SS_LEFT | SS_CENTERIMAGE, 240, 3810, 6555, 255, Messaggio,
     true},
};

// Functions of newer systems, looked up so that an older one still runs the program.
template <typename F>
F Funzione(const char* nome) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), nome)));
}

UINT DpiDi(HWND h) {
  static const auto perFinestra = Funzione<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (perFinestra && h) return perFinestra(h);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

RECT Esterno(UINT dpi) {
  RECT r{0, 0, MulDiv(kLargo, static_cast<int>(dpi), 1440), MulDiv(kAlto, static_cast<int>(dpi), 1440)};
  static const auto perDpi =
      Funzione<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (perDpi)
    perDpi(&r, kStile, FALSE, 0, dpi);
  else
    AdjustWindowRectEx(&r, kStile, FALSE, 0);
  return r;
}

// The system's dialog font (Segoe UI on today's Windows) at the original's sizes.
HFONT CreaCarattere(Forma f, UINT dpi) {
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof m;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
  LOGFONTW lf = m.lfMessageFont;
  lf.lfHeight = -static_cast<LONG>(std::lround(f.punti * dpi / 72.0));
  lf.lfWidth = 0;
  lf.lfWeight = f.grassetto ? FW_BOLD : FW_NORMAL;
  return CreateFontIndirectW(&lf);
}

int IdDi(Elemento e) {
  switch (e) {
    case Elemento::LabRit:
      return IdLabRit;
    case Elemento::TxtRit:
      return IdTxtRit;
    case Elemento::CmdSblocca:
      return IdCmdSblocca;
    case Elemento::txtProva:
      return IdTxtProva;
    case Elemento::comTest:
      return IdComTest;
    case Elemento::LabConfBase:
      return IdLabConfBase;
    case Elemento::txtConfBase:
      return IdTxtConfBase;
    case Elemento::CheAggConf:
      return IdCheAggConf;
  }
  return 0;
}

UINT Tipo(Icona icona, Pulsanti pulsanti) {
  UINT t = 0;
  switch (pulsanti) {
    case Pulsanti::Ok:
      t = MB_OK;
      break;
    case Pulsanti::OkAnnulla:
      t = MB_OKCANCEL;
      break;
    case Pulsanti::SiNoAnnulla:
      t = MB_YESNOCANCEL;
      break;
    case Pulsanti::SiNo:
      t = MB_YESNO;
      break;
  }
  switch (icona) {
    case Icona::Domanda:
      return t | MB_ICONQUESTION;
    case Icona::Critico:
      return t | MB_ICONERROR;
    case Icona::Esclamazione:
      return t | MB_ICONWARNING;
    case Icona::Informazione:
      return t | MB_ICONINFORMATION;
    case Icona::Nessuna:
      break;
  }
  return t;
}

}  // namespace

FinestraWin::FinestraWin(PompaWin& pompa) : pompa_(pompa), timer1_(pompa) {
  timer1_.suScatto([this] {
    if (st_) Timer1_Timer(*st_);
  });
  const INITCOMMONCONTROLSEX comuni{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&comuni);
  const HINSTANCE istanza = GetModuleHandleW(nullptr);
  WNDCLASSEXW classe{};
  classe.cbSize = sizeof classe;
  classe.lpfnWndProc = &Procedura;
  classe.hInstance = istanza;
  classe.hIcon = LoadIconW(istanza, MAKEINTRESOURCEW(1));
  classe.hIconSm =
      static_cast<HICON>(LoadImageW(istanza, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), 0));
  classe.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  classe.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  classe.lpszClassName = kClasseFinestra;
  RegisterClassExW(&classe);
  hwnd_ = CreateWindowExW(0, kClasseFinestra, L"Gestione Registratore di Cassa", kStile, CW_USEDEFAULT,
                          CW_USEDEFAULT, 0, 0, nullptr, nullptr, istanza, this);
  if (!hwnd_) return;
  for (const Posto& p : kPosti)
    CreateWindowExW(std::wstring_view(p.classe) == WC_EDITW ? WS_EX_CLIENTEDGE : 0, p.classe, p.testo,
                    WS_CHILD | p.stile | (p.visibile ? WS_VISIBLE : 0), 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.id)), istanza, nullptr);
  disponi(DpiDi(hwnd_));
  const RECT r = Esterno(dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  pompa_.dialogo(hwnd_);
}

FinestraWin::~FinestraWin() {
  pompa_.dialogo(nullptr);
  if (hwnd_) DestroyWindow(hwnd_);
  for (HFONT f : caratteri_)
    if (f) DeleteObject(f);
}

void FinestraWin::disponi(UINT dpi) {
  dpi_ = dpi;
  HFONT vecchi[std::size(kForme)];
  for (std::size_t i = 0; i < std::size(kForme); ++i) {
    vecchi[i] = caratteri_[i];
    caratteri_[i] = CreaCarattere(kForme[i], dpi);
  }
  const auto px = [dpi](int twip) { return MulDiv(twip, static_cast<int>(dpi), 1440); };
  for (const Posto& p : kPosti) {
    HWND c = controllo(p.id);
    SetWindowPos(c, nullptr, px(p.sx), px(p.su), px(p.largo), px(p.alto), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(caratteri_[p.carattere]), TRUE);
  }
  for (HFONT f : vecchi)
    if (f) DeleteObject(f);
}

LRESULT CALLBACK FinestraWin::Procedura(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* io = static_cast<FinestraWin*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    io->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(io));
  }
  auto* io = reinterpret_cast<FinestraWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return io ? io->messaggio(msg, w, l) : DefWindowProcW(hwnd, msg, w, l);
}

LRESULT FinestraWin::messaggio(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED) comando(LOWORD(w));
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Read-only boxes draw as labels do; the register's two show white as the
      // original's, the message line the inactive border's colour.
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(l));
      const int colore = id == IdTxtMsg ? COLOR_INACTIVEBORDER : COLOR_WINDOW;
      if (id != IdTxtMsg && id != IdTxtManda && id != IdTxtRit) break;
      HDC dc = reinterpret_cast<HDC>(w);
      SetBkColor(dc, GetSysColor(colore));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(colore));
    }
    case WM_CLOSE:
      chiusura();
      return 0;
    case WM_QUERYENDSESSION:
      return fineSessione();
    case WM_ENDSESSION:
      // The system ends the process once this returns.
      if (w) chiusura();
      return 0;
    case WM_ENTERSIZEMOVE:
    case WM_ENTERMENULOOP:
      // Moving the window and its menu run loops of the system's own.
      pompa_.entraInCicloDiSistema();
      break;
    case WM_EXITSIZEMOVE:
    case WM_EXITMENULOOP:
      pompa_.esciDalCicloDiSistema();
      break;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd_, f)) fuoco_ = f;
      } else {
        ridaiFuoco();
      }
      return 0;
    case WM_SETFOCUS:
      ridaiFuoco();
      return 0;
    case kDpiCambiato: {
      disponi(HIWORD(w));
      const RECT* r = reinterpret_cast<const RECT*>(l);
      SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, w, l);
}

void FinestraWin::comando(int id) {
  if (!st_) return;
  switch (id) {
    case IdCommand1:
      return Command1_Click(*st_);
    case IdCmdSblocca:
      return CmdSblocca_click(*st_);
    case IdComTest:
      return comTest_Click(*st_);
    default:
      break;
  }
}

// The focus goes back where it was, or to the first control: never on the window
// itself, where keys would reach no control.
void FinestraWin::ridaiFuoco() {
  HWND f = fuoco_ && IsWindowVisible(fuoco_) && IsWindowEnabled(fuoco_)
               ? fuoco_
               : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (f) SetFocus(f);
}

// Log-off or shutdown. A receipt being paid is finished first: the system is told to
// wait, with the reason, and the window closes when the receipt has ended.
BOOL FinestraWin::fineSessione() {
  if (!st_ || !st_->mbInPagamento) return TRUE;
  static const auto motivo = Funzione<BOOL(WINAPI*)(HWND, LPCWSTR)>("ShutdownBlockReasonCreate");
  if (motivo) motivo(hwnd_, L"Quimbo sta finendo di inviare uno scontrino alla cassa");
  chiusura();
  return FALSE;
}

// The close box as on every platform: the window ends when the receipt being paid has.
void FinestraWin::chiusura() {
  if (st_)
    ChiediChiusura(*st_);
  else
    pompa_.esci();
}

std::string FinestraWin::testoDi(int id) const {
  HWND c = controllo(id);
  std::wstring t(static_cast<std::size_t>(GetWindowTextLengthW(c)) + 1, L'\0');
  t.resize(static_cast<std::size_t>(GetWindowTextW(c, t.data(), static_cast<int>(t.size()))));
  return Stretto(t, 1252);
}

void FinestraWin::imposta(int id, const std::string& cp1252) {
  SetWindowTextW(controllo(id), Largo(cp1252, 1252).c_str());
}

void FinestraWin::scrivi(Campo campo, const std::string& testo) {
  if (campo == Campo::Caption) {
    SetWindowTextW(hwnd_, Largo(testo, 1252).c_str());
    return;
  }
  const int id = campo == Campo::TxtManda ? IdTxtManda
                 : campo == Campo::TxtRit ? IdTxtRit
                 : campo == Campo::TxtMsg ? IdTxtMsg
                                          : IdTxtTipo;
  // Control characters on the line are shown by name (<STX>), as everywhere else.
  SetWindowTextW(controllo(id), Largo(testo::leggibile(testo)).c_str());
}

void FinestraWin::mostra(Elemento elemento, bool visibile) {
  ShowWindow(controllo(IdDi(elemento)), visibile ? SW_SHOW : SW_HIDE);
}

std::string FinestraWin::confBase() { return testoDi(IdTxtConfBase); }

void FinestraWin::impostaConfBase(const std::string& testo) { imposta(IdTxtConfBase, testo); }

bool FinestraWin::aggConf() {
  return SendMessageW(controllo(IdCheAggConf), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FinestraWin::impostaAggConf(bool spuntato) {
  SendMessageW(controllo(IdCheAggConf), BM_SETCHECK, spuntato ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string FinestraWin::prova() { return testoDi(IdTxtProva); }

Risposta FinestraWin::chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                             Pulsanti pulsanti) {
  // Modal to the window once it is shown; before that (a start-up error) to the task.
  HWND padrone = IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
  const UINT tipo = Tipo(icona, pulsanti) | (padrone ? 0 : MB_TASKMODAL) | MB_SETFOREGROUND;
  int r = 0;
  {
    // The box's own loop: the port's events go on being served.
    const CicloDiSistema ciclo(pompa_);
    r = MessageBoxW(padrone, Largo(testo, 1252).c_str(),
                    titolo.empty() ? Largo(kTitoloApplicazione).c_str() : Largo(titolo, 1252).c_str(), tipo);
  }
  switch (r) {
    case IDYES:
      return Risposta::Si;
    case IDNO:
      return Risposta::No;
    case IDCANCEL:
      return pulsanti == Pulsanti::Ok ? Risposta::Ok : Risposta::Annulla;
    default:
      return Risposta::Ok;
  }
}

void FinestraWin::collegamentoOccupato(bool occupato) {
  EnableWindow(controllo(IdCmdSblocca), !occupato);
  EnableWindow(controllo(IdComTest), !occupato);
}

void FinestraWin::situazione(const Situazione& s) {
  SetWindowTextW(controllo(IdLabStato), Largo(testo::leggibile(DescriviSituazione(s))).c_str());
}

void FinestraWin::visualizza() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
}

}  // namespace quimbo::win
