#include "dubbi_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "base/elenco_dubbi.h"
#include "base/larghe.h"

namespace quimbo::win {

namespace {

struct Dubbi {
  ElencoDubbi elenco;
  HFONT carattere;
  UINT dpi;
  HWND h = nullptr;
};

// A multi-line box ends its lines with CR LF.
std::wstring Righe(const std::string& cp1252) {
  std::string r;
  for (char c : cp1252) {
    if (c == '\n') r += '\r';
    r += c;
  }
  return Largo(r, 1252);
}

int IdDi(ControlloDubbi c) {
  switch (c) {
    case ControlloDubbi::Elenco:
      return kIdElenco;
    case ControlloDubbi::Dettaglio:
      return kIdDettaglio;
    case ControlloDubbi::GiaStampato:
      return kIdGiaStampato;
    case ControlloDubbi::Ristampa:
      return kIdRistampa;
    case ControlloDubbi::Chiudi:
      break;
  }
  return IDCANCEL;
}

void MostraScelto(const Dubbi& d) {
  SetDlgItemTextW(d.h, kIdDettaglio, Righe(d.elenco.dettaglio()).c_str());
  EnableWindow(GetDlgItem(d.h, kIdGiaStampato), d.elenco.sistemabile());
  EnableWindow(GetDlgItem(d.h, kIdRistampa), d.elenco.sistemabile());
}

// The rows, the chosen one and its detail.
void Disegna(const Dubbi& d) {
  HWND lista = GetDlgItem(d.h, kIdElenco);
  SendMessageW(lista, LB_RESETCONTENT, 0, 0);
  for (const std::string& voce : d.elenco.voci())
    SendMessageW(lista, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Largo(voce, 1252).c_str()));
  SendMessageW(lista, LB_SETCURSEL, static_cast<WPARAM>(d.elenco.scelto()), 0);
  MostraScelto(d);
}

void Crea(Dubbi& d) {
  const auto px = [&d](int twip) { return MulDiv(twip, static_cast<int>(d.dpi), 1440); };
  for (const PostoDubbi& p : kPostiDubbi) {
    const wchar_t* classe = WC_BUTTONW;
    DWORD stile = BS_PUSHBUTTON | WS_TABSTOP, esteso = 0;
    if (p.genere == GenereDubbi::Lista) {
      classe = WC_LISTBOXW;
      stile = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
      esteso = WS_EX_CLIENTEDGE;
    } else if (p.genere == GenereDubbi::Dettaglio) {
      classe = WC_EDITW;
      stile =
          ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
      esteso = WS_EX_CLIENTEDGE;
    }
    HWND c = CreateWindowExW(esteso, classe, Largo(p.testo, 1252).c_str(), WS_CHILD | WS_VISIBLE | stile,
                             px(p.sx), px(p.su), px(p.largo), px(p.alto), d.h,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdDi(p.controllo))),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(d.carattere), FALSE);
  }
  // A row longer than the list scrolls sideways.
  SendDlgItemMessageW(d.h, kIdElenco, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(px(kLargoDubbi)), 0);
  SetWindowTextW(d.h, Largo(kTitoloDubbi, 1252).c_str());
  // The client area at its size, over the middle of the window that opened it.
  RECT r{0, 0, px(kLargoDubbi), px(kAltoDubbi)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(d.h, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(d.h, GWL_EXSTYLE)));
  RECT padrone{};
  GetWindowRect(GetParent(d.h), &padrone);
  const LONG largo = r.right - r.left, alto = r.bottom - r.top;
  // Whole on the screen, even over a window in its corner.
  const LONG sx = std::max<LONG>(0, (padrone.left + padrone.right - largo) / 2);
  const LONG su = std::max<LONG>(0, (padrone.top + padrone.bottom - alto) / 2);
  SetWindowPos(d.h, nullptr, sx, su, largo, alto, SWP_NOZORDER);
}

INT_PTR CALLBACK Procedura(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(h, DWLP_USER, l);
    auto* d = reinterpret_cast<Dubbi*>(l);
    d->h = h;
    Crea(*d);
    Disegna(*d);
    SetFocus(GetDlgItem(h, kIdElenco));
    return FALSE;  // the focus is set
  }
  auto* d = reinterpret_cast<Dubbi*>(GetWindowLongPtrW(h, DWLP_USER));
  if (!d || msg != WM_COMMAND) return FALSE;
  switch (LOWORD(w)) {
    case kIdElenco:
      if (HIWORD(w) == LBN_SELCHANGE) {
        d->elenco.scegli(static_cast<int>(SendDlgItemMessageW(h, kIdElenco, LB_GETCURSEL, 0, 0)));
        MostraScelto(*d);
      }
      return TRUE;
    case kIdGiaStampato:
    case kIdRistampa:
      if (HIWORD(w) == BN_CLICKED) {
        d->elenco.sistema(LOWORD(w) == kIdRistampa);
        Disegna(*d);
      }
      return TRUE;
    case IDCANCEL:
      EndDialog(h, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void MostraDubbi(HWND padrone, Operatore& op, HFONT carattere, UINT dpi) {
  // A template with no controls: they are made at their places in twips, as the window's.
  struct alignas(DWORD) Modello {
    DLGTEMPLATE t;
    WORD menu, classe, titolo;
  } modello{};
  modello.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  Dubbi d{ElencoDubbi(op), carattere, dpi};
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &modello.t, padrone, &Procedura,
                          reinterpret_cast<LPARAM>(&d));
}

}  // namespace quimbo::win
