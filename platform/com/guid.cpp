#include "platform/com/guid.h"

#include <cstdio>

namespace qvplatform {
namespace {

constexpr size_t kTextLength = 38;  // without the NUL

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `pos`.
bool ReadHex(std::u16string_view text, size_t pos, int digits, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(text[pos + i]);
    if (h < 0) return false;
    v = (v << 4) | static_cast<uint32_t>(h);
  }
  *value = v;
  return true;
}

}  // namespace

std::string GuidToNarrowString(REFGUID g) {
  char buffer[kTextLength + 1];
  std::snprintf(buffer, sizeof(buffer), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return std::string(buffer, kTextLength);
}

std::u16string GuidToString(REFGUID guid) {
  std::string narrow = GuidToNarrowString(guid);
  return std::u16string(narrow.begin(), narrow.end());
}

bool GuidFromString(std::u16string_view text, GUID* guid) {
  if (text.size() != kTextLength || text[0] != u'{' || text[37] != u'}') return false;
  if (text[9] != u'-' || text[14] != u'-' || text[19] != u'-' || text[24] != u'-') return false;
  GUID g;
  uint32_t v;
  if (!ReadHex(text, 1, 8, &v)) return false;
  g.Data1 = v;
  if (!ReadHex(text, 10, 4, &v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ReadHex(text, 15, 4, &v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  static constexpr size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kBytePositions[i], 2, &v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  *guid = g;
  return true;
}

}  // namespace qvplatform
