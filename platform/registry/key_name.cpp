#include "platform/registry/key_name.h"

#include <locale.h>
#include <wctype.h>

#include "platform/text/codepage.h"

namespace qvplatform::registry {

namespace {

// The Unicode locale for towupper_l, created once; null when unavailable.
locale_t UnicodeLocale() {
  static locale_t locale = [] {
    locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l;
  }();
  return locale;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string folded(name);
  bool ascii = true;
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  }
  locale_t locale = UnicodeLocale();
  if (ascii || locale == static_cast<locale_t>(0)) return folded;
  std::u16string wide = Utf8ToWide(name);
  for (char16_t& u : wide) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // supplementary characters keep their case
    wint_t upper = ::towupper_l(static_cast<wint_t>(u), locale);
    if (upper <= 0xFFFF && !(upper >= 0xD800 && upper <= 0xDFFF)) u = static_cast<char16_t>(upper);
  }
  return WideToUtf8(wide);
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace qvplatform::registry
