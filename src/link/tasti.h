#pragma once
// The two buttons that talk to the register outside any receipt, and their
// command-line forms.

#include <string>

#include "base/stato.h"

namespace quimbo {

// "&Sblocca tastiera" and "InviaTest". Neither starts an exchange inside another.
void CmdSblocca_click(Stato& st);
void comTest_Click(Stato& st);

// The two buttons from the command line (headless): true when the register accepted
// (no refusal given up on, no unexpected answer, no time-out, the port still open).
bool ProvaDaRigaComandi(Stato& st, const std::string& testo);
bool SbloccaDaRigaComandi(Stato& st);

}  // namespace quimbo
