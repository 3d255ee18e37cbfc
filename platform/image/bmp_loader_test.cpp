#include "platform/image/bmp_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/image/bmp_test_writer.h"
#include "test_support/temp_prefix.h"

namespace qvplatform {
namespace {

// The raw value of pixel (x, y), y = 0 the top row, read from a description
// the way the description's contract says pixels are laid out.
uint32_t RawPixel(const DibDescription& d, int32_t x, int32_t y) {
  const int32_t memory_row = d.top_down ? y : d.height - 1 - y;
  const BYTE* row = d.bits.data() + static_cast<int64_t>(memory_row) * d.width_bytes;
  const int bits = d.bits_per_pixel;
  if (bits < 8) {
    int per_byte = 8 / bits;
    int shift = 8 - bits * (x % per_byte + 1);
    return (row[x / per_byte] >> shift) & ((1u << bits) - 1);
  }
  uint32_t v = 0;
  for (int i = 0; i < bits / 8; ++i) v |= static_cast<uint32_t>(row[x * (bits / 8) + i]) << (8 * i);
  return v;
}

std::vector<RgbQuad> GreyPalette(int entries) {
  std::vector<RgbQuad> palette;
  for (int i = 0; i < entries; ++i) {
    BYTE v = static_cast<BYTE>(i * 255 / (entries > 1 ? entries - 1 : 1));
    palette.push_back({v, v, v, 0});
  }
  return palette;
}

BmpSpec Patterned(int bits, bool top_down, int32_t width = 13, int32_t height = 7) {
  BmpSpec s;
  s.width = width;
  s.height = height;
  s.bits = bits;
  s.top_down = top_down;
  if (bits <= 8) s.palette = GreyPalette(1 << bits);
  const uint32_t limit = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  s.pixel = [limit](int32_t x, int32_t y) {
    return static_cast<uint32_t>((x * 7 + y * 131 + x * y * 2654435761u) & limit);
  };
  return s;
}

struct DepthCase {
  int bits;
  bool top_down;
};

class BmpDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BmpDepthTest, DescribesEveryPixelWhereTheRowOrderSays) {
  const DepthCase c = GetParam();
  BmpSpec spec = Patterned(c.bits, c.top_down);
  std::vector<BYTE> file = MakeBmp(spec);
  Picture picture;
  ASSERT_TRUE(DecodeBmp(file, &picture));
  const DibDescription& d = picture.description;
  EXPECT_EQ(d.type, 0);
  EXPECT_EQ(d.width, 13);
  EXPECT_EQ(d.height, 7);
  EXPECT_EQ(d.planes, 1);
  EXPECT_EQ(d.bits_per_pixel, c.bits);
  EXPECT_EQ(d.width_bytes, (13 * c.bits + 31) / 32 * 4);
  EXPECT_EQ(d.top_down, c.top_down);
  EXPECT_TRUE(d.IsReadable());
  for (int32_t y = 0; y < 7; ++y) {
    for (int32_t x = 0; x < 13; ++x) {
      ASSERT_EQ(RawPixel(d, x, y), spec.pixel(x, y)) << "x " << x << " y " << y;
    }
  }
  if (c.bits <= 8) {
    ASSERT_EQ(d.palette.size(), size_t{1} << c.bits);
    EXPECT_EQ(d.palette.back().red, 255);
  } else {
    EXPECT_TRUE(d.palette.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, BmpDepthTest,
                         ::testing::Values(DepthCase{1, false}, DepthCase{1, true},
                                           DepthCase{4, false}, DepthCase{4, true},
                                           DepthCase{8, false}, DepthCase{8, true},
                                           DepthCase{16, false}, DepthCase{16, true},
                                           DepthCase{24, false}, DepthCase{24, true},
                                           DepthCase{32, false}, DepthCase{32, true}),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                           return "Bits" + std::to_string(info.param.bits) +
                                  (info.param.top_down ? "TopDown" : "BottomUp");
                         });

TEST(BmpLoaderTest, ShortColourTableIsPaddedWithBlack) {
  BmpSpec s = Patterned(8, false);
  s.palette = {{10, 20, 30, 0}, {40, 50, 60, 0}};  // colours used: 2
  Picture picture;
  ASSERT_TRUE(DecodeBmp(MakeBmp(s), &picture));
  const auto& palette = picture.description.palette;
  ASSERT_EQ(palette.size(), 256u);
  EXPECT_EQ(palette[1].blue, 40);
  EXPECT_EQ(palette[1].green, 50);
  EXPECT_EQ(palette[1].red, 60);
  EXPECT_EQ(palette[2].blue, 0);
  EXPECT_EQ(palette[255].red, 0);
}

TEST(BmpLoaderTest, CoreHeaderHasThreeByteColourEntries) {
  BmpSpec s = Patterned(1, false, 9, 3);
  s.header_size = 12;
  s.palette = {{255, 255, 255, 0}, {0, 0, 0, 0}};  // inverted: 0 white, 1 black
  Picture picture;
  ASSERT_TRUE(DecodeBmp(MakeBmp(s), &picture));
  const DibDescription& d = picture.description;
  EXPECT_EQ(d.width, 9);
  EXPECT_FALSE(d.top_down);
  EXPECT_EQ(d.palette[0].red, 255);
  EXPECT_EQ(d.palette[1].red, 0);
  EXPECT_EQ(RawPixel(d, 4, 2), s.pixel(4, 2));
}

TEST(BmpLoaderTest, BitfieldMasksComeFromAfterTheInfoHeaderOrFromTheLongHeader) {
  BmpSpec s = Patterned(16, false);
  s.bitfields = true;
  s.masks[0] = 0xF800;
  s.masks[1] = 0x07E0;
  s.masks[2] = 0x001F;
  Picture picture;
  ASSERT_TRUE(DecodeBmp(MakeBmp(s), &picture));
  EXPECT_EQ(picture.description.red_mask, 0xF800u);
  EXPECT_EQ(picture.description.green_mask, 0x07E0u);
  EXPECT_EQ(picture.description.blue_mask, 0x001Fu);
  EXPECT_EQ(picture.description.alpha_mask, 0u);

  BmpSpec v5 = Patterned(32, true);
  v5.header_size = 124;
  v5.bitfields = true;
  v5.masks[0] = 0x0000FF00;
  v5.masks[1] = 0x00FF0000;
  v5.masks[2] = 0xFF000000;
  v5.masks[3] = 0x000000FF;
  ASSERT_TRUE(DecodeBmp(MakeBmp(v5), &picture));
  EXPECT_EQ(picture.description.red_mask, 0x0000FF00u);
  EXPECT_EQ(picture.description.blue_mask, 0xFF000000u);
  EXPECT_EQ(picture.description.alpha_mask, 0x000000FFu);
  EXPECT_EQ(RawPixel(picture.description, 5, 6), v5.pixel(5, 6));
}

void Put32(std::vector<BYTE>& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<BYTE>(v >> (8 * i));
}

struct RefusalCase {
  const char* name;
  std::function<void(std::vector<BYTE>&)> damage;
};

TEST(BmpLoaderTest, RefusesFilesWhoseHeadersDoNotMatchTheData) {
  const std::vector<RefusalCase> cases = {
      {"not BM", [](std::vector<BYTE>& f) { f[0] = 'P'; }},
      {"last row cut short", [](std::vector<BYTE>& f) { f.resize(f.size() - 30); }},
      {"only the file header", [](std::vector<BYTE>& f) { f.resize(14); }},
      {"pixel offset past the end", [](std::vector<BYTE>& f) { Put32(f, 10, 0x7FFFFFF0); }},
      {"pixel offset near 4 GB", [](std::vector<BYTE>& f) { Put32(f, 10, 0xFFFFFFFF); }},
      {"unknown header size", [](std::vector<BYTE>& f) { Put32(f, 14, 41); }},
      {"width 0", [](std::vector<BYTE>& f) { Put32(f, 18, 0); }},
      {"negative width", [](std::vector<BYTE>& f) { Put32(f, 18, static_cast<uint32_t>(-5)); }},
      {"height 0", [](std::vector<BYTE>& f) { Put32(f, 22, 0); }},
      {"height INT_MIN", [](std::vector<BYTE>& f) { Put32(f, 22, 0x80000000u); }},
      {"two planes", [](std::vector<BYTE>& f) { f[26] = 2; }},
      {"2 bits per pixel", [](std::vector<BYTE>& f) { f[28] = 2; }},
      {"RLE8 compression", [](std::vector<BYTE>& f) { Put32(f, 30, 1); }},
      {"bitfields on 24 bits", [](std::vector<BYTE>& f) { Put32(f, 30, 3); }},
      {"100000 x 100000 pixels",
       [](std::vector<BYTE>& f) {
         Put32(f, 18, 100000);
         Put32(f, 22, 100000);
       }},
      {"wide beyond the bound",
       [](std::vector<BYTE>& f) {
         Put32(f, 18, static_cast<uint32_t>(kMaxImagePixels + 1));
         Put32(f, 22, 1);
       }},
  };
  BmpSpec spec = Patterned(24, false);
  for (const RefusalCase& c : cases) {
    std::vector<BYTE> file = MakeBmp(spec);
    c.damage(file);
    Picture picture;
    EXPECT_FALSE(DecodeBmp(file, &picture)) << c.name;
  }
}

TEST(BmpLoaderTest, RefusesColourTablesAndMasksOutsideTheFile) {
  BmpSpec s = Patterned(8, false, 2, 1);
  std::vector<BYTE> file = MakeBmp(s);
  // The colour table claims 256 entries; cut the file inside it.
  file.resize(14 + 40 + 100);
  Picture picture;
  EXPECT_FALSE(DecodeBmp(file, &picture));

  BmpSpec b = Patterned(32, false, 2, 1);
  b.bitfields = true;
  b.masks[0] = b.masks[1] = b.masks[2] = 0;
  EXPECT_FALSE(DecodeBmp(MakeBmp(b), &picture)) << "all masks zero";
  std::vector<BYTE> no_masks = MakeBmp(b);
  no_masks.resize(14 + 40 + 4);
  EXPECT_FALSE(DecodeBmp(no_masks, &picture)) << "masks cut off";
}

TEST(BmpLoaderTest, EveryTruncationIsRefusedOrStaysInsideTheData) {
  for (int bits : {1, 8, 24}) {
    std::vector<BYTE> file = MakeBmp(Patterned(bits, false, 5, 3));
    const size_t row_bytes = (5 * bits + 7) / 8;
    const size_t stride = (5 * bits + 31) / 32 * 4;
    for (size_t n = 0; n < file.size(); ++n) {
      std::vector<BYTE> cut(file.begin(), file.begin() + static_cast<ptrdiff_t>(n));
      Picture picture;
      bool ok = DecodeBmp(cut, &picture);
      // Only the padding of the last row may be missing.
      EXPECT_EQ(ok, n >= file.size() - (stride - row_bytes)) << bits << " bits, " << n << " bytes";
    }
  }
}

TEST(BmpLoaderTest, LoadsFromAFileAndRefusesMissingOnes) {
  TempPrefix prefix;
  const std::string path = prefix.root().string() + "/picture.bmp";
  BmpSpec s = Patterned(4, true);
  WriteFileBytes(path, MakeBmp(s));
  Picture picture;
  ASSERT_TRUE(LoadBmpFile(path, &picture));
  EXPECT_EQ(RawPixel(picture.description, 12, 6), s.pixel(12, 6));
  EXPECT_FALSE(LoadBmpFile(prefix.root().string() + "/missing.bmp", &picture));
  EXPECT_FALSE(LoadBmpFile(prefix.root().string(), &picture)) << "a directory";
}

}  // namespace
}  // namespace qvplatform
