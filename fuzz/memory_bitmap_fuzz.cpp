// The decode path of PrintMemoryBitmap over arbitrary input: the first byte
// picks the BinaryConversion (none, nibble, decimal) and the wanted width
// (as is, or a rescale); the rest is the data as the application passes it.
// It is decoded, handed to the image decoder and converted to the raster
// command, as the printer does.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/image/image_decoder.h"
#include "service_object/core/binary_conversion.h"
#include "service_object/core/device_flags.h"
#include "service_object/printer/picture_dots.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  static constexpr uint32_t kConversions[3] = {kFlagBinaryNone, kFlagBinaryNibble,
                                               kFlagBinaryDecimal};
  const uint32_t flags = kConversions[(control & 3) % 3];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string bytes = BinaryConversionDecode(flags, text);
  qvplatform::Picture picture;
  if (!qvplatform::DecodeImage(
          std::span<const BYTE>(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()),
          &picture)) {
    return 0;
  }
  const qvplatform::DibDescription& d = picture.description;
  if (!d.IsReadable()) __builtin_trap();
  const LONG width = (control >> 2) == 0 ? d.width : static_cast<LONG>(control >> 2) * 4;
  std::string raster;
  PictureToRaster(d, width, UprightOrder(d), &raster);
  return 0;
}
