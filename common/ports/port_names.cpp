#include "common/ports/port_names.h"

#include <string_view>

namespace {

std::u16string_view View(const char16_t* name) {
  return name == nullptr ? std::u16string_view() : std::u16string_view(name);
}

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

// Prefix (three letters, any case) first, then the trailing colon.
int32_t IsSpoolerPort(std::u16string_view name, std::u16string_view prefix) {
  if (name.size() < prefix.size()) return 0;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (UpperAscii(name[i]) != prefix[i]) return 0;
  }
  return name.back() == u':' ? 1 : 0;
}

}  // namespace

extern "C" int32_t isCOM(const char16_t* name) { return IsSpoolerPort(View(name), u"COM"); }

extern "C" int32_t isLPT(const char16_t* name) { return IsSpoolerPort(View(name), u"LPT"); }

extern "C" int32_t isPhysicalCOM(const char16_t* name, const SSerInfo* list) {
  if (isCOM(name) == 0) return 0;
  if (list == nullptr) return 1;
  std::u16string_view text = View(name);
  for (const SSerInfo* node = list; node != nullptr; node = node->next) {
    if (text.find(std::u16string_view(node->portName)) != std::u16string_view::npos) return 1;
  }
  return 0;
}

extern "C" int32_t wcharIsDigit(int32_t unit) {
  return static_cast<uint16_t>(unit - u'0') < 10 ? 1 : 0;
}
