#pragma once
// The main window, laid out once for every shell: the original's controls at their
// places (twips), with their captions, fonts and tab order. A shell only turns each
// row into a control of its own toolkit.

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>

#include "base/piattaforma.h"

namespace quimbo {

// Every control of the window, by the name the original gives it.
enum class Controllo {
  LabManda,
  TxtManda,
  LabRit,
  TxtRit,
  txtProva,
  comTest,
  LabConfBase,
  txtConfBase,
  CheAggConf,
  CmdSblocca,
  Label1,
  txtTipo,
  Command1,
  TxtMsg,
  LabStato,
  CmdDubbi,  // not the original's: below it, so that its controls keep their places
};
inline constexpr std::size_t kNumeroControlli = 16;

enum class Genere { Etichetta, Casella, SoloLettura, Pulsante, Spunta };
// A label's alignment; on the left it is centred vertically too (the status line).
enum class Allinea { Sinistra, Centro, Destra };

// The original's fonts: the form's own, the two titles, the unlock and FINE buttons,
// and the message lines in regular weight.
enum class Carattere { Normale, Titolo, Sblocca, Fine, Messaggio };
struct Forma {
  double punti;
  bool grassetto;
};
inline constexpr Forma kForme[] = {{8.25, true}, {13.5, true}, {9.75, true}, {19.5, true}, {8.25, false}};

struct Posto {
  Controllo controllo;
  const char* nome;  // for programs that look at the window from outside, and tests
  Genere genere;
  const char* testo;  // the caption, ASCII; "&" marks the access key
  Allinea allinea;
  int sx, su, largo, alto;  // twips
  Carattere carattere;
  bool visibile;  // at the start: the answers and the unlock wait for the family
};

inline constexpr const char* kTitoloFinestra = "Gestione Registratore di Cassa";
// The original's client area, one line below it for the status line, and one for the
// receipts in doubt (twips).
inline constexpr int kLargoFinestra = 6825, kAltoFinestra = 4560;

// In the original's tab order (labels take no focus).
inline constexpr Posto kPosti[] = {
    {Controllo::TxtRit, "TxtRit", Genere::SoloLettura, "", Allinea::Sinistra, 660, 1500, 5475, 495,
     Carattere::Normale, false},
    {Controllo::LabRit, "LabRit", Genere::Etichetta, "RITORNO DALLA CASSA", Allinea::Centro, 660, 1080, 5475,
     375, Carattere::Titolo, false},
    {Controllo::TxtManda, "TxtManda", Genere::SoloLettura, "", Allinea::Sinistra, 660, 480, 5475, 495,
     Carattere::Normale, true},
    {Controllo::LabManda, "LabManda", Genere::Etichetta, "MANDO ALLA CASSA", Allinea::Centro, 660, 60, 5475,
     375, Carattere::Titolo, true},
    {Controllo::Command1, "Command1", Genere::Pulsante, "&FINE", Allinea::Centro, 4800, 2760, 1815, 675,
     Carattere::Fine, true},
    {Controllo::CmdSblocca, "CmdSblocca", Genere::Pulsante, "&Sblocca tastiera", Allinea::Centro, 180, 2760,
     1995, 675, Carattere::Sblocca, false},
    {Controllo::TxtMsg, "TxtMsg", Genere::SoloLettura, "", Allinea::Sinistra, 240, 3480, 6555, 285,
     Carattere::Messaggio, true},
    {Controllo::Label1, "Label1", Genere::Etichetta, "Tipo Registratore", Allinea::Centro, 2280, 2820, 2415,
     195, Carattere::Normale, true},
    {Controllo::txtTipo, "txtTipo", Genere::Casella, "", Allinea::Sinistra, 2220, 3120, 2535, 285,
     Carattere::Normale, true},
    {Controllo::txtProva, "txtProva", Genere::Casella, "", Allinea::Sinistra, 660, 2040, 2955, 315,
     Carattere::Normale, true},
    {Controllo::comTest, "comTest", Genere::Pulsante, "InviaTest", Allinea::Centro, 3780, 2100, 1035, 255,
     Carattere::Normale, true},
    {Controllo::txtConfBase, "txtConfBase", Genere::Casella, "", Allinea::Sinistra, 2220, 2400, 1395, 315,
     Carattere::Normale, true},
    {Controllo::LabConfBase, "LabConfBase", Genere::Etichetta, "Configurazione base:", Allinea::Destra, 120,
     2460, 2055, 195, Carattere::Normale, true},
    {Controllo::CheAggConf, "CheAggConf", Genere::Spunta, "Riep. Iva per ricevuta", Allinea::Sinistra, 3780,
     2460, 2295, 255, Carattere::Normale, true},
    {Controllo::CmdDubbi, "CmdDubbi", Genere::Pulsante, "Scontrini in dubbio (0)", Allinea::Centro, 240, 4140,
     2835, 330, Carattere::Normale, true},
    {Controllo::LabStato, "LabStato", Genere::Etichetta, "", Allinea::Sinistra, 240, 3810, 6555, 255,
     Carattere::Messaggio, true},
};
static_assert(std::size(kPosti) == kNumeroControlli);

constexpr const Posto& PostoDi(Controllo c) {
  for (const Posto& p : kPosti)
    if (p.controllo == c) return p;
  return kPosti[std::size(kPosti) - 1];
}

// CmdDubbi's caption; the button is enabled while there is one.
inline std::string PulsanteDubbi(int n) { return "Scontrini in dubbio (" + std::to_string(n) + ")"; }

// The list of receipts in doubt behind it: the title and its buttons' captions, with
// the receipt's detail beside the list (Windows-1252).
inline constexpr const char* kTitoloDubbi = "Scontrini in dubbio";
inline constexpr const char* kPulsanteGiaStampato = "&Gi\xe0 stampato";
inline constexpr const char* kPulsanteRistampa = "&Ristampa";
inline constexpr const char* kPulsanteChiudi = "Chiudi";
inline constexpr const char* kNessunoInDubbio = "Nessuno scontrino in dubbio.";
// Its size (twips).
inline constexpr int kLargoDubbi = 10500, kAltoDubbi = 6000;

// The control the program shows or hides by the family's needs.
constexpr Controllo ControlloDi(Elemento e) {
  switch (e) {
    case Elemento::LabRit:
      return Controllo::LabRit;
    case Elemento::TxtRit:
      return Controllo::TxtRit;
    case Elemento::CmdSblocca:
      return Controllo::CmdSblocca;
    case Elemento::txtProva:
      return Controllo::txtProva;
    case Elemento::comTest:
      return Controllo::comTest;
    case Elemento::LabConfBase:
      return Controllo::LabConfBase;
    case Elemento::txtConfBase:
      return Controllo::txtConfBase;
    case Elemento::CheAggConf:
      return Controllo::CheAggConf;
  }
  return Controllo::LabStato;
}

// The box a text is written into; none for the caption, which is the window's title.
constexpr std::optional<Controllo> ControlloDi(Campo c) {
  switch (c) {
    case Campo::TxtManda:
      return Controllo::TxtManda;
    case Campo::TxtRit:
      return Controllo::TxtRit;
    case Campo::TxtMsg:
      return Controllo::TxtMsg;
    case Campo::txtTipo:
      return Controllo::txtTipo;
    case Campo::Caption:
      break;
  }
  return std::nullopt;
}

}  // namespace quimbo
