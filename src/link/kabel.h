#pragma once
// The Kabel link: STX, command, ETX; the register answers each command with a
// status section (DC3 to DC4) and says it is ready with a "z".

#include <string>

#include "base/stato.h"

namespace quimbo {

struct StatoKabel : StatoDellaFamiglia {
  // Inside a Kabel status section (DC3 seen, DC4 not yet): the receive handler sets
  // and clears it; the quiet line clears it.
  bool mbKabelStato = false;
  // A receipt's own Kabel configuration ("711") is in force: the Kabel header line
  // sets it; the end of a receipt clears it once the register heard the restore.
  bool mbKabelConf = false;
  // Kabel commands of this receipt still without their status section: InviaKabel
  // counts them up, each DC4 down; each receipt's start and the quiet
  // line clear it.
  int miKabelInAttesa = 0;
};

int InviaKabel(Stato& st, const std::string& psCar, bool pvScontrino);
void RicezioneKabel(Stato& st, const std::string& ricevuto);
// A status section cut in half by a quiet line is over, and nothing is awaited.
void QuietaKabel(Stato& st, const std::string& caduti);
void NuovoScontrinoKabel(Stato& st);
// Commands still without their status section.
int KabelInSospeso(const Stato& st);

}  // namespace quimbo
