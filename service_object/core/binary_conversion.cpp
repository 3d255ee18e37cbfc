#include "service_object/core/binary_conversion.h"

#include "service_object/core/device_flags.h"
#include "service_object/core/opos_constants.h"

namespace {

std::string NibbleEncode(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    text.push_back(static_cast<char>(0x30 + (byte >> 4)));
    text.push_back(static_cast<char>(0x30 + (byte & 0x0F)));
  }
  return text;
}

std::string NibbleDecode(std::string_view text) {
  if (text.size() < 2 || text.size() % 2 != 0) return std::string();
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = text[i] & 0x0F;
    int low = text[i + 1] & 0x0F;
    bytes.push_back(static_cast<char>((high << 4) + low));
  }
  return bytes;
}

std::string DecimalEncode(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    text.push_back(static_cast<char>('0' + byte / 100));
    text.push_back(static_cast<char>('0' + byte / 10 % 10));
    text.push_back(static_cast<char>('0' + byte % 10));
  }
  return text;
}

std::string DecimalDecode(std::string_view text) {
  if (text.size() < 3 || text.size() % 3 != 0) return std::string();
  std::string bytes;
  bytes.reserve(text.size() / 3);
  for (size_t i = 0; i < text.size(); i += 3) {
    int value = (text[i] & 0x0F) * 100 + (text[i + 1] & 0x0F) * 10 + (text[i + 2] & 0x0F);
    bytes.push_back(static_cast<char>(value % 256));
  }
  return bytes;
}

}  // namespace

std::string BinaryConversionEncode(uint32_t flags, std::string_view bytes) {
  if (flags & kFlagBinaryNone) return std::string(bytes);
  if (flags & kFlagBinaryNibble) return NibbleEncode(bytes);
  if (flags & kFlagBinaryDecimal) return DecimalEncode(bytes);
  return std::string(bytes);
}

std::string BinaryConversionDecode(uint32_t flags, std::string_view text) {
  if (flags & kFlagBinaryNone) return std::string(text);
  if (flags & kFlagBinaryNibble) return NibbleDecode(text);
  if (flags & kFlagBinaryDecimal) return DecimalDecode(text);
  return std::string(text);
}

int32_t GetBinaryConversion(uint32_t flags) {
  if (flags & kFlagBinaryNone) return OPOS_BC_NONE;
  if (flags & kFlagBinaryNibble) return OPOS_BC_NIBBLE;
  if (flags & kFlagBinaryDecimal) return OPOS_BC_DECIMAL;
  return OPOS_BC_NONE;
}

uint32_t SetBinaryConversion(uint32_t flags, int32_t value) {
  flags &= ~kFlagsBinaryConversion;
  switch (value) {
    case OPOS_BC_NONE: return flags | kFlagBinaryNone;
    case OPOS_BC_NIBBLE: return flags | kFlagBinaryNibble;
    case OPOS_BC_DECIMAL: return flags | kFlagBinaryDecimal;
    default: return flags;
  }
}
