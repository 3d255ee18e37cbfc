#include "common/ports/system_language.h"

#include <cstdlib>
#include <string>

namespace qvports {
namespace {

struct LocaleId {
  const char* name;  // "ll_CC" or "ll"
  LANGID id;
};

// Exact language and country first; a language alone is its usual country.
constexpr LocaleId kLocales[] = {
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"de_DE", 0x0407},
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"fr_FR", 0x040C}, {"fr_CA", 0x0C0C}, {"es_ES", 0x0C0A},
    {"es_MX", 0x080A}, {"it_IT", 0x0410}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"ja_JP", 0x0411},
    {"ko_KR", 0x0412}, {"ru_RU", 0x0419}, {"nl_NL", 0x0413}, {"pl_PL", 0x0415}, {"zh", 0x0804},
    {"en", 0x0409},    {"de", 0x0407},    {"fr", 0x040C},    {"es", 0x0C0A},    {"it", 0x0410},
    {"pt", 0x0416},    {"ja", 0x0411},    {"ko", 0x0412},    {"ru", 0x0419},    {"nl", 0x0413},
    {"pl", 0x0415},
};

const char* FirstSet(const char* const* names) {
  for (; *names != nullptr; ++names) {
    const char* value = std::getenv(*names);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

}  // namespace

LANGID LangIdOfLocale(std::string_view locale) {
  // Drop ".codeset" and "@modifier".
  size_t cut = locale.find_first_of(".@");
  std::string_view base = locale.substr(0, cut);
  std::string_view language = base.substr(0, base.find('_'));
  for (const LocaleId& entry : kLocales) {
    if (base == entry.name) return entry.id;
  }
  for (const LocaleId& entry : kLocales) {
    if (language == entry.name) return entry.id;
  }
  return kLangEnglishUs;
}

LANGID SystemDefaultLangId() {
  static const char* const kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", nullptr};
  return LangIdOfLocale(FirstSet(kNames));
}

}  // namespace qvports
