// Arbitrary bytes as a BMP file: the reader must refuse or describe memory it
// owns, never read outside the data, never allocate beyond its bound. What it
// accepts is converted to dots at its own width, which reads every pixel row
// the description claims.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/image/bmp_loader.h"
#include "service_object/printer/picture_dots.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvplatform::Picture picture;
  if (!qvplatform::DecodeBmp(std::span<const BYTE>(data, size), &picture)) return 0;
  const qvplatform::DibDescription& d = picture.description;
  if (!d.IsReadable()) __builtin_trap();
  if (static_cast<int64_t>(d.width) * d.height > qvplatform::kMaxImagePixels) __builtin_trap();
  std::string raster;
  PictureToRaster(d, d.width, UprightOrder(d), &raster);
  return 0;
}
