// The Win32 window's questions: real message boxes under wine, answered from a timer
// of the pump as an operator would, while an event of the port is signalled.

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "base/larghe.h"
#include "controlli.h"
#include "dubbi_win.h"
#include "finestra_win.h"

namespace quimbo::win {
namespace {

constexpr const char* kSenzaDesktop = "nessun desktop: sotto wine, con DISPLAY (scripts/test-windows)";

struct Caso {
  Pulsanti pulsanti;
  int scelta;  // the button the operator presses; 0: Enter, the box's default
  Risposta attesa;
};

class FinestraWinTest : public ::testing::TestWithParam<Caso> {};

// The box of this thread with that title: ctest runs other cases' boxes beside it.
HWND Domanda(const std::wstring& titolo = L"Prova \u00e8") {
  struct Cerca {
    const std::wstring& titolo;
    HWND trovata = nullptr;
  } cerca{titolo};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM l) -> BOOL {
        auto* c = reinterpret_cast<Cerca*>(l);
        wchar_t classe[16] = {}, titolo[64] = {};
        GetClassNameW(h, classe, 16);
        GetWindowTextW(h, titolo, 64);
        if (std::wstring(classe) != L"#32770" || titolo != c->titolo || !IsWindowVisible(h)) return TRUE;
        c->trovata = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&cerca));
  return cerca.trovata;
}

std::wstring Testo(HWND h) {
  std::wstring t(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  t.resize(static_cast<std::size_t>(GetWindowTextW(h, t.data(), static_cast<int>(t.size()))));
  return t;
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
    if (!box || (serviti == 0 && ++giri <= 100)) return;
    if (c.scelta != 0)
      return static_cast<void>(PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.scelta, BN_CLICKED), 0));
    // Enter, as a keyboard reaches the box: in front, where it has put the focus (its
    // default button). Another test's window on the same display may be in front: the
    // box is brought forward first, as the operator's eyes are on it.
    HWND fuoco = GetFocus();
    const bool nelBox = fuoco && IsChild(box, fuoco);
    if (!nelBox && ++giri <= 200) return static_cast<void>(SetForegroundWindow(box));
    PostMessageW(nelBox ? fuoco : box, WM_KEYDOWN, VK_RETURN, 0);
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
                                           Caso{Pulsanti::OkAnnulla, 0, Risposta::Ok},
                                           // OK may print a receipt twice: Enter must not
                                           Caso{Pulsanti::OkAnnullaPrudente, 0, Risposta::Annulla},
                                           Caso{Pulsanti::OkAnnullaPrudente, IDOK, Risposta::Ok},
                                           Caso{Pulsanti::Ok, IDOK, Risposta::Ok}));

// The program's side of the list: one receipt in doubt, settled once the window's question is answered Yes.
struct UnoInDubbio : Operatore {
  Finestra& finestra;
  std::vector<InDubbio> elenco{{.file = "20261205-071003_in_dubbio_a.sco",
                                .nome = "a.sco",
                                .inizio = DataOra{2026, 12, 5, 7, 10, 3},
                                .totale = "300",
                                .pagamento = "C",
                                .righe = {"01\tPANE\t150", "80\tC\t300"}}};
  std::vector<std::pair<std::string, bool>> sistemati;
  explicit UnoInDubbio(Finestra& f) : finestra(f) {}
  void fine() override {}
  void sblocca() override {}
  void inviaTest() override {}
  void chiudi() override {}
  bool chiuso() const override { return false; }
  bool inPagamento() const override { return false; }
  std::vector<InDubbio> inDubbio() override { return elenco; }
  bool sistema(const InDubbio& d, bool ristampa) override {
    if (finestra.chiedi("Ristampa", "Stampare di nuovo?", Icona::Domanda, Pulsanti::SiNo) != Risposta::Si)
      return false;
    sistemati.emplace_back(d.file, ristampa);
    elenco.clear();
    return true;
  }
};

// "Scontrini in dubbio (N)" opens the list; the chosen receipt's detail shows beside it, its question is
// the list's own box, and the list is read again once it is settled.
TEST(FinestraWin, ListOfReceiptsInDoubtSettlesTheChosenOne) {
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  FinestraWin finestra(pompa);
  ASSERT_TRUE(finestra.creata()) << kSenzaDesktop;
  UnoInDubbio op(finestra);
  finestra.collega(&op);
  finestra.visualizza();
  HWND pulsante = GetDlgItem(finestra.hwnd(), IdDi(Controllo::CmdDubbi));
  EXPECT_FALSE(IsWindowEnabled(pulsante));
  finestra.situazione({.inDubbio = 1});
  EXPECT_TRUE(IsWindowEnabled(pulsante));
  EXPECT_EQ(Testo(pulsante), L"Scontrini in dubbio (1)");

  std::wstring dettaglio;
  LRESULT righePrima = -1, righeDopo = -1;
  HWND padroneDomanda = nullptr, lista = nullptr;
  bool chiusa = false;
  const UINT_PTR operatore = pompa.timer(0, 20, [&] {
    if (HWND box = Domanda(L"Ristampa")) {
      padroneDomanda = GetWindow(box, GW_OWNER);
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    } else if (HWND l = Domanda(L"Scontrini in dubbio"); l && IsWindowEnabled(l)) {
      if (!lista) {
        lista = l;
        righePrima = SendDlgItemMessageW(l, kIdElenco, LB_GETCOUNT, 0, 0);
        dettaglio = Testo(GetDlgItem(l, kIdDettaglio));
        PostMessageW(l, WM_COMMAND, MAKEWPARAM(kIdRistampa, BN_CLICKED), 0);
      } else if (!op.sistemati.empty()) {
        righeDopo = SendDlgItemMessageW(l, kIdElenco, LB_GETCOUNT, 0, 0);
        PostMessageW(l, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        chiusa = true;
      }
    }
  });
  PostMessageW(finestra.hwnd(), WM_COMMAND, MAKEWPARAM(IdDi(Controllo::CmdDubbi), BN_CLICKED),
               reinterpret_cast<LPARAM>(pulsante));
  pompa.attendi([&] { return chiusa && !Domanda(L"Scontrini in dubbio"); }, orologio.secondi() + 20);
  pompa.fermaTimer(operatore);
  EXPECT_EQ(righePrima, 1);
  EXPECT_NE(dettaglio.find(L"Totale 300, pagamento C\r\n"), std::wstring::npos);
  EXPECT_NE(dettaglio.find(L"01\tPANE\t150"), std::wstring::npos);
  EXPECT_EQ(padroneDomanda, lista) << "the question is the list's";
  EXPECT_EQ(op.sistemati,
            (std::vector<std::pair<std::string, bool>>{{"20261205-071003_in_dubbio_a.sco", true}}));
  EXPECT_EQ(righeDopo, 0);
}

// Moved to a monitor of another DPI, the window lays itself out again: places, sizes
// and fonts in the original's twips and points.
// The message line shows the beginning of a long message; its tooltip has the whole.
TEST(FinestraWin, MessageLineTooltipHasTheWholeText) {
  OrologioSistema orologio;
  PompaWin pompa(orologio);
  FinestraWin finestra(pompa);
  ASSERT_TRUE(finestra.creata()) << kSenzaDesktop;
  const std::string lungo =
      "Controllare il giornale della cassa: scontrino a.sco interrotto durante il pagamento, "
      "messo da parte come 20261205-071003_in_dubbio_a.sco \xe8";
  finestra.scrivi(Campo::TxtMsg, lungo);
  EXPECT_EQ(finestra.suggerimentoMessaggio(), Largo(lungo, 1252));
}

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
