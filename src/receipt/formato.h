#pragma once
// Number and text formatting shared by the drivers.

#include <cstdint>
#include <string>

#include "receipt/record.h"

namespace quimbo {

// Invariant decimal text with a leading zero below 1: 12.5 -> "12.5", 0.5 -> "0.5",
// -0.25 -> "-0.25", 0 -> "0", 1/3 -> "0.333333333333333".
std::string StrConZero(const Valore& lvVal);
std::string StrConZero(double valore);

// Vandoni code sequence: each digit d as "0d", the point as "16". 12.5 -> "01021605".
std::string FnDT200(double pdNum);

// Exactly piLung characters: cut, upper-cased, anything but A-Z, 0-9 and blank
// becomes a blank, padded with blanks. A negative length is error 5.
std::string PulTxt(const std::string& psCosa, int16_t piLung);

}  // namespace quimbo
