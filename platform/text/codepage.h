// Text conversion between UTF-16 and Windows code pages, through iconv.
//
// The system ANSI code page is $QV_OPOS_CODEPAGE (a Windows code page number,
// default 1252), read on every call. 1252, 936 and the other common single-
// and double-byte Windows code pages are supported, and 65001 (UTF-8).
// Characters the target code page cannot hold become its default character
// ('?'); malformed input bytes become U+FFFD going to UTF-16. Never throws;
// thread-safe.
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
