// Decoding of image files held in memory (BMP, PNG, JPEG, GIF; the first
// frame of an animated GIF) into a 32-bit top-down Picture: blue, green, red,
// alpha bytes, described by colour masks with the alpha mask set, so that a
// reader lays partly and fully transparent pixels over white.
//
// The picture's size is read from its header first and compared with
// kMaxImagePixels before any pixel memory is allocated; larger pictures are
// refused. Data that does not begin with the signature of one of the four
// formats is refused without being decoded. Decoding is done by stb_image.
//
// On Windows BMP data goes to our own reader (bmp_loader.h) and PNG, JPEG
// and GIF to the Windows Imaging Component, after the same signature check
// and size bound.
//
// Thread-safe; never throws; false when the data is not an image it can
// decode (the Picture is then unspecified).
#ifndef QV_PLATFORM_IMAGE_IMAGE_DECODER_H_
#define QV_PLATFORM_IMAGE_IMAGE_DECODER_H_

#include <span>

#include "platform/base/wintypes.h"
#include "platform/image/picture.h"

namespace qvplatform {

bool DecodeImage(std::span<const BYTE> data, Picture* picture);

}  // namespace qvplatform

#endif  // QV_PLATFORM_IMAGE_IMAGE_DECODER_H_
