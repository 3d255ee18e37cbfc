// The system default language as a Windows language identifier (LANGID),
// taken from the POSIX locale of the environment: the first non-empty of
// LC_ALL, LC_MESSAGES and LANG, as "ll_CC[.codeset][@modifier]".
//
//   zh_CN 0x0804, zh_TW 0x0404, zh_HK 0x0C04, zh_SG 0x1004, zh_MO 0x1404,
//   zh (no country) 0x0804, en_US 0x0409, en_GB 0x0809, de_DE 0x0407, ...
//
// A locale without a known language ("C", "POSIX", unset) gives 0x0409.
// Reads the environment on every call; any thread.
#ifndef QV_COMMON_PORTS_SYSTEM_LANGUAGE_H_
#define QV_COMMON_PORTS_SYSTEM_LANGUAGE_H_

#include <cstdint>
#include <string_view>

namespace qvports {

using LANGID = uint16_t;

inline constexpr LANGID kLangChineseSimplified = 0x0804;  // Chinese, PRC
inline constexpr LANGID kLangEnglishUs = 0x0409;

// The identifier of a locale name such as "zh_CN.UTF-8".
LANGID LangIdOfLocale(std::string_view locale);

// GetSystemDefaultLangID: the identifier of the environment's locale.
LANGID SystemDefaultLangId();

}  // namespace qvports

#endif  // QV_COMMON_PORTS_SYSTEM_LANGUAGE_H_
