#include "service_object/printer/picture_dots.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

using qvplatform::DibDescription;
using qvplatform::RgbQuad;

const BYTE kDitherMatrix[16][16] = {
    {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170},
    {192, 64, 224, 96, 200, 72, 232, 104, 194, 66, 226, 98, 202, 74, 234, 106},
    {48, 176, 16, 144, 56, 184, 24, 152, 50, 178, 18, 146, 58, 186, 26, 154},
    {240, 112, 208, 80, 248, 120, 216, 88, 242, 114, 210, 82, 250, 122, 218, 90},
    {12, 140, 44, 172, 4, 132, 36, 164, 14, 142, 46, 174, 6, 134, 38, 166},
    {204, 76, 236, 108, 196, 68, 228, 100, 206, 78, 238, 110, 198, 70, 230, 102},
    {60, 188, 28, 156, 52, 180, 20, 148, 62, 190, 30, 158, 54, 182, 22, 150},
    {252, 124, 220, 92, 244, 116, 212, 84, 254, 126, 222, 94, 246, 118, 214, 86},
    {3, 131, 35, 163, 11, 139, 43, 171, 1, 129, 33, 161, 9, 137, 41, 169},
    {195, 67, 227, 99, 203, 75, 235, 107, 193, 65, 225, 97, 201, 73, 233, 105},
    {51, 179, 19, 147, 59, 187, 27, 155, 49, 177, 17, 145, 57, 185, 25, 153},
    {243, 115, 211, 83, 251, 123, 219, 91, 241, 113, 209, 81, 249, 121, 217, 89},
    {15, 143, 47, 175, 7, 135, 39, 167, 13, 141, 45, 173, 5, 133, 37, 165},
    {207, 79, 239, 111, 199, 71, 231, 103, 205, 77, 237, 109, 197, 69, 229, 101},
    {63, 191, 31, 159, 55, 183, 23, 151, 61, 189, 29, 157, 53, 181, 21, 149},
    {254, 127, 223, 95, 247, 119, 215, 87, 253, 125, 221, 93, 245, 117, 213, 85},
};

namespace {

// ---- Grey levels ----------------------------------------------------------

// The three weighted channels, tabulated. Each entry is the very product the
// formula computes, so a sum of looked-up terms equals the formula exactly.
struct WeightTables {
  double green[256];
  double blue[256];
  double red[256];
  WeightTables() {
    for (int v = 0; v < 256; ++v) {
      green[v] = v * 0.59;
      blue[v] = v * 0.30;
      red[v] = v * 0.11;
    }
  }
};

const WeightTables& Weights() {
  static const WeightTables tables;
  return tables;
}

inline BYTE FastGrey(const WeightTables& t, BYTE blue, BYTE green, BYTE red) {
  return static_cast<BYTE>(static_cast<int>(t.green[green] + t.blue[blue] + t.red[red]));
}

// One colour channel of a masked pixel, scaled to 0..255.
struct Channel {
  DWORD mask = 0;
  int shift = 0;
  uint64_t max = 0;

  explicit Channel(DWORD m) : mask(m) {
    if (mask != 0) {
      shift = std::countr_zero(mask);
      max = mask >> shift;
    }
  }
  BYTE Read(DWORD pixel) const {
    if (max == 0) return 0;
    uint64_t v = (pixel & mask) >> shift;
    return static_cast<BYTE>((v * 255 + max / 2) / max);
  }
};

// A colour laid over white with opacity `alpha` (255 opaque).
inline BYTE OverWhite(BYTE colour, BYTE alpha) {
  return static_cast<BYTE>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Grey level of every palette index; indices past the palette are black. A
// 1-bit picture without a palette reads set bits as white.
std::array<BYTE, 256> PaletteGreys(const DibDescription& p) {
  std::array<BYTE, 256> greys{};
  if (p.palette.empty() && p.bits_per_pixel == 1) {
    greys[1] = 255;
    return greys;
  }
  for (size_t i = 0; i < p.palette.size() && i < greys.size(); ++i) {
    const RgbQuad& q = p.palette[i];
    greys[i] = GreyLevel(q.blue, q.green, q.red);
  }
  return greys;
}

void GreyRowIndexed(const DibDescription& p, const std::array<BYTE, 256>& greys, const BYTE* src,
                    BYTE* dst) {
  const int bpp = p.bits_per_pixel;
  const int per_byte = 8 / bpp;
  const int index_mask = (1 << bpp) - 1;
  for (LONG x = 0; x < p.width; ++x) {
    int shift = 8 - bpp * (x % per_byte + 1);  // most significant bits first
    int index = (src[x / per_byte] >> shift) & index_mask;
    dst[x] = greys[index];
  }
}

void GreyRow16(const DibDescription& p, const BYTE* src, BYTE* dst) {
  bool masked = p.red_mask != 0 || p.green_mask != 0 || p.blue_mask != 0;
  Channel red(masked ? p.red_mask : 0x7C00);
  Channel green(masked ? p.green_mask : 0x03E0);
  Channel blue(masked ? p.blue_mask : 0x001F);
  Channel alpha(p.alpha_mask & 0xFFFF);
  for (LONG x = 0; x < p.width; ++x) {
    DWORD v = src[2 * x] | (static_cast<DWORD>(src[2 * x + 1]) << 8);
    BYTE b = blue.Read(v), g = green.Read(v), r = red.Read(v);
    if (alpha.max != 0) {
      BYTE a = alpha.Read(v);
      b = OverWhite(b, a);
      g = OverWhite(g, a);
      r = OverWhite(r, a);
    }
    dst[x] = GreyLevel(b, g, r);
  }
}

void GreyRow24(const BYTE* src, LONG width, BYTE* dst) {
  const WeightTables& t = Weights();
  for (LONG x = 0; x < width; ++x, src += 3) dst[x] = FastGrey(t, src[0], src[1], src[2]);
}

void GreyRow32(const DibDescription& p, const BYTE* src, BYTE* dst) {
  const WeightTables& t = Weights();
  bool masked = p.red_mask != 0 || p.green_mask != 0 || p.blue_mask != 0;
  if (!masked && p.alpha_mask == 0) {
    for (LONG x = 0; x < p.width; ++x, src += 4) dst[x] = FastGrey(t, src[0], src[1], src[2]);
    return;
  }
  Channel red(masked ? p.red_mask : 0x00FF0000);
  Channel green(masked ? p.green_mask : 0x0000FF00);
  Channel blue(masked ? p.blue_mask : 0x000000FF);
  Channel alpha(p.alpha_mask);
  for (LONG x = 0; x < p.width; ++x, src += 4) {
    DWORD v = src[0] | (static_cast<DWORD>(src[1]) << 8) | (static_cast<DWORD>(src[2]) << 16) |
              (static_cast<DWORD>(src[3]) << 24);
    BYTE b = blue.Read(v), g = green.Read(v), r = red.Read(v);
    if (alpha.max != 0) {
      BYTE a = alpha.Read(v);
      b = OverWhite(b, a);
      g = OverWhite(g, a);
      r = OverWhite(r, a);
    }
    dst[x] = FastGrey(t, b, g, r);
  }
}

bool SizeInRange(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureDots / height;
}

// ---- Rescaling ------------------------------------------------------------

double Kernel(double t) {
  t = std::fabs(t);
  if (t <= 1.0) return t * t * t - 2.0 * t * t + 1.0;
  if (t <= 2.0) return -t * t * t + 5.0 * t * t - 8.0 * t + 4.0;
  return 0.0;
}

// Where output pixel `index` of `out_size` samples a source of `source_size`.
double SamplePosition(LONG index, LONG source_size, LONG out_size) {
  return (index + 0.4999999) * source_size / out_size - 0.5;
}

BYTE ToGrey(double sum) {
  double v = sum + 0.5;
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<BYTE>(static_cast<int>(v));
}

// The neighbours and weights of every output position along one axis.
struct AxisTaps {
  std::vector<LONG> first;      // floor(s) - 1: the first of the four neighbours
  std::vector<double> weights;  // four per position

  AxisTaps(LONG source_size, LONG out_size) : first(out_size), weights(4 * size_t(out_size)) {
    for (LONG i = 0; i < out_size; ++i) {
      double s = SamplePosition(i, source_size, out_size);
      LONG base = static_cast<LONG>(std::floor(s));
      first[i] = base - 1;
      for (int m = 0; m < 4; ++m) weights[4 * size_t(i) + m] = Kernel(s - (base - 1 + m));
    }
  }
};

bool CheckRescale(const CGreyPicture& source, LONG new_width, int64_t* new_height) {
  if (!SizeInRange(source.m_width, source.m_height)) return false;
  if (source.m_pixels.size() != size_t(source.m_width) * size_t(source.m_height)) return false;
  if (new_width <= 0) return false;
  *new_height = ScaledHeight(source.m_width, source.m_height, new_width);
  return SizeInRange(new_width, *new_height);
}

}  // namespace

BYTE GreyLevel(BYTE blue, BYTE green, BYTE red) {
  double grey = green * 0.59 + blue * 0.30 + red * 0.11;
  return static_cast<BYTE>(static_cast<int>(grey));
}

bool PictureToGrey(const DibDescription& picture, CGreyPicture* grey) {
  const DibDescription& p = picture;
  if (!p.IsReadable() || !SizeInRange(p.width, p.height)) return false;
  const int bpp = p.bits_per_pixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  try {
    grey->m_width = p.width;
    grey->m_height = p.height;
    grey->m_pixels.resize(size_t(p.width) * size_t(p.height));
    std::array<BYTE, 256> greys{};
    if (bpp <= 8) greys = PaletteGreys(p);
    for (LONG y = 0; y < p.height; ++y) {
      const BYTE* src = p.bits.data() + size_t(y) * size_t(p.width_bytes);
      BYTE* dst = grey->m_pixels.data() + size_t(y) * size_t(p.width);
      switch (bpp) {
        case 16: GreyRow16(p, src, dst); break;
        case 24: GreyRow24(src, p.width, dst); break;
        case 32: GreyRow32(p, src, dst); break;
        default: GreyRowIndexed(p, greys, src, dst); break;
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int64_t ScaledHeight(int64_t width, int64_t height, int64_t new_width) {
  if (width <= 0 || height <= 0 || new_width <= 0) return -1;
  return height * new_width / width;
}

bool RescaleGreyDirect(const CGreyPicture& source, LONG new_width, CGreyPicture* scaled) {
  int64_t new_height = 0;
  if (!CheckRescale(source, new_width, &new_height)) return false;
  const LONG sw = source.m_width, sh = source.m_height;
  const LONG w = new_width, h = static_cast<LONG>(new_height);
  try {
    scaled->m_width = w;
    scaled->m_height = h;
    scaled->m_pixels.assign(size_t(w) * size_t(h), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (LONG y = 0; y < h; ++y) {
    double sy = SamplePosition(y, sh, h);
    LONG iy = static_cast<LONG>(std::floor(sy));
    for (LONG x = 0; x < w; ++x) {
      double sx = SamplePosition(x, sw, w);
      LONG ix = static_cast<LONG>(std::floor(sx));
      double sum = 0.0;
      for (LONG py = iy - 1; py <= iy + 2; ++py) {
        double row = 0.0;
        for (LONG px = ix - 1; px <= ix + 2; ++px) {
          bool inside = px >= 0 && px < sw && py >= 0 && py < sh;
          BYTE g = inside ? source.m_pixels[size_t(py) * size_t(sw) + size_t(px)] : 255;
          row += Kernel(sx - px) * g;
        }
        sum += Kernel(sy - py) * row;
      }
      scaled->m_pixels[size_t(y) * size_t(w) + size_t(x)] = ToGrey(sum);
    }
  }
  return true;
}

bool RescaleGrey(const CGreyPicture& source, LONG new_width, CGreyPicture* scaled) {
  int64_t new_height = 0;
  if (!CheckRescale(source, new_width, &new_height)) return false;
  const LONG sw = source.m_width, sh = source.m_height;
  const LONG w = new_width, h = static_cast<LONG>(new_height);
  try {
    scaled->m_width = w;
    scaled->m_height = h;
    scaled->m_pixels.resize(size_t(w) * size_t(h));
    AxisTaps xt(sw, w);
    AxisTaps yt(sh, h);

    // Rows weighted along x. The four rows around an output row sit in a
    // ring keyed by source row; output rows move down monotonically, so each
    // source row is weighted once. Rows outside the picture are white.
    // Each source row is read through a copy padded with white pixels on
    // both sides, as far as the outermost neighbours reach (two pixels).
    LONG left_pad = 0, right_pad = 0;
    for (LONG x = 0; x < w; ++x) {
      left_pad = std::max(left_pad, -xt.first[x]);
      right_pad = std::max(right_pad, xt.first[x] + 4 - sw);
    }
    std::vector<BYTE> padded(size_t(left_pad) + size_t(sw) + size_t(right_pad), 255);
    auto weigh_row = [&](const BYTE* row, double* out) {
      std::memcpy(padded.data() + left_pad, row, size_t(sw));
      for (LONG x = 0; x < w; ++x) {
        const BYTE* g = padded.data() + (xt.first[x] + left_pad);
        const double* k = &xt.weights[4 * size_t(x)];
        double acc = 0.0;
        acc += k[0] * g[0];
        acc += k[1] * g[1];
        acc += k[2] * g[2];
        acc += k[3] * g[3];
        out[x] = acc;
      }
    };
    std::vector<BYTE> white_source(size_t(sw), 255);
    std::vector<double> white_row(static_cast<size_t>(w));
    weigh_row(white_source.data(), white_row.data());

    std::vector<double> ring(4 * size_t(w));
    LONG ring_tag[4] = {-1, -1, -1, -1};
    auto weighted = [&](LONG source_row) -> const double* {
      if (source_row < 0 || source_row >= sh) return white_row.data();
      int slot = source_row & 3;
      double* out = ring.data() + size_t(slot) * size_t(w);
      if (ring_tag[slot] != source_row) {
        weigh_row(source.m_pixels.data() + size_t(source_row) * size_t(sw), out);
        ring_tag[slot] = source_row;
      }
      return out;
    };

    for (LONG y = 0; y < h; ++y) {
      LONG first = yt.first[y];
      const double* r0 = weighted(first);
      const double* r1 = weighted(first + 1);
      const double* r2 = weighted(first + 2);
      const double* r3 = weighted(first + 3);
      const double* k = &yt.weights[4 * size_t(y)];
      BYTE* dst = scaled->m_pixels.data() + size_t(y) * size_t(w);
      for (LONG x = 0; x < w; ++x) {
        double sum = 0.0;
        sum += k[0] * r0[x];
        sum += k[1] * r1[x];
        sum += k[2] * r2[x];
        sum += k[3] * r3[x];
        dst[x] = ToGrey(sum);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool AppendDitheredRaster(const CGreyPicture& grey, RowOrder order, std::string* out) {
  const LONG w = grey.m_width, h = grey.m_height;
  if (!SizeInRange(w, h) || w > kMaxRasterWidthDots || h > kMaxRasterRows) return false;
  if (grey.m_pixels.size() != size_t(w) * size_t(h)) return false;
  const int64_t x_bytes = (int64_t{w} + 7) / 8;
  const int64_t y_rows = (int64_t{h} + 7) / 8 * 8;
  try {
    size_t start = out->size();
    out->resize(start + 8 + size_t(x_bytes) * size_t(y_rows), '\0');
    char* p = out->data() + start;
    const char header[8] = {'\x1D',
                            '\x76',
                            '\x30',
                            '\x00',
                            static_cast<char>(x_bytes & 0xFF),
                            static_cast<char>(x_bytes >> 8),
                            static_cast<char>(y_rows & 0xFF),
                            static_cast<char>(y_rows >> 8)};
    std::memcpy(p, header, sizeof header);
    BYTE* raster = reinterpret_cast<BYTE*>(p + 8);
    for (LONG r = 0; r < h; ++r) {
      LONG source_row = order == RowOrder::kMemory ? r : h - 1 - r;
      const BYTE* g = grey.m_pixels.data() + size_t(source_row) * size_t(w);
      BYTE threshold[16];
      for (int i = 0; i < 16; ++i) threshold[i] = kDitherMatrix[i][r & 15];
      BYTE* dst = raster + size_t(r) * size_t(x_bytes);
      // Eight dots a byte, leftmost in the most significant bit; the
      // threshold of dot x is threshold[x % 16].
      const LONG full_bytes = w / 8;
      for (LONG b = 0; b < full_bytes; ++b) {
        const BYTE* gb = g + 8 * size_t(b);
        const BYTE* tb = threshold + 8 * (b & 1);
        unsigned bits = 0;
        for (int k = 0; k < 8; ++k) bits = (bits << 1) | unsigned(tb[k] >= gb[k]);
        dst[b] = static_cast<BYTE>(bits);
      }
      for (LONG x = 8 * full_bytes; x < w; ++x) {
        if (threshold[x & 15] >= g[x]) dst[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

bool PictureToRaster(const DibDescription& picture, LONG width, RowOrder order, std::string* out) {
  if (width <= 0) return false;
  CGreyPicture grey;
  if (!PictureToGrey(picture, &grey)) return false;
  if (width == grey.m_width) return AppendDitheredRaster(grey, order, out);
  CGreyPicture scaled;
  if (!RescaleGrey(grey, width, &scaled)) return false;
  return AppendDitheredRaster(scaled, order, out);
}
