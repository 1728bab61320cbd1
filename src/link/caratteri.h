#pragma once
// The control characters of the registers' lines: fixed by the registers, never set.

namespace quimbo {

inline constexpr char msSTX = '\x02';  // a frame begins (Vandoni, Olivetti, Kabel)
inline constexpr char msETX = '\x03';  // a frame ends
inline constexpr char msACK = '\x06';  // accepted
inline constexpr char msNAK = '\x15';  // refused: sent again
inline constexpr char msDC1 = '\x11';
inline constexpr char msDC3 = '\x13';  // Kabel: a status section begins
inline constexpr char msDC4 = '\x14';  // Kabel: a status section ends
inline constexpr char msXON = msDC1;   // Frontiera: go on
inline constexpr char msXOFF = msDC3;  // Frontiera: hold

}  // namespace quimbo
