// Test helper: builds BMP files in memory, so tests state their pictures as
// pixel functions instead of binary blobs. Header-only; tests only.
#ifndef QV_PLATFORM_IMAGE_BMP_TEST_WRITER_H_
#define QV_PLATFORM_IMAGE_BMP_TEST_WRITER_H_

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/image/dib.h"

namespace qvplatform {

struct BmpSpec {
  int32_t width = 1;
  int32_t height = 1;
  int bits = 24;
  bool top_down = false;
  int header_size = 40;    // 12, 40, 52, 56, 108 or 124
  bool bitfields = false;  // BI_BITFIELDS with `masks`
  DWORD masks[4] = {0, 0, 0, 0};
  std::vector<RgbQuad> palette;  // written as the colour table (1, 4, 8 bits)
  // The raw value of pixel (x, y), y = 0 the top row: a palette index, a
  // 16-bit word, 0xRRGGBB for 24 bits or the 32-bit DWORD.
  std::function<uint32_t(int32_t x, int32_t y)> pixel = [](int32_t, int32_t) { return 0u; };
};

inline void PutLe(std::vector<BYTE>& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

inline std::vector<BYTE> MakeBmp(const BmpSpec& s) {
  const int64_t stride = (static_cast<int64_t>(s.width) * s.bits + 31) / 32 * 4;
  std::vector<BYTE> info;
  if (s.header_size == 12) {
    PutLe(info, 12, 4);
    PutLe(info, s.width, 2);
    PutLe(info, s.height, 2);
    PutLe(info, 1, 2);
    PutLe(info, s.bits, 2);
  } else {
    PutLe(info, s.header_size, 4);
    PutLe(info, static_cast<uint32_t>(s.width), 4);
    PutLe(info, static_cast<uint32_t>(s.top_down ? -s.height : s.height), 4);
    PutLe(info, 1, 2);
    PutLe(info, s.bits, 2);
    PutLe(info, s.bitfields ? 3 : 0, 4);
    PutLe(info, static_cast<uint64_t>(stride * s.height), 4);
    PutLe(info, 2835, 4);
    PutLe(info, 2835, 4);
    PutLe(info, s.palette.size(), 4);
    PutLe(info, 0, 4);
    if (s.header_size > 40) {
      for (int i = 0; i < 4; ++i) PutLe(info, s.masks[i], 4);
      info.resize(static_cast<size_t>(s.header_size), 0);
    } else if (s.bitfields) {
      for (int i = 0; i < 3; ++i) PutLe(info, s.masks[i], 4);
    }
  }
  for (const RgbQuad& q : s.palette) {
    info.push_back(q.blue);
    info.push_back(q.green);
    info.push_back(q.red);
    if (s.header_size != 12) info.push_back(0);
  }
  std::vector<BYTE> out;
  const uint64_t offset = 14 + info.size();
  out.push_back('B');
  out.push_back('M');
  PutLe(out, offset + stride * s.height, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  out.insert(out.end(), info.begin(), info.end());
  for (int32_t r = 0; r < s.height; ++r) {
    const int32_t y = s.top_down ? r : s.height - 1 - r;
    std::vector<BYTE> row(static_cast<size_t>(stride), 0);
    for (int32_t x = 0; x < s.width; ++x) {
      uint32_t v = s.pixel(x, y);
      if (s.bits < 8) {
        int per_byte = 8 / s.bits;
        int shift = 8 - s.bits * (x % per_byte + 1);
        row[x / per_byte] |= static_cast<BYTE>((v & ((1u << s.bits) - 1)) << shift);
      } else {
        int bytes = s.bits / 8;
        for (int i = 0; i < bytes; ++i) row[x * bytes + i] = static_cast<BYTE>(v >> (8 * i));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

inline void WriteFileBytes(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qvplatform

#endif  // QV_PLATFORM_IMAGE_BMP_TEST_WRITER_H_
