#include "dubbi_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/disposizione.h"
#include "shell/larghe.h"

namespace quimbo::win {

namespace {

struct Dubbi {
  Operatore& op;
  HFONT carattere;
  UINT dpi;
  std::vector<InDubbio> elenco{};
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

int Scelto(const Dubbi& d) {
  const auto i = static_cast<int>(SendDlgItemMessageW(d.h, kIdElenco, LB_GETCURSEL, 0, 0));
  return i >= 0 && static_cast<std::size_t>(i) < d.elenco.size() ? i : -1;
}

void MostraScelto(const Dubbi& d) {
  const int i = Scelto(d);
  SetDlgItemTextW(d.h, kIdDettaglio,
                  Righe(i >= 0 ? DescriviInDubbio(d.elenco[i]) : kNessunoInDubbio).c_str());
  EnableWindow(GetDlgItem(d.h, kIdGiaStampato), i >= 0);
  EnableWindow(GetDlgItem(d.h, kIdRistampa), i >= 0);
}

// The folder read again, the same receipt chosen where it still is.
void Aggiorna(Dubbi& d) {
  const int prima = Scelto(d);
  const std::string scelto = prima >= 0 ? d.elenco[prima].file : "";
  d.elenco = d.op.inDubbio();
  HWND lista = GetDlgItem(d.h, kIdElenco);
  SendMessageW(lista, LB_RESETCONTENT, 0, 0);
  int riga = 0;
  for (std::size_t i = 0; i < d.elenco.size(); ++i) {
    SendMessageW(lista, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Largo(VoceInDubbio(d.elenco[i]), 1252).c_str()));
    if (d.elenco[i].file == scelto) riga = static_cast<int>(i);
  }
  SendMessageW(lista, LB_SETCURSEL, d.elenco.empty() ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(riga),
               0);
  MostraScelto(d);
}

void Sistema(Dubbi& d, bool ristampa) {
  const int i = Scelto(d);
  if (i < 0) return;
  // A copy: the operator's question lets events through, and the list may change under it.
  const InDubbio scelto = d.elenco[i];
  d.op.sistema(scelto, ristampa);
  Aggiorna(d);
}

void Crea(Dubbi& d) {
  const auto px = [&d](int twip) { return MulDiv(twip, static_cast<int>(d.dpi), 1440); };
  constexpr int m = 120, altoPulsante = 400;
  const int sotto = kAltoDubbi - m - altoPulsante, meta = kLargoDubbi / 2;
  struct Pezzo {
    int id;
    const wchar_t* classe;
    DWORD stile, esteso;
    std::wstring testo;
    int sx, su, largo, alto;
  };
  const Pezzo pezzi[] = {
      {kIdElenco, WC_LISTBOXW, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
       WS_EX_CLIENTEDGE, L"", m, m, meta - 2 * m, sotto - 2 * m},
      {kIdDettaglio, WC_EDITW,
       ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
       WS_EX_CLIENTEDGE, L"", meta, m, kLargoDubbi - meta - m, sotto - 2 * m},
      {kIdGiaStampato, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0, Largo(kPulsanteGiaStampato, 1252), m, sotto,
       1800, altoPulsante},
      {kIdRistampa, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0, Largo(kPulsanteRistampa, 1252), m + 1920,
       sotto, 1500, altoPulsante},
      {IDCANCEL, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0, Largo(kPulsanteChiudi, 1252),
       kLargoDubbi - m - 1500, sotto, 1500, altoPulsante},
  };
  for (const Pezzo& p : pezzi) {
    HWND c = CreateWindowExW(p.esteso, p.classe, p.testo.c_str(), WS_CHILD | WS_VISIBLE | p.stile, px(p.sx),
                             px(p.su), px(p.largo), px(p.alto), d.h,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.id)), GetModuleHandleW(nullptr),
                             nullptr);
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
    Aggiorna(*d);
    SetFocus(GetDlgItem(h, kIdElenco));
    return FALSE;  // the focus is set
  }
  auto* d = reinterpret_cast<Dubbi*>(GetWindowLongPtrW(h, DWLP_USER));
  if (!d || msg != WM_COMMAND) return FALSE;
  switch (LOWORD(w)) {
    case kIdElenco:
      if (HIWORD(w) == LBN_SELCHANGE) MostraScelto(*d);
      return TRUE;
    case kIdGiaStampato:
    case kIdRistampa:
      if (HIWORD(w) == BN_CLICKED) Sistema(*d, LOWORD(w) == kIdRistampa);
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
  Dubbi d{op, carattere, dpi};
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &modello.t, padrone, &Procedura,
                          reinterpret_cast<LPARAM>(&d));
}

}  // namespace quimbo::win
