#pragma once
// The wide text of the Win32 calls, to and from the program's bytes: UTF-8 (the
// command line, paths) or Windows-1252 (what the core shows and logs). Windows only.

#include <windows.h>

#include <string>
#include <string_view>

namespace quimbo {

std::wstring Largo(std::string_view byte, UINT codifica = CP_UTF8);
// Characters the code page lacks become "?".
std::string Stretto(std::wstring_view testo, UINT codifica = CP_UTF8);

}  // namespace quimbo
