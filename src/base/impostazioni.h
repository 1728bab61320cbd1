#pragma once
// The settings, read from the INI file by Form_Load and by nobody else; the rest of
// the program has them through a const reference in its state.

#include <cstdint>
#include <string>

namespace quimbo {

// A register family's description (the link's layer): one per family.
struct Famiglia;

struct Impostazioni {
  std::string msFileIni;
  std::string msTipoReg;
  // msTipoReg's family, chosen by Form_Load; none: the scan never runs (receipts are kept)
  const Famiglia* mpFamiglia = nullptr;
  std::string msCommPort;     // start-up only
  std::string msSettings;     // start-up only
  std::string msAttesaTimer;  // start-up only
  std::string msDispositivo;  // start-up only; blank = derived from msCommPort
  std::string msDirPerFile;
  int16_t miRitenta = 0;
  int16_t miDecimali = 0;
  std::string msSepDecimaliQta;
  std::string msAttRisposta;
  double mdPausa = 0;
  int16_t miFrontMaxDesc = 0;
  int16_t miFrontMaxLotteria = 0;
  int16_t miLungMaxDesc = 0;
  int16_t miRepDef = 0;
  double mdPausaReady = 0;
  std::string msTotDisplay;
  // Receipt files: "auto" (UTF-8 when the file is valid UTF-8 with a character
  // beyond ASCII, else Windows-1252), "windows-1252" or "utf-8".
  std::string msCodifica = "auto";
  // The decimal separator of the user's numeric locale (LC_NUMERIC), for the one
  // Kabel amount written the way the user's system writes numbers.
  std::string msSepDecimaliLocale = ".";
  // Seconds a receipt may stay unchanged without its total line before it is set aside.
  double mdAttesaTotale = 60;
  // Longest wait for the register where a wait has no limit of its own; 0 = none.
  double mdTempoMaxRisposta = 0;
  // Headless: automatic "try again" answers per job before giving up.
  int16_t miRisposteAutomatiche = 3;
  // The file of the figures for Prometheus' textfile collector; empty: none.
  std::string msMetriche;
  // Days an outcome file is kept in "esiti"; 0: none is written.
  int16_t miGiorniEsiti = 30;
  bool mbSenzaFinestra = false;  // --headless
  // --prova or --sblocca: a command for the register, no scan; the folder stays free
  // for the program that scans it.
  bool mbSoloComando = false;
};

}  // namespace quimbo
