#include "platform/image/image_decoder.h"

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <vector>

#include "platform/image/bmp_test_writer.h"

namespace qvplatform {
namespace {

void Collect(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<BYTE>*>(context);
  const BYTE* bytes = static_cast<const BYTE*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

// RGBA pixels, top row first: a red marker at (0, 0), a transparent pixel at
// (1, 0), the rest opaque blue.
std::vector<BYTE> MarkerRgba(int width, int height) {
  std::vector<BYTE> rgba(static_cast<size_t>(width) * height * 4);
  for (int i = 0; i < width * height; ++i) {
    BYTE* p = &rgba[static_cast<size_t>(i) * 4];
    p[0] = 0;
    p[1] = 0;
    p[2] = 255;
    p[3] = 255;
  }
  rgba[0] = 255;
  rgba[2] = 0;
  rgba[7] = 0;  // (1, 0) fully transparent
  return rgba;
}

std::vector<BYTE> Png(int width, int height) {
  std::vector<BYTE> png;
  std::vector<BYTE> rgba = MarkerRgba(width, height);
  EXPECT_TRUE(stbi_write_png_to_func(&Collect, &png, width, height, 4, rgba.data(), width * 4));
  return png;
}

// BGRA bytes of pixel (x, y).
const BYTE* At(const DibDescription& d, int x, int y) {
  return d.bits.data() + static_cast<int64_t>(y) * d.width_bytes + x * 4;
}

TEST(ImageDecoderTest, PngBecomesTopDownBgraWithAlphaMask) {
  Picture picture;
  ASSERT_TRUE(DecodeImage(Png(5, 3), &picture));
  const DibDescription& d = picture.description;
  EXPECT_EQ(d.width, 5);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.bits_per_pixel, 32);
  EXPECT_EQ(d.width_bytes, 20);
  EXPECT_TRUE(d.top_down);
  EXPECT_TRUE(d.IsReadable());
  EXPECT_EQ(d.alpha_mask, 0xFF000000u);
  EXPECT_EQ(d.red_mask, 0x00FF0000u);
  const BYTE* marker = At(d, 0, 0);
  EXPECT_EQ(marker[0], 0);    // blue
  EXPECT_EQ(marker[2], 255);  // red
  EXPECT_EQ(marker[3], 255);
  EXPECT_EQ(At(d, 1, 0)[3], 0) << "transparency kept for the reader to lay over white";
  EXPECT_EQ(At(d, 4, 2)[0], 255);
}

TEST(ImageDecoderTest, DecodesBmpJpegAndGif) {
  Picture picture;
  BmpSpec bmp;
  bmp.width = 4;
  bmp.height = 2;
  bmp.pixel = [](int32_t x, int32_t y) { return x == 0 && y == 0 ? 0xFF0000u : 0xFFFFFFu; };
  for (bool top_down : {false, true}) {
    bmp.top_down = top_down;
    ASSERT_TRUE(DecodeImage(MakeBmp(bmp), &picture)) << top_down;
    EXPECT_EQ(picture.description.width, 4);
    EXPECT_EQ(picture.description.height, 2);
    EXPECT_EQ(At(picture.description, 0, 0)[2], 255) << "the BMP's top row comes first";
    EXPECT_EQ(At(picture.description, 0, 0)[0], 0);
  }

  std::vector<BYTE> jpeg;
  std::vector<BYTE> rgb(16 * 8 * 3, 200);
  ASSERT_TRUE(stbi_write_jpg_to_func(&Collect, &jpeg, 16, 8, 3, rgb.data(), 90));
  ASSERT_TRUE(DecodeImage(jpeg, &picture));
  EXPECT_EQ(picture.description.width, 16);
  EXPECT_EQ(picture.description.height, 8);

  // A 1 x 1 GIF with one black pixel.
  const std::vector<BYTE> gif = {'G',  'I', 'F',  '8',  '9', 'a', 1, 0, 1, 0,
                                 0x80, 0,   0,                     // screen, 2-colour table
                                 0,    0,   0,    255,  255, 255,  // black, white
                                 0x2C, 0,   0,    0,    0,   1,   0, 1, 0, 0,  // image descriptor
                                 2,    2,   0x44, 0x01, 0,   0x3B};
  ASSERT_TRUE(DecodeImage(gif, &picture));
  EXPECT_EQ(picture.description.width, 1);
  EXPECT_EQ(At(picture.description, 0, 0)[1], 0);
}

TEST(ImageDecoderTest, RefusesDataThatIsNoImageOrTooLarge) {
  Picture picture;
  EXPECT_FALSE(DecodeImage({}, &picture));
  const std::vector<BYTE> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(DecodeImage(text, &picture));
  // A valid TGA: a format stb_image knows but we do not accept.
  const std::vector<BYTE> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0, 0, 0};
  EXPECT_FALSE(DecodeImage(tga, &picture));
  std::vector<BYTE> png = Png(4, 4);
  std::vector<BYTE> cut(png.begin(), png.begin() + 40);
  EXPECT_FALSE(DecodeImage(cut, &picture)) << "truncated PNG";

  // A PNG header declaring 8192 x 8192 pixels (beyond the bound), with no
  // data behind it: refused from the header alone.
  std::vector<BYTE> big = png;
  const BYTE size[8] = {0, 0, 0x20, 0, 0, 0, 0x20, 0};
  std::copy(size, size + 8, big.begin() + 16);
  EXPECT_FALSE(DecodeImage(big, &picture));
}

}  // namespace
}  // namespace qvplatform
