#include "finestra_win.h"

#include <commctrl.h>

#include <cmath>
#include <string_view>

#include "base/larghe.h"
#include "base/testo.h"
#include "controlli.h"
#include "dubbi_win.h"

namespace quimbo::win {

namespace {

constexpr DWORD kStile = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kDpiCambiato = 0x02E0;  // WM_DPICHANGED, for headers that lack it

// A row of the window's layout as a Win32 control: its class and styles.
struct Win32 {
  const wchar_t* classe;
  DWORD stile, esteso;
};
Win32 ComeControllo(const Posto& p) {
  constexpr DWORD kCasella = ES_AUTOHSCROLL | WS_TABSTOP;
  switch (p.genere) {
    case Genere::Etichetta: {
      const DWORD allinea = p.allinea == Allinea::Centro   ? SS_CENTER
                            : p.allinea == Allinea::Destra ? SS_RIGHT
                                                           : SS_LEFT | SS_CENTERIMAGE;
      return {WC_STATICW, SS_NOPREFIX | allinea, 0};
    }
    case Genere::Casella:
      return {WC_EDITW, kCasella, WS_EX_CLIENTEDGE};
    case Genere::SoloLettura:
      return {WC_EDITW, kCasella | ES_READONLY, WS_EX_CLIENTEDGE};
    case Genere::Pulsante:
      return {WC_BUTTONW, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0};
    case Genere::Spunta:
      return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 0};
  }
  return {WC_STATICW, 0, 0};
}

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
  RECT r{0, 0, MulDiv(kLargoFinestra, static_cast<int>(dpi), 1440),
         MulDiv(kAltoFinestra, static_cast<int>(dpi), 1440)};
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

UINT Tipo(Icona icona, Pulsanti pulsanti) {
  UINT t = 0;
  switch (pulsanti) {
    case Pulsanti::Ok:
      t = MB_OK;
      break;
    case Pulsanti::OkAnnulla:
      t = MB_OKCANCEL;
      break;
    case Pulsanti::OkAnnullaPrudente:
      t = MB_OKCANCEL | MB_DEFBUTTON2;
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

FinestraWin::FinestraWin(PompaWin& pompa) : pompa_(pompa) {
  const INITCOMMONCONTROLSEX comuni{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
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
  hwnd_ = CreateWindowExW(0, kClasseFinestra, Largo(kTitoloFinestra).c_str(), kStile, CW_USEDEFAULT,
                          CW_USEDEFAULT, 0, 0, nullptr, nullptr, istanza, this);
  if (!hwnd_) return;
  // The order of creation is the order of Tab.
  for (const Posto& p : kPosti) {
    const Win32 w = ComeControllo(p);
    CreateWindowExW(w.esteso, w.classe, Largo(p.testo).c_str(),
                    WS_CHILD | w.stile | (p.visibile ? WS_VISIBLE : 0), 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdDi(p.controllo))), istanza, nullptr);
  }
  suggerimento_ =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, istanza, nullptr);
  if (suggerimento_) {
    TOOLINFOW t{};
    t.cbSize = sizeof t;
    t.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    t.hwnd = hwnd_;
    t.uId = reinterpret_cast<UINT_PTR>(controllo(IdDi(Controllo::TxtMsg)));
    t.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(suggerimento_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&t));
    SendMessageW(suggerimento_, TTM_SETMAXTIPWIDTH, 0, 600);  // long texts wrap
  }
  abilitaDubbi();
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
    HWND c = controllo(IdDi(p.controllo));
    SetWindowPos(c, nullptr, px(p.sx), px(p.su), px(p.largo), px(p.alto), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(caratteri_[static_cast<std::size_t>(p.carattere)]),
                 TRUE);
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
      const int colore = id == IdDi(Controllo::TxtMsg) ? COLOR_INACTIVEBORDER : COLOR_WINDOW;
      if (id != IdDi(Controllo::TxtMsg) && id != IdDi(Controllo::TxtManda) && id != IdDi(Controllo::TxtRit))
        break;
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
  if (!op_) return;
  switch (id) {
    case IdDi(Controllo::Command1):
      return op_->fine();
    case IdDi(Controllo::CmdSblocca):
      return op_->sblocca();
    case IdDi(Controllo::comTest):
      return op_->inviaTest();
    case IdDi(Controllo::CmdDubbi): {
      // The list's own loop: the port's events go on being served.
      const CicloDiSistema ciclo(pompa_);
      return MostraDubbi(hwnd_, *op_, caratteri_[static_cast<std::size_t>(Carattere::Normale)], dpi_);
    }
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
  if (!op_ || !op_->inPagamento()) return TRUE;
  static const auto motivo = Funzione<BOOL(WINAPI*)(HWND, LPCWSTR)>("ShutdownBlockReasonCreate");
  if (motivo) motivo(hwnd_, L"Quimbo sta finendo di inviare uno scontrino alla cassa");
  chiusura();
  return FALSE;
}

// The close box as on every platform: the window ends when the receipt being paid has.
void FinestraWin::chiusura() {
  if (op_)
    op_->chiudi();
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
  const std::optional<Controllo> casella = ControlloDi(campo);
  if (!casella) {
    SetWindowTextW(hwnd_, Largo(testo, 1252).c_str());
    return;
  }
  // Control characters on the line are shown by name (<STX>), as everywhere else.
  const std::wstring largo = Largo(testo::leggibile(testo));
  SetWindowTextW(controllo(IdDi(*casella)), largo.c_str());
  if (campo == Campo::TxtMsg) suggerisci(largo);
}

void FinestraWin::suggerisci(const std::wstring& testo) {
  testoMessaggio_ = testo;
  if (!suggerimento_) return;
  TOOLINFOW t{};
  t.cbSize = sizeof t;
  t.hwnd = hwnd_;
  t.uId = reinterpret_cast<UINT_PTR>(controllo(IdDi(Controllo::TxtMsg)));
  t.lpszText = testoMessaggio_.data();
  SendMessageW(suggerimento_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&t));
}

std::wstring FinestraWin::suggerimentoMessaggio() const {
  if (!suggerimento_) return L"";
  wchar_t testo[1024] = {};
  TOOLINFOW t{};
  t.cbSize = sizeof t;
  t.hwnd = hwnd_;
  t.uId = reinterpret_cast<UINT_PTR>(controllo(IdDi(Controllo::TxtMsg)));
  t.lpszText = testo;
  SendMessageW(suggerimento_, TTM_GETTEXTW, std::size(testo), reinterpret_cast<LPARAM>(&t));
  return testo;
}

void FinestraWin::mostra(Elemento elemento, bool visibile) {
  ShowWindow(controllo(IdDi(ControlloDi(elemento))), visibile ? SW_SHOW : SW_HIDE);
}

std::string FinestraWin::confBase() { return testoDi(IdDi(Controllo::txtConfBase)); }

void FinestraWin::impostaConfBase(const std::string& testo) { imposta(IdDi(Controllo::txtConfBase), testo); }

bool FinestraWin::aggConf() {
  return SendMessageW(controllo(IdDi(Controllo::CheAggConf)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FinestraWin::impostaAggConf(bool spuntato) {
  SendMessageW(controllo(IdDi(Controllo::CheAggConf)), BM_SETCHECK, spuntato ? BST_CHECKED : BST_UNCHECKED,
               0);
}

std::string FinestraWin::prova() { return testoDi(IdDi(Controllo::txtProva)); }

Risposta FinestraWin::chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                             Pulsanti pulsanti) {
  // Modal to the window once it is shown, or to its list of receipts in doubt when that
  // is open; before that (a start-up error) to the task.
  HWND padrone = IsWindowVisible(hwnd_) ? GetLastActivePopup(hwnd_) : nullptr;
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
  EnableWindow(controllo(IdDi(Controllo::CmdSblocca)), !occupato);
  EnableWindow(controllo(IdDi(Controllo::comTest)), !occupato);
  occupato_ = occupato;
  abilitaDubbi();
}

void FinestraWin::abilitaDubbi() {
  EnableWindow(controllo(IdDi(Controllo::CmdDubbi)), inDubbio_ > 0 && !occupato_);
}

void FinestraWin::situazione(const Situazione& s) {
  SetWindowTextW(controllo(IdDi(Controllo::LabStato)),
                 Largo(testo::leggibile(DescriviSituazione(s))).c_str());
  inDubbio_ = s.inDubbio;
  SetWindowTextW(controllo(IdDi(Controllo::CmdDubbi)), Largo(PulsanteDubbi(s.inDubbio)).c_str());
  abilitaDubbi();
}

void FinestraWin::visualizza() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
}

}  // namespace quimbo::win
