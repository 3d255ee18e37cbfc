// A decoded picture that owns its memory: the pixel rows and the palette,
// and the DIB description that points into them.
//
// Loaders (bmp_loader.h, image_decoder.h) fill a Picture. The description
// stays valid while the Picture lives; moving a Picture keeps it valid (the
// vectors move their storage), copying is not allowed.
//
// kMaxImagePixels bounds what a loader decodes: a picture whose width x
// height exceeds it is refused before its pixel memory is allocated.
#ifndef QV_PLATFORM_IMAGE_PICTURE_H_
#define QV_PLATFORM_IMAGE_PICTURE_H_

#include <cstdint>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/image/dib.h"

namespace qvplatform {

// 16 M pixels: 64 MB of 32-bit pixels at most.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 24;

struct Picture {
  Picture() = default;
  Picture(Picture&&) = default;
  Picture& operator=(Picture&&) = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  std::vector<BYTE> pixels;
  std::vector<RgbQuad> palette;
  DibDescription description;  // points into pixels and palette
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_IMAGE_PICTURE_H_
