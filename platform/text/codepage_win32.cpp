// Code pages on Windows: WideCharToMultiByte and MultiByteToWideChar.
// char16_t and wchar_t are both UTF-16 here; they meet only in this file.
#include "platform/text/codepage.h"

#include <windows.h>

namespace qvplatform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Code pages whose conversions take neither flags nor a default character.
bool TakesNoFlags(UINT code_page) {
  return code_page == CP_UTF8 || code_page == 54936 || code_page == 42 ||
         (code_page >= 50220 && code_page <= 50229) || (code_page >= 57002 && code_page <= 57011);
}

// An unknown code page passes ASCII and turns everything else into '?'.
std::string AsciiOnly(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    out += u < 0x80 ? static_cast<char>(u) : '?';
  }
  return out;
}

std::u16string AsciiOnly(std::string_view text) {
  std::u16string out;
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    out += b < 0x80 ? static_cast<char16_t>(b) : kReplacement;
  }
  return out;
}

}  // namespace

int AnsiCodePage() { return static_cast<int>(GetACP()); }

std::string WideToCodePage(std::u16string_view text, int code_page) {
  if (text.empty()) return {};
  const UINT cp = static_cast<UINT>(code_page);
  if (!IsValidCodePage(cp)) return AsciiOnly(text);
  // No best-fit mapping: a character the code page lacks becomes its default
  // character, as on every system.
  const DWORD flags = TakesNoFlags(cp) ? 0 : WC_NO_BEST_FIT_CHARS;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  int bytes = WideCharToMultiByte(cp, flags, wide, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return AsciiOnly(text);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(cp, flags, wide, units, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::u16string CodePageToWide(std::string_view text, int code_page) {
  if (text.empty()) return {};
  const UINT cp = static_cast<UINT>(code_page);
  if (!IsValidCodePage(cp)) return AsciiOnly(text);
  const int bytes = static_cast<int>(text.size());
  int units = MultiByteToWideChar(cp, 0, text.data(), bytes, nullptr, 0);
  if (units <= 0) return AsciiOnly(text);
  std::u16string out(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(cp, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(out.data()), units);
  return out;
}

std::string WideToAnsi(std::u16string_view text) { return WideToCodePage(text, AnsiCodePage()); }

std::u16string AnsiToWide(std::string_view text) { return CodePageToWide(text, AnsiCodePage()); }

std::string WideToUtf8(std::u16string_view text) { return WideToCodePage(text, CP_UTF8); }

std::u16string Utf8ToWide(std::string_view text) { return CodePageToWide(text, CP_UTF8); }

}  // namespace qvplatform
