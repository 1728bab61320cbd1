#include "base/larghe.h"

namespace quimbo {

std::wstring Largo(std::string_view byte, UINT codifica) {
  if (byte.empty()) return {};
  const int n = MultiByteToWideChar(codifica, 0, byte.data(), static_cast<int>(byte.size()), nullptr, 0);
  std::wstring r(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codifica, 0, byte.data(), static_cast<int>(byte.size()), r.data(), n);
  return r;
}

std::string Stretto(std::wstring_view testo, UINT codifica) {
  if (testo.empty()) return {};
  // No best fit: a letter the code page lacks must not turn into a different one.
  const DWORD modo = codifica == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* invece = codifica == CP_UTF8 ? nullptr : "?";
  const int m = static_cast<int>(testo.size());
  const int n = WideCharToMultiByte(codifica, modo, testo.data(), m, nullptr, 0, invece, nullptr);
  std::string r(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codifica, modo, testo.data(), m, r.data(), n, invece, nullptr);
  return r;
}

}  // namespace quimbo
