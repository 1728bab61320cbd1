// sonda.exe: looks at Quimbo's window from outside, as an operator would, for the
// tests under wine. Finds the window by its class, reads and clicks its controls,
// answers the operator's question box, and takes a picture.
//
//   sonda visibile              exit 0 once the window is shown
//   sonda testo NOME|titolo     the control's text (UTF-8) or the caption
//   sonda scrivi NOME TESTO     types into a text box
//   sonda premi NOME            clicks a button
//   sonda chiudi                the close box
//   sonda chiudi-al FILE        the close box as soon as FILE appears; then says
//                               whether the window is still there 100 ms later
//   sonda domanda               the question box's title, text and buttons; exit 1 if none
//   sonda rispondi SI|NO|ANNULLA|OK
//   sonda foto FILE.bmp         the window's inside as it is on the screen
//   sonda tieni FILE DA MS      writes FILE with DA's bytes as a point-of-sale program
//                               that shares nothing would: half, MS milliseconds, the rest

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/larghe.h"
#include "controlli.h"

namespace {

using namespace quimbo::win;

void Scrivi(const std::wstring& t) {
  const std::string u = quimbo::Stretto(t);
  std::fwrite(u.data(), 1, u.size(), stdout);
  std::fputc('\n', stdout);
}

// GetWindowText reads only captions across processes: an edit box's text is asked of it.
std::wstring Testo(HWND h) {
  DWORD_PTR n = 0;
  SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
  std::wstring t(n + 1, L'\0');
  SendMessageTimeoutW(h, WM_GETTEXT, t.size(), reinterpret_cast<LPARAM>(t.data()), SMTO_ABORTIFHUNG, 5000,
                      &n);
  t.resize(n);
  return t;
}

int Id(const std::wstring& nome) {
  for (const quimbo::Posto& p : quimbo::kPosti)
    if (nome == quimbo::Largo(p.nome)) return IdDi(p.controllo);
  return 0;
}

struct Ricerca {
  DWORD processo;
  HWND trovata = nullptr;
};

// The message box: a dialog of Quimbo's process.
HWND Domanda(HWND finestra) {
  Ricerca r{0};
  GetWindowThreadProcessId(finestra, &r.processo);
  EnumWindows(
      [](HWND h, LPARAM l) -> BOOL {
        auto* r = reinterpret_cast<Ricerca*>(l);
        wchar_t classe[16] = {};
        GetClassNameW(h, classe, 16);
        DWORD processo = 0;
        GetWindowThreadProcessId(h, &processo);
        if (processo != r->processo || std::wstring(classe) != L"#32770" || !IsWindowVisible(h)) return TRUE;
        r->trovata = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&r));
  return r.trovata;
}

int Foto(HWND h, const wchar_t* file) {
  // The client area: without a window manager nobody draws the frame.
  RECT r;
  GetClientRect(h, &r);
  MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const int largo = r.right - r.left, alto = r.bottom - r.top;
  HDC schermo = GetDC(nullptr);
  HDC memoria = CreateCompatibleDC(schermo);
  HBITMAP immagine = CreateCompatibleBitmap(schermo, largo, alto);
  HGDIOBJ prima = SelectObject(memoria, immagine);
  BitBlt(memoria, 0, 0, largo, alto, schermo, r.left, r.top, SRCCOPY);
  SelectObject(memoria, prima);
  BITMAPINFOHEADER info{sizeof info, largo, alto, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD riga = static_cast<DWORD>((largo * 3 + 3) & ~3);
  std::vector<char> punti(riga * static_cast<DWORD>(alto));
  GetDIBits(memoria, immagine, 0, static_cast<UINT>(alto), punti.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(immagine);
  DeleteDC(memoria);
  ReleaseDC(nullptr, schermo);
  BITMAPFILEHEADER testa{0x4D42, static_cast<DWORD>(sizeof testa + sizeof info + punti.size()), 0, 0,
                         sizeof testa + sizeof info};
  FILE* f = _wfopen(file, L"wb");
  if (!f) return 1;
  std::fwrite(&testa, sizeof testa, 1, f);
  std::fwrite(&info, sizeof info, 1, f);
  std::fwrite(punti.data(), 1, punti.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}

int Rispondi(HWND box, const std::wstring& scelta) {
  const int id = scelta == L"SI" ? IDYES : scelta == L"NO" ? IDNO : scelta == L"ANNULLA" ? IDCANCEL : IDOK;
  return PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? 0 : 1;
}

// Polled here, not from the test's side: starting a program under wine takes longer
// than the moment it aims at.
int ChiudiAl(const std::wstring& file) {
  for (int i = 0; i < 12000 && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(5);
  HWND f = FindWindowW(kClasseFinestra, nullptr);
  if (!f || !PostMessageW(f, WM_CLOSE, 0, 0)) return 1;
  Sleep(100);
  Scrivi(IsWindow(f) ? L"aperta" : L"chiusa");
  return 0;
}

int ScriviTesto(HWND c, const wchar_t* testo) {
  DWORD_PTR r = 0;
  const bool ok =
      SendMessageTimeoutW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(testo), SMTO_ABORTIFHUNG, 5000, &r) && r;
  return ok ? 0 : 1;
}

int SullaDomanda(HWND f, const std::wstring& cosa, const std::wstring& scelta) {
  HWND box = Domanda(f);
  if (!box) return 1;
  if (cosa == L"rispondi") return Rispondi(box, scelta);
  if (cosa != L"domanda") return 2;
  Scrivi(Testo(box));
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (!Testo(c).empty()) Scrivi(Testo(c));
  return 0;
}

// The file held open with no sharing while it is written: anyone else who opens it
// meanwhile gets a sharing violation.
int Tieni(const wchar_t* file, const wchar_t* da, DWORD ms) {
  std::FILE* in = _wfopen(da, L"rb");
  if (!in) return 2;
  std::string dati;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) dati.append(buf, n);
  std::fclose(in);
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  const DWORD meta = static_cast<DWORD>(dati.size() / 2);
  DWORD scritti = 0, altri = 0;
  BOOL ok = WriteFile(h, dati.data(), meta, &scritti, nullptr);
  Sleep(ms);
  ok = ok && WriteFile(h, dati.data() + meta, static_cast<DWORD>(dati.size()) - meta, &altri, nullptr);
  return CloseHandle(h) && ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cosa = argv[1];
  const std::wstring nome = argc > 2 ? argv[2] : L"";
  if (cosa == L"chiudi-al") return ChiudiAl(nome);
  if (cosa == L"tieni") return argc > 4 ? Tieni(argv[2], argv[3], _wtoi(argv[4])) : 2;
  HWND f = FindWindowW(kClasseFinestra, nullptr);
  if (!f) return 1;
  if (cosa == L"visibile") return IsWindowVisible(f) ? 0 : 1;
  if (cosa == L"testo") {
    HWND c = nome == L"titolo" ? f : GetDlgItem(f, Id(nome));
    if (!c) return 2;
    Scrivi(Testo(c));
    return 0;
  }
  if (cosa == L"scrivi") return argc > 3 ? ScriviTesto(GetDlgItem(f, Id(nome)), argv[3]) : 2;
  if (cosa == L"premi") return PostMessageW(f, WM_COMMAND, MAKEWPARAM(Id(nome), BN_CLICKED), 0) ? 0 : 1;
  if (cosa == L"chiudi") return PostMessageW(f, WM_CLOSE, 0, 0) ? 0 : 1;
  if (cosa == L"foto") return Foto(f, nome.c_str());
  return SullaDomanda(f, cosa, nome);
}
