// Picture to dots: turns a DIB into the printer's raster image command
// (GS v 0), one bit per dot, 1 = print.
//
// The conversion runs in four steps:
//   1. grey levels, one byte per pixel (0 black, 255 white), rows in memory
//      order; palette pictures (1, 4, 8 bits) through their palette, 16- and
//      32-bit pictures through their colour masks; a colour c = (blue, green,
//      red) gives green x 0.59 + blue x 0.30 + red x 0.11, fraction discarded;
//      pixels with an alpha channel are laid over white first;
//   2. bicubic rescaling to the wanted width, only when it differs from the
//      picture's; the height scales in proportion;
//   3. the row order: memory order or reversed;
//   4. ordered dithering with kDitherMatrix in the coordinates of the picture
//      as printed (row 0 is the first row sent), then packing: (w + 7) / 8
//      bytes a row, leftmost dot in the most significant bit, rows padded
//      with blank rows to a multiple of 8.
//
// Floating point is evaluated in double precision in the order the formulas
// are written (the build disables fused multiply-add); truncations depend on
// it.
//
// Functions here are pure and thread-safe. They return false, with the output
// unspecified, when a picture cannot be read (inconsistent header, depth other
// than 1, 4, 8, 16, 24 or 32 bits), when a size is out of range (see
// kMaxPictureDots and the raster command's 16-bit fields) or when memory runs
// out; they never throw.
#ifndef QV_SERVICE_OBJECT_PRINTER_PICTURE_DOTS_H_
#define QV_SERVICE_OBJECT_PRINTER_PICTURE_DOTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/image/dib.h"

// The largest picture, in pixels, before and after rescaling, that the
// conversion accepts. Callers that must refuse larger pictures before
// loading them compare against the same bound.
inline constexpr int64_t kMaxPictureDots = int64_t{1} << 26;

// The largest raster the command can describe: 65535 bytes a row, 65535 rows.
inline constexpr int64_t kMaxRasterWidthDots = int64_t{0xFFFF} * 8;
inline constexpr int64_t kMaxRasterRows = 0xFFF8;

// The 16 x 16 ordered-dither thresholds, indexed [column % 16][row % 16]: the
// Bayer index matrix of order 16 with its single 255 replaced by 254, so that
// white never prints.
extern const BYTE kDitherMatrix[16][16];

// A picture of grey levels, rows top to bottom of `pixels` in memory order.
struct CGreyPicture {
  LONG m_width = 0;
  LONG m_height = 0;
  std::vector<BYTE> m_pixels;  // m_width x m_height bytes
};

enum class RowOrder { kMemory, kReversed };

// The row order that prints `picture` upright: memory order for a top-down
// DIB, reversed for a bottom-up one.
inline RowOrder UprightOrder(const qvplatform::DibDescription& picture) {
  return picture.top_down ? RowOrder::kMemory : RowOrder::kReversed;
}

// The grey level of one colour.
BYTE GreyLevel(BYTE blue, BYTE green, BYTE red);

// Step 1.
bool PictureToGrey(const qvplatform::DibDescription& picture, CGreyPicture* grey);

// The height a picture of width x height pixels gets at `new_width` dots:
// height x new_width / width, fraction discarded. -1 when an argument is not
// positive.
int64_t ScaledHeight(int64_t width, int64_t height, int64_t new_width);

// Step 2, bicubic convolution: output pixel (x, y) samples the source at
// sx = (x + 0.4999999) x W / w - 0.5, sy likewise, over its 4 x 4 neighbours
// with the kernel k(t) = |t|^3 - 2|t|^2 + 1 (|t| <= 1), -|t|^3 + 5|t|^2 -
// 8|t| + 4 (1 < |t| <= 2), 0 beyond; neighbours outside count as white. Each
// source row is first weighted along x, then the four rows along y; the sum
// plus 0.5, fraction discarded, is clamped to 0..255. Fails when the new
// height is 0 or a size is out of range.
bool RescaleGrey(const CGreyPicture& source, LONG new_width, CGreyPicture* scaled);

// The same result computed pixel by pixel straight from the formula; slow.
// The reference RescaleGrey is tested against.
bool RescaleGreyDirect(const CGreyPicture& source, LONG new_width, CGreyPicture* scaled);

// Steps 3 and 4: appends the raster command for `grey` to `out`.
bool AppendDitheredRaster(const CGreyPicture& grey, RowOrder order, std::string* out);

// All steps: `out` receives the raster command for `picture` at `width`
// dots a row.
bool PictureToRaster(const qvplatform::DibDescription& picture, LONG width, RowOrder order,
                     std::string* out);

#endif  // QV_SERVICE_OBJECT_PRINTER_PICTURE_DOTS_H_
