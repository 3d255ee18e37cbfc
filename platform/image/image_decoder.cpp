#include "platform/image/image_decoder.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include <stb/stb_image.h>

namespace qvplatform {

namespace {

// Only the four formats we promise are handed to the decoder; stb_image
// would otherwise guess formats without a signature (TGA) from any data.
bool HasKnownSignature(std::span<const BYTE> d) {
  auto starts = [&](std::initializer_list<BYTE> sig) {
    return d.size() >= sig.size() && std::equal(sig.begin(), sig.end(), d.begin());
  };
  return starts({'B', 'M'}) || starts({0x89, 'P', 'N', 'G'}) || starts({0xFF, 0xD8}) ||
         starts({'G', 'I', 'F', '8'});
}

struct StbFree {
  void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

}  // namespace

bool DecodeImage(std::span<const BYTE> data, Picture* picture) {
  if (data.empty() || data.size() > static_cast<size_t>(INT_MAX)) return false;
  if (!HasKnownSignature(data)) return false;
  const auto* bytes = reinterpret_cast<const stbi_uc*>(data.data());
  const int length = static_cast<int>(data.size());
  int width = 0, height = 0, channels = 0;
  // The header alone: refuse oversized pictures before decoding them.
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) return false;
  // The header reader reports a top-down BMP's height as negative.
  const int64_t info_width = width < 0 ? -static_cast<int64_t>(width) : width;
  const int64_t info_height = height < 0 ? -static_cast<int64_t>(height) : height;
  if (info_width == 0 || info_height == 0 || info_width > kMaxImagePixels ||
      info_width * info_height > kMaxImagePixels) {
    return false;
  }
  std::unique_ptr<stbi_uc, StbFree> rgba(
      stbi_load_from_memory(bytes, length, &width, &height, &channels, 4));
  if (!rgba) return false;
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxImagePixels) {
    return false;
  }
  try {
    Picture p;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    p.pixels.resize(count * 4);
    const stbi_uc* src = rgba.get();
    BYTE* dst = p.pixels.data();
    for (size_t i = 0; i < count; ++i, src += 4, dst += 4) {
      dst[0] = src[2];  // blue
      dst[1] = src[1];  // green
      dst[2] = src[0];  // red
      dst[3] = src[3];  // alpha
    }
    DibDescription& desc = p.description;
    desc.type = 0;
    desc.width = width;
    desc.height = height;
    desc.width_bytes = width * 4;
    desc.planes = 1;
    desc.bits_per_pixel = 32;
    desc.top_down = true;
    desc.bits = std::span<const BYTE>(p.pixels);
    desc.red_mask = 0x00FF0000;
    desc.green_mask = 0x0000FF00;
    desc.blue_mask = 0x000000FF;
    desc.alpha_mask = 0xFF000000;
    *picture = std::move(p);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace qvplatform
