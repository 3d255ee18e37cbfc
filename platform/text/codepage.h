// Text conversion between UTF-16 and Windows code pages, through iconv.
//
// The system ANSI code page is $QV_OPOS_CODEPAGE (a Windows code page number,
// default 1252), read on every call; a value that is not a number iconv
// knows gives 1252. 1252, 936 and the other common single- and double-byte
// Windows code pages are supported, and 65001 (UTF-8). Characters the
// target code page cannot hold become its default character ('?', one per
// character, a surrogate pair included); malformed input bytes become U+FFFD
// going to UTF-16. As on Windows, the five bytes 1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value,
// so every byte string round-trips through 1252. A code page iconv does not
// know passes ASCII and turns everything else into '?' / U+FFFD. Never
// throws; thread-safe (each thread keeps its own iconv descriptors).
//
// On Windows the conversions are WideCharToMultiByte (without best-fit
// mapping) and MultiByteToWideChar, and the ANSI code page is the system's
// (GetACP); QV_OPOS_CODEPAGE is not read there.
#ifndef QV_PLATFORM_TEXT_CODEPAGE_H_
#define QV_PLATFORM_TEXT_CODEPAGE_H_

#include <string>
#include <string_view>

namespace qvplatform {

int AnsiCodePage();

std::string WideToCodePage(std::u16string_view text, int code_page);
std::u16string CodePageToWide(std::string_view text, int code_page);

// The system ANSI code page (WideCharToMultiByte(CP_ACP, ...)).
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view text);

std::string WideToUtf8(std::u16string_view text);
std::u16string Utf8ToWide(std::string_view text);

}  // namespace qvplatform

#endif  // QV_PLATFORM_TEXT_CODEPAGE_H_
