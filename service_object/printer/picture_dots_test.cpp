#include "service_object/printer/picture_dots.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service_object/printer/esc_cmd.h"

namespace {

using qvplatform::DibDescription;
using qvplatform::RgbQuad;

// A picture with its own pixel memory and palette.
struct TestDib {
  std::vector<BYTE> bits;
  std::vector<RgbQuad> palette;
  DibDescription dib;

  TestDib(LONG width, LONG height, WORD bpp, BYTE fill = 0) {
    dib.width = width;
    dib.height = height;
    dib.bits_per_pixel = bpp;
    dib.width_bytes = static_cast<LONG>((int64_t{width} * bpp + 31) / 32 * 4);
    bits.assign(size_t(dib.width_bytes) * size_t(height), fill);
    Sync();
  }
  void SetPalette(std::vector<RgbQuad> entries) {
    palette = std::move(entries);
    Sync();
  }
  void Sync() {
    dib.bits = bits;
    dib.palette = palette;
  }
  BYTE* Row(LONG y) { return bits.data() + size_t(y) * size_t(dib.width_bytes); }
};

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Raster(const DibDescription& dib, LONG width, RowOrder order = RowOrder::kMemory) {
  std::string out;
  EXPECT_TRUE(PictureToRaster(dib, width, order, &out));
  return out;
}

CGreyPicture Grey(const DibDescription& dib) {
  CGreyPicture grey;
  EXPECT_TRUE(PictureToGrey(dib, &grey));
  return grey;
}

const RgbQuad kBlack{0, 0, 0, 0};
const RgbQuad kWhite{255, 255, 255, 0};

TEST(DitherMatrixTest, IsTheOrder16BayerMatrixWithoutItsWhiteEntry) {
  const BYTE first_row[16] = {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170};
  for (int j = 0; j < 16; ++j) EXPECT_EQ(kDitherMatrix[0][j], first_row[j]) << j;

  // Built recursively from 0 2 / 3 1: 4 x the smaller matrix plus the
  // quadrant's offset.
  std::vector<std::vector<int>> m = {{0, 2}, {3, 1}};
  const int offset[2][2] = {{0, 2}, {3, 1}};
  while (m.size() < 16) {
    size_t n = m.size();
    std::vector<std::vector<int>> next(2 * n, std::vector<int>(2 * n));
    for (size_t i = 0; i < 2 * n; ++i)
      for (size_t j = 0; j < 2 * n; ++j) next[i][j] = 4 * m[i % n][j % n] + offset[i / n][j / n];
    m = next;
  }
  ASSERT_EQ(m[15][0], 255);
  m[15][0] = 254;
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 16; ++j) EXPECT_EQ(kDitherMatrix[i][j], m[i][j]) << i << "," << j;
}

TEST(GreyLevelTest, GreenBlueRedWeights) {
  struct Case {
    BYTE b, g, r, grey;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0},         {255, 255, 255, 255}, {255, 0, 0, 76},  // blue weighs 0.30
      {0, 0, 255, 28},                                              // red weighs 0.11
      {0, 255, 0, 150},                                             // green weighs 0.59
      {1, 1, 1, 0},      // 0.9999999999999999 in double, truncated
      {10, 20, 30, 18},  // 18.099999999999998
      {200, 200, 200, 200},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GreyLevel(c.b, c.g, c.r), c.grey) << int(c.b) << " " << int(c.g) << " " << int(c.r);
  }
}

TEST(PictureToGreyTest, TwentyFourBitsReadBlueGreenRed) {
  TestDib pic(3, 1, 24);
  const BYTE row[9] = {255, 0, 0, /**/ 0, 0, 255, /**/ 0, 255, 0};
  std::copy(row, row + 9, pic.Row(0));
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{76, 28, 150}));
}

TEST(PictureToGreyTest, TwentyFourBitsMatchTheFormulaForEveryColour) {
  // All 2^24 colours in one 4096 x 4096 picture: the row conversion must
  // agree with the formula everywhere, truncation included.
  TestDib pic(4096, 4096, 24);
  for (uint32_t c = 0; c < (1u << 24); ++c) {
    BYTE* p = pic.bits.data() + size_t(c) * 3;
    p[0] = BYTE(c);
    p[1] = BYTE(c >> 8);
    p[2] = BYTE(c >> 16);
  }
  CGreyPicture grey = Grey(pic.dib);
  ASSERT_EQ(grey.m_pixels.size(), size_t(1) << 24);
  size_t mismatches = 0;
  for (uint32_t c = 0; c < (1u << 24); ++c) {
    if (grey.m_pixels[c] != GreyLevel(BYTE(c), BYTE(c >> 8), BYTE(c >> 16))) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(PictureToGreyTest, ThirtyTwoBits) {
  TestDib pic(3, 1, 32);
  const BYTE row[12] = {255, 0, 0, 0, /**/ 0, 0, 255, 0x80, /**/ 0, 255, 0, 0xFF};
  std::copy(row, row + 12, pic.Row(0));
  // Without an alpha mask the fourth byte is unused.
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{76, 28, 150}));

  // With one, pixels are laid over white: transparent counts as white.
  pic.dib.alpha_mask = 0xFF000000;
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{255, GreyLevel(127, 127, 255), 150}));

  // Masks in another order: red in the low byte.
  pic.dib.alpha_mask = 0;
  pic.dib.red_mask = 0x000000FF;
  pic.dib.green_mask = 0x0000FF00;
  pic.dib.blue_mask = 0x00FF0000;
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{28, 76, 150}));
}

TEST(PictureToGreyTest, OneBitThroughItsPalette) {
  TestDib pic(10, 1, 1);
  pic.Row(0)[0] = 0xA5;  // 1010 0101
  pic.Row(0)[1] = 0x80;  // 10
  const std::vector<BYTE> set_white = {255, 0, 255, 0, 0, 255, 0, 255, 255, 0};

  // No palette: a set bit is white.
  EXPECT_EQ(Grey(pic.dib).m_pixels, set_white);
  // The usual palette gives the same.
  pic.SetPalette({kBlack, kWhite});
  EXPECT_EQ(Grey(pic.dib).m_pixels, set_white);
  // An inverted palette is honoured instead of printing a negative.
  pic.SetPalette({kWhite, kBlack});
  std::vector<BYTE> inverted;
  for (BYTE g : set_white) inverted.push_back(static_cast<BYTE>(255 - g));
  EXPECT_EQ(Grey(pic.dib).m_pixels, inverted);
}

TEST(PictureToGreyTest, FourAndEightBitsThroughTheirPalette) {
  TestDib four(3, 1, 4);
  four.SetPalette({kBlack, kWhite, {255, 0, 0, 0}});
  four.Row(0)[0] = 0x12;  // high nibble first
  four.Row(0)[1] = 0x70;  // index 7 is past the palette: black
  EXPECT_EQ(Grey(four.dib).m_pixels, (std::vector<BYTE>{255, 76, 0}));

  TestDib eight(4, 1, 8);
  std::vector<RgbQuad> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  palette[3] = {0, 0, 255, 0};
  eight.SetPalette(palette);
  const BYTE row[4] = {0, 255, 3, 200};
  std::copy(row, row + 4, eight.Row(0));
  EXPECT_EQ(Grey(eight.dib).m_pixels, (std::vector<BYTE>{0, 255, 28, GreyLevel(200, 200, 200)}));
}

TEST(PictureToGreyTest, SixteenBitsThroughTheirColourMasks) {
  TestDib pic(4, 1, 16);
  auto put = [&](LONG x, WORD v) {
    pic.Row(0)[2 * x] = static_cast<BYTE>(v & 0xFF);
    pic.Row(0)[2 * x + 1] = static_cast<BYTE>(v >> 8);
  };
  // Default 5-5-5.
  put(0, 0x7FFF);  // white
  put(1, 0x001F);  // blue
  put(2, 0x7C00);  // red
  put(3, 0x0000);  // black
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{255, 76, 28, 0}));

  // 5-6-5 through BI_BITFIELDS masks.
  pic.dib.red_mask = 0xF800;
  pic.dib.green_mask = 0x07E0;
  pic.dib.blue_mask = 0x001F;
  put(0, 0xFFFF);
  put(1, 0x07E0);  // green
  put(2, 0xF800);  // red
  put(3, 0x0010);  // half blue: 16 / 31 of 255 is 132 (rounded)
  EXPECT_EQ(Grey(pic.dib).m_pixels, (std::vector<BYTE>{255, 150, 28, GreyLevel(132, 0, 0)}));
}

TEST(PictureToGreyTest, UnreadablePicturesAreRefused) {
  CGreyPicture grey;
  TestDib two_bit(8, 2, 2);
  EXPECT_FALSE(PictureToGrey(two_bit.dib, &grey));

  TestDib narrow(16, 2, 24);
  narrow.dib.width_bytes = 40;  // a row needs 48
  EXPECT_FALSE(PictureToGrey(narrow.dib, &grey));

  TestDib short_bits(16, 4, 24);
  short_bits.dib.bits = short_bits.dib.bits.first(short_bits.bits.size() - 1);
  EXPECT_FALSE(PictureToGrey(short_bits.dib, &grey));

  TestDib empty(0, 4, 24);
  EXPECT_FALSE(PictureToGrey(empty.dib, &grey));

  // Just over the bound: 8193 x 8192 one-bit pixels (8 MB of memory).
  TestDib huge(8193, 8192, 1);
  ASSERT_GT(int64_t{8193} * 8192, kMaxPictureDots);
  EXPECT_FALSE(PictureToGrey(huge.dib, &grey)) << "more pixels than the bound";
  TestDib at_bound(8192, 8192, 1);
  EXPECT_TRUE(PictureToGrey(at_bound.dib, &grey));
}

TEST(RasterTest, EightByEightOneBitBlack) {
  TestDib pic(8, 8, 1, 0x00);  // bits clear
  pic.SetPalette({kBlack, kWhite});
  EscCmd cmd;
  EXPECT_EQ(cmd.AppendRasterImage(pic.dib, 8), 0);
  EXPECT_EQ(Hex(cmd.Bytes()), "1D 76 30 00 01 00 08 00 FF FF FF FF FF FF FF FF");
}

TEST(RasterTest, ThirteenDotsWideTenRowsHigh) {
  TestDib pic(13, 10, 24, 0x00);  // black
  std::string raster = Raster(pic.dib, 13);
  ASSERT_EQ(raster.size(), 8u + 2 * 16);
  EXPECT_EQ(Hex(raster.substr(0, 8)), "1D 76 30 00 02 00 10 00");
  for (int r = 0; r < 16; ++r) {
    std::string row = raster.substr(8 + 2 * r, 2);
    // 13 dots print; the last 3 bits of a row and the 6 padding rows are 0.
    EXPECT_EQ(Hex(row), r < 10 ? "FF F8" : "00 00") << "row " << r;
  }
}

TEST(RasterTest, AllWhitePrintsNothing) {
  TestDib pic(40, 20, 24, 0xFF);
  std::string raster = Raster(pic.dib, 40);
  EXPECT_EQ(Hex(raster.substr(0, 8)), "1D 76 30 00 05 00 18 00");
  EXPECT_EQ(raster.substr(8), std::string(5 * 24, '\0'));
}

// A grey picture: every dot follows the matrix at its printed position.
TEST(RasterTest, DitheringUsesThePrintedCoordinates) {
  CGreyPicture grey;
  grey.m_width = 20;
  grey.m_height = 2;
  grey.m_pixels.assign(40, 255);
  for (int x = 0; x < 20; ++x) grey.m_pixels[size_t(x)] = 100;  // memory row 0 grey
  auto expected_row = [](int printed_row) {
    std::string bytes(3, '\0');
    for (int x = 0; x < 20; ++x)
      if (kDitherMatrix[x % 16][printed_row % 16] >= 100) bytes[x / 8] |= char(0x80 >> (x % 8));
    return bytes;
  };
  std::string blank(3, '\0');

  std::string memory;
  ASSERT_TRUE(AppendDitheredRaster(grey, RowOrder::kMemory, &memory));
  EXPECT_EQ(Hex(memory.substr(0, 8)), "1D 76 30 00 03 00 08 00");
  EXPECT_EQ(memory.substr(8, 3), expected_row(0));
  EXPECT_EQ(memory.substr(11, 3), blank);

  std::string reversed;
  ASSERT_TRUE(AppendDitheredRaster(grey, RowOrder::kReversed, &reversed));
  EXPECT_EQ(reversed.substr(8, 3), blank);
  EXPECT_EQ(reversed.substr(11, 3), expected_row(1));
  EXPECT_NE(expected_row(0), expected_row(1)) << "the rows must tell the coordinates apart";
}

TEST(RasterTest, FlippedReversesTheRows) {
  // Top memory row black, the rest white.
  TestDib pic(8, 3, 24, 0xFF);
  std::fill(pic.Row(0), pic.Row(0) + 24, 0);
  EscCmd normal, flipped;
  EXPECT_EQ(normal.AppendRasterImage(pic.dib, 8), 0);
  EXPECT_EQ(flipped.AppendRasterImageFlipped(pic.dib, 8), 0);
  EXPECT_EQ(Hex(normal.Bytes().substr(8, 3)), "FF 00 00");
  EXPECT_EQ(Hex(flipped.Bytes().substr(8, 3)), "00 00 FF");
  EXPECT_EQ(UprightOrder(pic.dib), RowOrder::kReversed);  // bottom-up
  pic.dib.top_down = true;
  EXPECT_EQ(UprightOrder(pic.dib), RowOrder::kMemory);
}

TEST(RasterTest, FailureAppendsNothing) {
  EscCmd cmd;
  cmd.Initialize();
  TestDib two_bit(8, 8, 2);
  EXPECT_EQ(cmd.AppendRasterImage(two_bit.dib, 8), 111);
  TestDib pic(100, 1, 24);
  EXPECT_EQ(cmd.AppendRasterImage(pic.dib, 10), 111) << "height 1 x 10 / 100 is 0";
  EXPECT_EQ(cmd.AppendRasterImageFlipped(pic.dib, 0), 111);
  EXPECT_EQ(cmd.AppendRasterImageFlipped(pic.dib, -11), 111);
  EXPECT_EQ(Hex(cmd.Bytes()), "1B 40");
}

TEST(RasterTest, SizesBeyondTheCommandAreRefused) {
  CGreyPicture tall;
  tall.m_width = 1;
  tall.m_height = 0xFFF9;  // rounds up past 65535 rows
  tall.m_pixels.assign(0xFFF9, 0);
  std::string out;
  EXPECT_FALSE(AppendDitheredRaster(tall, RowOrder::kMemory, &out));
  EXPECT_TRUE(out.empty());
  tall.m_height = 0xFFF8;
  tall.m_pixels.resize(0xFFF8);
  EXPECT_TRUE(AppendDitheredRaster(tall, RowOrder::kMemory, &out));
  EXPECT_EQ(Hex(out.substr(0, 8)), "1D 76 30 00 01 00 F8 FF");
}

TEST(RescaleTest, DoublingTheWidthDoublesTheHeight) {
  TestDib pic(100, 32, 24, 0x00);
  std::string raster = Raster(pic.dib, 200);
  EXPECT_EQ(Hex(raster.substr(0, 8)), "1D 76 30 00 19 00 40 00");  // 25 bytes, 64 rows
  EXPECT_EQ(raster.size(), 8u + 25 * 64);
  EXPECT_EQ(ScaledHeight(100, 30, 200), 60);
  EXPECT_EQ(ScaledHeight(1152, 3200, 576), 1600);
  EXPECT_EQ(ScaledHeight(3, 10, 2), 6);  // fraction discarded
  EXPECT_EQ(ScaledHeight(0, 10, 2), -1);
}

TEST(RescaleTest, SameWidthDoesNotResample) {
  // A picture whose rescale to its own width would blur a lone black pixel
  // into its white neighbours' edges: with the same width it stays exact.
  TestDib pic(16, 16, 24, 0xFF);
  std::fill(pic.Row(5) + 3 * 5, pic.Row(5) + 3 * 6, 0);
  std::string raster = Raster(pic.dib, 16);
  for (int r = 0; r < 16; ++r)
    EXPECT_EQ(Hex(raster.substr(8 + 2 * r, 2)), r == 5 ? "04 00" : "00 00") << r;
}

TEST(RescaleTest, UniformPicturesStayUniformInside) {
  // White outside the picture lightens only the border; a black picture
  // rescaled keeps its interior black.
  CGreyPicture black;
  black.m_width = 40;
  black.m_height = 40;
  black.m_pixels.assign(1600, 0);
  CGreyPicture scaled;
  ASSERT_TRUE(RescaleGrey(black, 80, &scaled));
  ASSERT_EQ(scaled.m_height, 80);
  for (LONG y = 4; y < 76; ++y)
    for (LONG x = 4; x < 76; ++x) ASSERT_EQ(scaled.m_pixels[size_t(y) * 80 + size_t(x)], 0);
  EXPECT_GT(scaled.m_pixels[0], 0) << "the corner mixes with white";
}

TEST(RescaleTest, FastPathEqualsTheDirectFormula) {
  std::mt19937 rng(12345);
  struct Size {
    LONG w, h, new_w;
  };
  std::vector<Size> sizes = {{1, 1, 5},       {2, 3, 1},    {7, 5, 13},  {100, 37, 200},
                             {1152, 40, 576}, {33, 17, 32}, {5, 90, 3},  {300, 2, 7},
                             {16, 16, 17},    {17, 16, 16}, {3, 3, 1000}};
  for (int i = 0; i < 12; ++i) {
    sizes.push_back({LONG(1 + rng() % 120), LONG(1 + rng() % 120), LONG(1 + rng() % 240)});
  }
  for (const Size& s : sizes) {
    CGreyPicture source;
    source.m_width = s.w;
    source.m_height = s.h;
    source.m_pixels.resize(size_t(s.w) * size_t(s.h));
    // Mix noise with flat areas and hard edges: the values where rounding
    // decides.
    for (size_t i = 0; i < source.m_pixels.size(); ++i) {
      switch (rng() % 4) {
        case 0: source.m_pixels[i] = 0; break;
        case 1: source.m_pixels[i] = 255; break;
        default: source.m_pixels[i] = static_cast<BYTE>(rng()); break;
      }
    }
    CGreyPicture fast, direct;
    bool fast_ok = RescaleGrey(source, s.new_w, &fast);
    bool direct_ok = RescaleGreyDirect(source, s.new_w, &direct);
    ASSERT_EQ(fast_ok, direct_ok) << s.w << "x" << s.h << " -> " << s.new_w;
    if (!fast_ok) {
      EXPECT_EQ(ScaledHeight(s.w, s.h, s.new_w), 0);
      continue;
    }
    EXPECT_EQ(fast.m_width, s.new_w);
    EXPECT_EQ(fast.m_height, ScaledHeight(s.w, s.h, s.new_w));
    EXPECT_EQ(direct.m_height, fast.m_height);
    ASSERT_EQ(fast.m_pixels, direct.m_pixels) << s.w << "x" << s.h << " -> " << s.new_w;
  }
}

TEST(RescaleTest, RefusesPicturesOutOfRange) {
  CGreyPicture source;
  source.m_width = 10;
  source.m_height = 10;
  source.m_pixels.assign(100, 0);
  CGreyPicture out;
  EXPECT_FALSE(RescaleGrey(source, 0, &out));
  EXPECT_FALSE(RescaleGrey(source, 10000000, &out)) << "10^7 x 10^7 dots exceed the bound";
  EXPECT_TRUE(RescaleGrey(source, 1, &out));
  EXPECT_EQ(out.m_height, 1);
  source.m_pixels.pop_back();
  EXPECT_FALSE(RescaleGrey(source, 20, &out)) << "pixels do not match the size";
}

}  // namespace
