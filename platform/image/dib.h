// A device-independent bitmap described in memory: the platform's BITMAP
// header of a loaded picture plus what is needed to read its pixels (the
// palette of 1-, 4- and 8-bit pictures, the colour masks of 16- and 32-bit
// BI_BITFIELDS pictures) and the order of its rows.
//
// The description does not own the memory it points at: whoever loads or
// decodes the picture keeps the pixels and the palette alive for as long as
// the description is used. Header-only; no I/O.
//
// Pixel memory holds `height` rows of `width_bytes` bytes each, in memory
// order: row 0 of the memory is the bottom row of the picture for a
// bottom-up DIB (the usual BMP file) and the top row for a top-down one.
// Within a row, pixels are packed as Windows packs them: 1, 4 and 8 bits per
// pixel are palette indices (most significant bits first); 16 bits are a
// little-endian WORD (5-5-5 without masks); 24 bits are blue, green, red;
// 32 bits are blue, green, red and an unused or alpha byte (a little-endian
// DWORD when masks are given).
#ifndef QV_PLATFORM_IMAGE_DIB_H_
#define QV_PLATFORM_IMAGE_DIB_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/base/wintypes.h"

namespace qvplatform {

// One palette entry (RGBQUAD).
struct RgbQuad {
  BYTE blue = 0;
  BYTE green = 0;
  BYTE red = 0;
  BYTE reserved = 0;
};

struct DibDescription {
  LONG type = 0;            // bmType; always 0
  LONG width = 0;           // bmWidth, pixels
  LONG height = 0;          // bmHeight, rows (positive; see top_down)
  LONG width_bytes = 0;     // bmWidthBytes: bytes from one row to the next
  WORD planes = 1;          // bmPlanes
  WORD bits_per_pixel = 0;  // bmBitsPixel: 1, 4, 8, 16, 24 or 32
  bool top_down = false;    // memory row 0 is the top row of the picture

  std::span<const BYTE> bits;        // bmBits: the pixel memory
  std::span<const RgbQuad> palette;  // colour table of 1-, 4- and 8-bit pictures

  // Colour masks (BI_BITFIELDS) of 16- and 32-bit pictures. All zero means
  // the default layout: 5-5-5 for 16 bits, blue-green-red-unused for 32.
  // A non-zero alpha mask marks the masked bits as opacity (decoded images).
  DWORD red_mask = 0;
  DWORD green_mask = 0;
  DWORD blue_mask = 0;
  DWORD alpha_mask = 0;

  // Bytes the pixels of one row occupy, without padding.
  int64_t RowBytes() const { return (static_cast<int64_t>(width) * bits_per_pixel + 7) / 8; }

  // True when the header is consistent with the pixel memory it points at:
  // positive size, a row stride that holds a row, and memory for every row.
  bool IsReadable() const {
    if (width <= 0 || height <= 0 || bits_per_pixel == 0) return false;
    if (width_bytes < RowBytes()) return false;
    int64_t needed = static_cast<int64_t>(height - 1) * width_bytes + RowBytes();
    return bits.data() != nullptr && static_cast<int64_t>(bits.size()) >= needed;
  }
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_IMAGE_DIB_H_
