// The Win32 window's questions: real message boxes under wine, answered from a timer
// of the pump as an operator would, while an event of the port is signalled.

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "controlli.h"
#include "finestra_win.h"

namespace quimbo::win {
namespace {

constexpr const char* kSenzaDesktop = "nessun desktop: sotto wine, con DISPLAY (scripts/test-windows)";

struct Caso {
  Pulsanti pulsanti;
  int scelta;  // the button the operator presses
  Risposta attesa;
};

class FinestraWinTest : public ::testing::TestWithParam<Caso> {};

// The box of this thread only: ctest runs other cases' boxes beside it.
HWND Domanda() {
  HWND trovata = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM l) -> BOOL {
        wchar_t classe[16] = {}, titolo[32] = {};
        GetClassNameW(h, classe, 16);
        GetWindowTextW(h, titolo, 32);
        if (std::wstring(classe) != L"#32770" || std::wstring(titolo) != L"Prova \u00e8") return TRUE;
        *reinterpret_cast<HWND*>(l) = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&trovata));
  return trovata;
}

TEST_P(FinestraWinTest, BoxAnswersWhileThePortsEventsAreServed) {
  const Caso c = GetParam();
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  FinestraWin finestra(pompa);
  ASSERT_TRUE(finestra.creata()) << kSenzaDesktop;
  finestra.visualizza();  // the box is the window's, as in the shop
  HANDLE evento = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int serviti = 0;
  pompa.osserva(evento, [&] {
    ResetEvent(evento);
    ++serviti;
  });
  // The operator answers once the port's event has been served under the box, or
  // after two seconds.
  bool segnalato = false;
  int giri = 0;
  const UINT_PTR operatore = pompa.timer(0, 20, [&] {
    if (!segnalato) segnalato = SetEvent(evento);
    HWND box = Domanda();
    if (box && (serviti > 0 || ++giri > 100))
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.scelta, BN_CLICKED), 0);
  });
  const Risposta r = finestra.chiedi("Prova \xe8", "Riprovo a trasmettere", Icona::Domanda, c.pulsanti);
  pompa.fermaTimer(operatore);
  CloseHandle(evento);
  EXPECT_EQ(r, c.attesa);
  EXPECT_EQ(serviti, 1);
}

INSTANTIATE_TEST_SUITE_P(Risposte, FinestraWinTest,
                         ::testing::Values(Caso{Pulsanti::SiNoAnnulla, IDYES, Risposta::Si},
                                           Caso{Pulsanti::SiNoAnnulla, IDNO, Risposta::No},
                                           Caso{Pulsanti::SiNoAnnulla, IDCANCEL, Risposta::Annulla},
                                           Caso{Pulsanti::SiNo, IDNO, Risposta::No},
                                           Caso{Pulsanti::OkAnnulla, IDCANCEL, Risposta::Annulla},
                                           Caso{Pulsanti::Ok, IDOK, Risposta::Ok}));

// Moved to a monitor of another DPI, the window lays itself out again: places, sizes
// and fonts in the original's twips and points.
TEST(FinestraWin, LaysItselfOutAgainOnADpiChange) {
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  FinestraWin finestra(pompa);
  ASSERT_TRUE(finestra.creata()) << kSenzaDesktop;
  for (const int dpi : {144, 192, 96}) {
    RECT suggerito{0, 0, 800, 600};
    SendMessageW(finestra.hwnd(), 0x02E0, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggerito));
    HWND fine = GetDlgItem(finestra.hwnd(), IdDi(Controllo::Command1));
    RECT r;
    GetWindowRect(fine, &r);
    MapWindowPoints(nullptr, finestra.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, MulDiv(4800, dpi, 1440)) << dpi;
    EXPECT_EQ(r.right - r.left, MulDiv(1815, dpi, 1440)) << dpi;
    EXPECT_EQ(r.bottom - r.top, MulDiv(675, dpi, 1440)) << dpi;
    LOGFONTW carattere{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(fine, WM_GETFONT, 0, 0)), sizeof carattere, &carattere);
    EXPECT_EQ(carattere.lfHeight, -std::lround(19.5 * dpi / 72)) << dpi;
    EXPECT_EQ(carattere.lfWeight, FW_BOLD) << dpi;
  }
}

// The keyboard of the window's pump: Alt with a letter presses the button of that
// letter, the letter alone never does (a cashier typing into the wrong window must not
// end the program).
struct Tasto {
  UINT messaggio;
  wchar_t lettera;
  int clic;
};

class TastieraTest : public ::testing::TestWithParam<Tasto> {};

TEST_P(TastieraTest, OnlyAltWithTheLetterPressesTheButton) {
  const Tasto t = GetParam();
  static int clic = 0;
  clic = 0;
  WNDCLASSW classe{};
  classe.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) ++clic;
    return DefWindowProcW(h, m, w, l);
  };
  classe.hInstance = GetModuleHandleW(nullptr);
  classe.lpszClassName = L"ProvaTastiera";
  RegisterClassW(&classe);
  HWND padre = CreateWindowW(L"ProvaTastiera", L"Prova", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                             nullptr, nullptr, classe.hInstance, nullptr);
  ASSERT_TRUE(padre) << kSenzaDesktop;
  HWND fine = CreateWindowW(L"BUTTON", L"&FINE", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 10,
                            100, 40, padre, reinterpret_cast<HMENU>(42), classe.hInstance, nullptr);
  SetFocus(fine);
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  pompa.dialogo(padre);
  PostMessageW(fine, t.messaggio, t.lettera, t.messaggio == WM_SYSCHAR ? 1 << 29 : 0);
  pompa.attendi([] { return false; }, orologio.secondi() + 0.3);
  DestroyWindow(padre);
  EXPECT_EQ(clic, t.clic);
}

INSTANTIATE_TEST_SUITE_P(Tasti, TastieraTest,
                         ::testing::Values(Tasto{WM_CHAR, L'f', 0}, Tasto{WM_CHAR, L'F', 0},
                                           Tasto{WM_SYSCHAR, L'f', 1}));

}  // namespace
}  // namespace quimbo::win
