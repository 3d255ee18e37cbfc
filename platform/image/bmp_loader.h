// Our own reader of Windows BMP files into a Picture (picture.h).
//
// Accepted: the core (12-byte), info (40-byte) and the longer V2 to V5
// headers; 1, 4, 8, 16, 24 and 32 bits per pixel; bottom-up (positive
// height) and top-down (negative height) row order; colour tables of 1-, 4-
// and 8-bit pictures; BI_RGB and BI_BITFIELDS (16 and 32 bits). Refused:
// compressed pictures (RLE, JPEG, PNG inside BMP), one plane other than 1,
// and anything whose header, colour table, masks or pixel rows do not lie
// inside the file. Every size and offset is checked against the data before
// it is read, and width x height is compared with kMaxImagePixels before
// pixel memory is allocated.
//
// The resulting description keeps the file's row order (top_down says
// which); palette pictures get a colour table of 2^bits entries, entries the
// file does not define being black, so every index reads a colour.
//
// Pure functions, thread-safe; they never throw and return false when the
// data is not a BMP they accept (the Picture is then unspecified).
#ifndef QV_PLATFORM_IMAGE_BMP_LOADER_H_
#define QV_PLATFORM_IMAGE_BMP_LOADER_H_

#include <span>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/image/picture.h"

namespace qvplatform {

// The largest BMP file LoadBmpFile reads (the bound's pixels at 32 bits,
// plus room for headers and row padding).
inline constexpr int64_t kMaxBmpFileBytes = kMaxImagePixels * 4 + (int64_t{1} << 20);

// Decodes a BMP file held in memory.
bool DecodeBmp(std::span<const BYTE> file, Picture* picture);

// Reads the file at `path` (a Linux path) and decodes it. False when the file
// cannot be read, is larger than kMaxBmpFileBytes or is not an accepted BMP.
bool LoadBmpFile(const std::string& path, Picture* picture);

}  // namespace qvplatform

#endif  // QV_PLATFORM_IMAGE_BMP_LOADER_H_
