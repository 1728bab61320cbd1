#pragma once
// The program's end: the "&FINE" button, the window's unload, and a close that
// waits for a receipt's payment to end.

#include "base/stato.h"

namespace quimbo {

// "&FINE": timer off, the stop asked for, port closed, program ended at once.
void Command1_Click(Stato& st);
// The window unloads (close box, and the signals): port closed, timer off.
void Form_Unload(Stato& st);

// A close asked for (the close box, SIGTERM, SIGINT). While a receipt's total line
// is being sent it waits for that receipt to end, since a receipt cut there may be
// printed with nothing on disk to say so: false then, and the shell forces the close
// after AttesaMassimaChiusura() seconds (TempoMaxRisposta, 10 when none is set).
bool RichiestaChiusura(Stato& st);
double AttesaMassimaChiusura(const Stato& st);
// The close box, SIGTERM and SIGINT: Form_Unload, then the window's end, now; during
// a receipt's payment when the receipt ends, and at the latest
// AttesaMassimaChiusura() seconds later. Once only.
void ChiediChiusura(Stato& st);
// Called when a receipt has ended: a close that waited for it is carried out now
// (Form_Unload, then the window's end). True when it was.
bool EseguiChiusuraRinviata(Stato& st);

}  // namespace quimbo
