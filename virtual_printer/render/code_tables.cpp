#include "virtual_printer/render/code_tables.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <vector>

namespace qvvp {

namespace {

struct TableName {
  int number;
  const char* charset;
};

constexpr TableName kTables[] = {
    {0, "IBM437"},  {2, "IBM850"},  {3, "IBM860"},  {4, "IBM863"},  {5, "IBM865"},
    {16, "CP1252"}, {17, "IBM866"}, {18, "IBM852"}, {19, "IBM858"},
};
constexpr size_t kTableCount = sizeof(kTables) / sizeof(kTables[0]);

// Converts `size` bytes in `charset` to one character; 0 unless the bytes
// make exactly one.
char32_t Decode(iconv_t converter, const uint8_t* bytes, size_t size) {
  if (converter == reinterpret_cast<iconv_t>(-1)) return 0;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char in[4];
  for (size_t i = 0; i < size; ++i) in[i] = static_cast<char>(bytes[i]);
  char32_t out[2] = {0, 0};
  char* inp = in;
  size_t inLeft = size;
  char* outp = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof(out);
  if (iconv(converter, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
      sizeof(out) - outLeft != sizeof(char32_t)) {
    return 0;
  }
  return out[0];
}

class Converter {
 public:
  explicit Converter(const char* charset) : m_handle(iconv_open("UTF-32LE", charset)) {}
  ~Converter() {
    if (m_handle != reinterpret_cast<iconv_t>(-1)) iconv_close(m_handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  char32_t operator()(const uint8_t* bytes, size_t size) const {
    return Decode(m_handle, bytes, size);
  }

 private:
  iconv_t m_handle;
};

using SingleTable = std::array<char32_t, 256>;

const std::array<SingleTable, kTableCount>& SingleTables() {
  static const std::array<SingleTable, kTableCount> tables = [] {
    std::array<SingleTable, kTableCount> built{};
    for (size_t t = 0; t < kTableCount; ++t) {
      Converter convert(kTables[t].charset);
      for (int byte = 0x20; byte < 0x100; ++byte) {
        const uint8_t b = static_cast<uint8_t>(byte);
        built[t][b] = byte < 0x7F ? char32_t(byte) : convert(&b, 1);
      }
      // In the PC code pages 7F is a printable house, as on the printer.
      if (kTables[t].charset[0] == 'I') built[t][0x7F] = U'\u2302';
    }
    return built;
  }();
  return tables;
}

const std::vector<char32_t>& GbkTable() {
  static const std::vector<char32_t> table = [] {
    std::vector<char32_t> built(0x80 * 0x100, 0);
    Converter convert("GBK");
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        const uint8_t pair[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
        built[(lead - 0x80) * 0x100 + trail] = convert(pair, 2);
      }
    }
    return built;
  }();
  return table;
}

}  // namespace

char32_t SingleByteChar(int table, uint8_t byte) {
  size_t index = 0;
  for (size_t t = 0; t < kTableCount; ++t) {
    if (kTables[t].number == table) index = t;
  }
  return SingleTables()[index][byte];
}

bool IsGbkLead(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

bool IsGbkTrail(uint8_t byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

char32_t GbkChar(uint8_t lead, uint8_t trail) {
  if (!IsGbkLead(lead) || !IsGbkTrail(trail)) return 0;
  return GbkTable()[(lead - 0x80) * 0x100 + trail];
}

}  // namespace qvvp
