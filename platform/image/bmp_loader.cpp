#include "platform/image/bmp_loader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace qvplatform {

namespace {

constexpr int64_t kFileHeaderBytes = 14;
constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiBitfields = 3;

// Little-endian reads at offsets the caller has checked.
DWORD ReadU32(std::span<const BYTE> d, int64_t at) {
  return static_cast<DWORD>(d[at]) | (static_cast<DWORD>(d[at + 1]) << 8) |
         (static_cast<DWORD>(d[at + 2]) << 16) | (static_cast<DWORD>(d[at + 3]) << 24);
}
WORD ReadU16(std::span<const BYTE> d, int64_t at) {
  return static_cast<WORD>(d[at] | (d[at + 1] << 8));
}
int32_t ReadI32(std::span<const BYTE> d, int64_t at) {
  return static_cast<int32_t>(ReadU32(d, at));
}

bool Fits(std::span<const BYTE> d, int64_t at, int64_t n) {
  return at >= 0 && n >= 0 && at <= static_cast<int64_t>(d.size()) &&
         n <= static_cast<int64_t>(d.size()) - at;
}

// What the headers say, before anything is allocated.
struct BmpHeader {
  int64_t header_size = 0;
  int64_t width = 0;
  int64_t height = 0;  // absolute value
  bool top_down = false;
  int bits = 0;
  DWORD compression = kBiRgb;
  int64_t colours_used = 0;
  bool core = false;              // 12-byte header: colour table of 3-byte entries
  DWORD masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  int64_t table_at = 0;           // where the colour table starts
  int64_t bits_at = 0;            // where the pixel rows start
};

bool ParseHeader(std::span<const BYTE> d, BmpHeader* h) {
  if (!Fits(d, 0, kFileHeaderBytes + 4)) return false;
  if (d[0] != 'B' || d[1] != 'M') return false;
  h->bits_at = ReadU32(d, 10);
  h->header_size = ReadU32(d, kFileHeaderBytes);
  const int64_t info = kFileHeaderBytes;
  if (h->header_size == 12) {
    if (!Fits(d, info, 12)) return false;
    h->core = true;
    h->width = ReadU16(d, info + 4);
    h->height = ReadU16(d, info + 6);
    if (ReadU16(d, info + 8) != 1) return false;
    h->bits = ReadU16(d, info + 10);
  } else if (h->header_size == 40 || h->header_size == 52 || h->header_size == 56 ||
             h->header_size == 108 || h->header_size == 124) {
    if (!Fits(d, info, h->header_size)) return false;
    h->width = ReadI32(d, info + 4);
    int64_t height = ReadI32(d, info + 8);
    h->top_down = height < 0;
    h->height = height < 0 ? -height : height;
    if (ReadU16(d, info + 12) != 1) return false;
    h->bits = ReadU16(d, info + 14);
    h->compression = ReadU32(d, info + 16);
    h->colours_used = ReadU32(d, info + 32);
  } else {
    return false;
  }
  if (h->width <= 0 || h->height <= 0) return false;
  if (h->bits != 1 && h->bits != 4 && h->bits != 8 && h->bits != 16 && h->bits != 24 &&
      h->bits != 32) {
    return false;
  }
  if (h->compression != kBiRgb && h->compression != kBiBitfields) return false;
  if (h->compression == kBiBitfields && h->bits != 16 && h->bits != 32) return false;

  h->table_at = info + h->header_size;
  if (h->compression == kBiBitfields) {
    if (h->header_size == 40) {
      // The three masks follow the header, ahead of any colour table.
      if (!Fits(d, h->table_at, 12)) return false;
      for (int i = 0; i < 3; ++i) h->masks[i] = ReadU32(d, h->table_at + 4 * i);
      h->table_at += 12;
    } else {
      for (int i = 0; i < 3; ++i) h->masks[i] = ReadU32(d, info + 40 + 4 * i);
      if (h->header_size >= 56) h->masks[3] = ReadU32(d, info + 52);
    }
    if (h->masks[0] == 0 && h->masks[1] == 0 && h->masks[2] == 0) return false;
    if (h->bits == 16 && ((h->masks[0] | h->masks[1] | h->masks[2]) >> 16) != 0) return false;
  }
  return true;
}

// Row stride of the file: rows are padded to 4 bytes.
int64_t FileStride(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

bool ReadPalette(std::span<const BYTE> d, const BmpHeader& h, Picture* p) {
  const int64_t full = int64_t{1} << h.bits;
  int64_t count = h.colours_used == 0 ? full : h.colours_used;
  if (count > full) count = full;  // entries past 2^bits can never be indexed
  const int64_t entry = h.core ? 3 : 4;
  if (!Fits(d, h.table_at, count * entry)) return false;
  p->palette.assign(static_cast<size_t>(full), RgbQuad{});
  for (int64_t i = 0; i < count; ++i) {
    const int64_t at = h.table_at + i * entry;
    p->palette[i].blue = d[at];
    p->palette[i].green = d[at + 1];
    p->palette[i].red = d[at + 2];
  }
  return true;
}

}  // namespace

bool DecodeBmp(std::span<const BYTE> file, Picture* picture) {
  BmpHeader h;
  if (!ParseHeader(file, &h)) return false;
  if (h.width > kMaxImagePixels || h.height > kMaxImagePixels ||
      h.width * h.height > kMaxImagePixels) {
    return false;
  }
  const int64_t stride = FileStride(h.width, h.bits);
  const int64_t row_bytes = (h.width * h.bits + 7) / 8;
  // Every row must be in the file; the last one may lack its padding.
  if (!Fits(file, h.bits_at, (h.height - 1) * stride + row_bytes)) return false;

  try {
    Picture p;
    if (h.bits <= 8 && !ReadPalette(file, h, &p)) return false;
    const int64_t total = stride * h.height;
    const int64_t available = static_cast<int64_t>(file.size()) - h.bits_at;
    p.pixels.assign(static_cast<size_t>(total), 0);
    std::memcpy(p.pixels.data(), file.data() + h.bits_at,
                static_cast<size_t>(available < total ? available : total));

    DibDescription& desc = p.description;
    desc.type = 0;
    desc.width = static_cast<LONG>(h.width);
    desc.height = static_cast<LONG>(h.height);
    desc.width_bytes = static_cast<LONG>(stride);
    desc.planes = 1;
    desc.bits_per_pixel = static_cast<WORD>(h.bits);
    desc.top_down = h.top_down;
    desc.bits = std::span<const BYTE>(p.pixels);
    desc.palette = std::span<const RgbQuad>(p.palette);
    desc.red_mask = h.masks[0];
    desc.green_mask = h.masks[1];
    desc.blue_mask = h.masks[2];
    desc.alpha_mask = h.masks[3];
    if (!desc.IsReadable()) return false;
    *picture = std::move(p);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool LoadBmpFile(const std::string& path, Picture* picture) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) return false;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return false;
  long size = std::ftell(f.get());
  if (size < 0 || size > kMaxBmpFileBytes) return false;
  if (std::fseek(f.get(), 0, SEEK_SET) != 0) return false;
  try {
    std::vector<BYTE> data(static_cast<size_t>(size));
    if (size > 0 && std::fread(data.data(), 1, data.size(), f.get()) != data.size()) return false;
    return DecodeBmp(data, picture);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace qvplatform
