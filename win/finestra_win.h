#pragma once
// The main window in Win32: the controls at the original's places (scaled to the
// monitor's DPI), the system's dialog font, and the core's entry points behind the
// buttons. The operator's questions are message boxes during which the port's
// events go on being served.

#include <windows.h>

#include <string>

#include "base/piattaforma.h"
#include "pompa_win.h"

namespace quimbo::win {

class FinestraWin : public Finestra {
 public:
  explicit FinestraWin(PompaWin& pompa);
  ~FinestraWin() override;
  FinestraWin(const FinestraWin&) = delete;
  FinestraWin& operator=(const FinestraWin&) = delete;

  // False when the system gave no window (no desktop to show it on); GetLastError says why.
  bool creata() const { return hwnd_ != nullptr; }
  HWND hwnd() const { return hwnd_; }
  // The message line's tooltip: its whole text.
  std::wstring suggerimentoMessaggio() const;
  // The state the window's events go to; set before Form_Load.
  void collega(Operatore* op) { op_ = op; }

  void scrivi(Campo campo, const std::string& testo) override;
  void mostra(Elemento elemento, bool visibile) override;
  std::string confBase() override;
  void impostaConfBase(const std::string& testo) override;
  bool aggConf() override;
  void impostaAggConf(bool spuntato) override;
  std::string prova() override;
  Risposta chiedi(const std::string& titolo, const std::string& testo, Icona icona,
                  Pulsanti pulsanti) override;
  void collegamentoOccupato(bool occupato) override;
  void termina() override { pompa_.esci(); }
  void situazione(const Situazione& s) override;
  void visualizza() override;

 private:
  static LRESULT CALLBACK Procedura(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  LRESULT messaggio(UINT msg, WPARAM w, LPARAM l);
  void comando(int id);
  void chiusura();
  BOOL fineSessione();
  void ridaiFuoco();
  // Places, sizes and fonts for a monitor of `dpi` dots per inch.
  void disponi(UINT dpi);
  HWND controllo(int id) const { return GetDlgItem(hwnd_, id); }
  std::string testoDi(int id) const;  // Windows-1252
  void imposta(int id, const std::string& cp1252);

  PompaWin& pompa_;
  Operatore* op_ = nullptr;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HWND fuoco_ = nullptr;     // the control that had the focus when the window lost it
  HFONT caratteri_[5] = {};  // one per size of the original's
  // The list of receipts in doubt waits while the link does: its loop would hold the
  // receipt being sent.
  bool occupato_ = false;
  int inDubbio_ = 0;
  void abilitaDubbi();
  // The message line's whole text, where the line shows only its beginning.
  HWND suggerimento_ = nullptr;
  std::wstring testoMessaggio_;
  void suggerisci(const std::wstring& testo);
};

}  // namespace quimbo::win
