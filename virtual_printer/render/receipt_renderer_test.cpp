// The renderer on hand-made ESC/POS streams: where text, pictures and page
// mode put their dots, compared with the font files' own glyphs (read here
// through a separate font object) and with the bits that were sent.
#include "virtual_printer/render/receipt_renderer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "virtual_printer/render/bitmap_font.h"
#include "virtual_printer/render/render_test_util.h"

namespace qvvp {
namespace {

using namespace test;  // B, T and + for byte streams

struct Result {
  std::vector<RenderedReceipt> images;
  RenderStats stats;
};

Result Render(const Bytes& stream, RenderLimits limits = {}) {
  Result result;
  std::string error;
  EXPECT_TRUE(
      RenderStream(stream.data(), stream.size(), limits, &result.images, &result.stats, &error))
      << error;
  return result;
}

CDotImage Crop(const CDotImage& image, int x, int y, int width, int height) {
  return image.Cropped(x, y, width, height);
}

// Glyphs straight from the font files.
class FontFiles {
 public:
  const CDotImage& Glyph(const char* file, char32_t codepoint) {
    std::unique_ptr<CBitmapFont>& font = m_fonts[file];
    if (!font) {
      std::string error;
      font = CBitmapFont::Open(file, &error);
      EXPECT_TRUE(font) << error;
    }
    const CDotImage* glyph = font ? font->Glyph(codepoint) : nullptr;
    EXPECT_NE(glyph, nullptr) << file << " U+" << std::hex << uint32_t(codepoint);
    return glyph != nullptr ? *glyph : m_empty;
  }

 private:
  std::map<std::string, std::unique_ptr<CBitmapFont>> m_fonts;
  CDotImage m_empty;
};

FontFiles& Fonts() {
  static FontFiles fonts;
  return fonts;
}

// The expected picture of one character cell.
CDotImage Cell(const CDotImage& glyph, int glyphX, int glyphY, int width, int height, int sx,
               int sy, int underline) {
  CDotImage cell(width * sx, height * sy);
  cell.DrawScaled(glyph, glyphX * sx, glyphY * sy, sx, sy);
  cell.Fill(0, cell.height() - underline, cell.width(), underline, 1);
  return cell;
}

struct TextCase {
  const char* name;
  Bytes setup;
  const char* file;  // the font the glyphs come from
  int cellWidth;
  int cellHeight;
  int sx;
  int sy;
  int pitch;  // dots from one character to the next
  int left;   // where the first cell starts
  int underline;
};

class TextPlacement : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextPlacement, CharactersLandInTheFontsGlyphCells) {
  const TextCase& c = GetParam();
  const std::string text = "Ag9";
  const Result result = Render(c.setup + T(text + "\n"));
  ASSERT_EQ(result.images.size(), 1u);
  const CDotImage& paper = result.images[0].image;
  const int lineHeight = c.cellHeight * c.sy;
  EXPECT_EQ(paper.height(), std::max(lineHeight, 30));
  for (size_t i = 0; i < text.size(); ++i) {
    const CDotImage expected = Cell(Fonts().Glyph(c.file, text[i]), 0, 0, c.cellWidth, c.cellHeight,
                                    c.sx, c.sy, c.underline);
    const int x = c.left + static_cast<int>(i) * c.pitch;
    EXPECT_EQ(Crop(paper, x, 0, expected.width(), expected.height()), expected)
        << c.name << " character " << i;
  }
  // Nothing else is printed: the dots outside the cells are paper.
  const int cells = static_cast<int>(text.size()) * c.pitch;
  EXPECT_EQ(paper.CountPrinted(), Crop(paper, c.left, 0, cells, lineHeight).CountPrinted());
}

const char* const kA = "/usr/share/fonts/X11/misc/ter-u24n_unicode.pcf.gz";
const char* const kABold = "/usr/share/fonts/X11/misc/ter-u24b_unicode.pcf.gz";
const char* const kB = "/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz";

INSTANTIATE_TEST_SUITE_P(
    Modes, TextPlacement,
    ::testing::Values(
        TextCase{"font A", {}, kA, 12, 24, 1, 1, 12, 0, 0},
        TextCase{"font B", B({0x1B, 0x4D, 1}), kB, 9, 17, 1, 1, 9, 0, 0},
        TextCase{"double width", B({0x1D, 0x21, 0x10}), kA, 12, 24, 2, 1, 24, 0, 0},
        TextCase{"double height", B({0x1D, 0x21, 0x01}), kA, 12, 24, 1, 2, 12, 0, 0},
        TextCase{"triple size", B({0x1D, 0x21, 0x22}), kA, 12, 24, 3, 3, 36, 0, 0},
        TextCase{"ESC ! double both", B({0x1B, 0x21, 0x30}), kA, 12, 24, 2, 2, 24, 0, 0},
        TextCase{"emphasized", B({0x1B, 0x45, 1}), kABold, 12, 24, 1, 1, 12, 0, 0},
        TextCase{"double strike", B({0x1B, 0x47, 1}), kABold, 12, 24, 1, 1, 12, 0, 0},
        TextCase{"underline 1 dot", B({0x1B, 0x2D, 1}), kA, 12, 24, 1, 1, 12, 0, 1},
        TextCase{"underline 2 dots", B({0x1B, 0x2D, 2}), kA, 12, 24, 1, 1, 12, 0, 2},
        TextCase{"centred", B({0x1B, 0x61, 1}), kA, 12, 24, 1, 1, 12, (576 - 36) / 2, 0},
        TextCase{"right", B({0x1B, 0x61, 2}), kA, 12, 24, 1, 1, 12, 576 - 36, 0},
        TextCase{"left margin", B({0x1D, 0x4C, 100, 0}), kA, 12, 24, 1, 1, 12, 100, 0},
        TextCase{"centred in a print area",
                 B({0x1D, 0x4C, 100, 0, 0x1D, 0x57, 200, 0, 0x1B, 0x61, 1}), kA, 12, 24, 1, 1, 12,
                 100 + (200 - 36) / 2, 0},
        TextCase{"absolute position", B({0x1B, 0x24, 44, 1}), kA, 12, 24, 1, 1, 12, 300, 0}),
    [](const ::testing::TestParamInfo<TextCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(TextTest, RightSpacingWidensThePitch) {
  const Result result = Render(B({0x1B, 0x20, 4}) + T("AB\n"));
  const CDotImage& glyph = Fonts().Glyph(kA, 'B');
  EXPECT_EQ(Crop(result.images[0].image, 16, 0, 12, 24), glyph);
}

TEST(TextTest, UpsideDownTurnsTheWholeLineAboutThePaper) {
  const Result upright = Render(T("Ab\n"));
  const Result turned = Render(B({0x1B, 0x7B, 1}) + T("Ab\n"));
  ASSERT_EQ(turned.images.size(), 1u);
  const CDotImage line = Crop(upright.images[0].image, 0, 0, 576, 24);
  EXPECT_EQ(Crop(turned.images[0].image, 0, 0, 576, 24), line.Rotated180());
}

TEST(TextTest, RotatedCharactersAreTurnedClockwiseInTheirCells) {
  const Result result = Render(B({0x1B, 0x56, 1}) + T("AB\n"));
  const CDotImage& paper = result.images[0].image;
  EXPECT_EQ(Crop(paper, 0, 0, 24, 12), Fonts().Glyph(kA, 'A').RotatedClockwise());
  EXPECT_EQ(Crop(paper, 24, 0, 24, 12), Fonts().Glyph(kA, 'B').RotatedClockwise());
}

const char* const kUnifont = "/usr/share/fonts/X11/misc/unifont.pcf.gz";

TEST(TextTest, KanjiModeReadsGbkPairsIntoWideCells) {
  // FS &, then 中文 in GBK, then a single-byte A; the second pair arrives in
  // two pieces, as it would across two reads.
  Result result;
  std::string error;
  CReceiptRenderer renderer(CReceiptFonts::Shared(&error),
                            [&](RenderedReceipt&& r) { result.images.push_back(std::move(r)); });
  EscPosParser parser([&](ParsedCommand&& c) { renderer.Consume(c); });
  const Bytes first = B({0x1C, 0x26, 0xD6, 0xD0, 0xCE});
  const Bytes second = B({0xC4, 'A', 0x0A});
  parser.Feed(first.data(), first.size());
  parser.Feed(second.data(), second.size());
  renderer.FinishUnfinished();
  ASSERT_EQ(result.images.size(), 1u);
  const CDotImage& paper = result.images[0].image;
  EXPECT_EQ(Crop(paper, 0, 0, 24, 24), Cell(Fonts().Glyph(kUnifont, U'中'), 4, 4, 24, 24, 1, 1, 0));
  EXPECT_EQ(Crop(paper, 24, 0, 24, 24),
            Cell(Fonts().Glyph(kUnifont, U'文'), 4, 4, 24, 24, 1, 1, 0));
  EXPECT_EQ(Crop(paper, 48, 0, 12, 24), Fonts().Glyph(kA, 'A'));
}

TEST(TextTest, TheCodeTableChoosesTheGlyph) {
  struct Case {
    Bytes stream;
    char32_t expected;
  };
  const Case cases[] = {
      {B({0x82, 0x0A}), U'é'},                    // PC437 by default
      {B({0x1B, 0x74, 16, 0xE9, 0x0A}), U'é'},    // WPC1252
      {B({0x1B, 0x74, 16, 0x80, 0x0A}), U'€'},    // WPC1252
      {B({0x1B, 0x74, 0, 0xC4, 0x0A}), U'─'},     // PC437 box drawing
      {B({0x1B, 0x74, 17, 0x80, 0x0A}), U'А'},    // PC866 Cyrillic
      {B({0x1C, 0x26, 0x82, 0x31, 0x0A}), U'é'},  // Kanji mode: 82 31 is no GBK pair
  };
  for (const Case& c : cases) {
    const Result result = Render(c.stream);
    ASSERT_EQ(result.images.size(), 1u);
    EXPECT_EQ(Crop(result.images[0].image, 0, 0, 12, 24), Fonts().Glyph(kA, c.expected))
        << "U+" << std::hex << uint32_t(c.expected);
  }
}

TEST(PaperTest, FeedsMoveThePaperByAtLeastTheLineHeight) {
  struct Case {
    const char* name;
    Bytes stream;
    int height;
  };
  const Case cases[] = {
      {"line feed", T("A\n"), 30},
      {"empty line feed", T("\n"), 30},
      {"ESC J", T("A") + B({0x1B, 0x4A, 50}), 50},
      {"ESC J 0 after text", T("A") + B({0x1B, 0x4A, 0}), 24},
      {"ESC d", T("A") + B({0x1B, 0x64, 3}), 90},
      {"double height line", B({0x1D, 0x21, 0x01}) + T("A\n"), 48},
      {"ESC 3", B({0x1B, 0x33, 40}) + T("A\nB\n"), 80},
      {"FS 3", B({0x1C, 0x33, 40}) + T("A\n"), 40},
      {"line narrower than the spacing", B({0x1B, 0x33, 10}) + T("A\n"), 24},
      {"wrapped line", T(std::string(50, 'x') + "\n"), 60},
  };
  for (const Case& c : cases) {
    const Result result = Render(c.stream + B({0x1B, 0x69}));
    ASSERT_EQ(result.images.size(), 1u) << c.name;
    EXPECT_EQ(result.images[0].image.height(), c.height) << c.name;
  }
}

TEST(PaperTest, EachCutEndsAnImage) {
  const Result result = Render(T("A\n") + B({0x1B, 0x69}) + T("B\n") + B({0x1D, 0x56, 0}) +
                               T("C\n") + B({0x1D, 0x56, 66, 10}) + T("D\n"));
  ASSERT_EQ(result.images.size(), 4u);
  EXPECT_EQ(result.images[0].end, RenderedReceipt::End::kPartialCut);
  EXPECT_EQ(result.images[1].end, RenderedReceipt::End::kFullCut);
  EXPECT_EQ(result.images[2].end, RenderedReceipt::End::kPartialCut);
  EXPECT_EQ(result.images[2].image.height(), 40);  // the line, then GS V's feed of 10
  EXPECT_EQ(result.images[3].end, RenderedReceipt::End::kUnfinished);
  for (size_t i = 0; i < result.images.size(); ++i) {
    EXPECT_EQ(result.images[i].number, i + 1);
    EXPECT_EQ(Crop(result.images[i].image, 0, 0, 12, 24), Fonts().Glyph(kA, U'A' + i));
  }
}

TEST(PaperTest, InitializeDropsTheWaitingLineAndTheModes) {
  const Result result =
      Render(B({0x1D, 0x21, 0x11, 0x1B, 0x2D, 1}) + T("lost") + B({0x1B, 0x40}) + T("A\n"));
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(result.images[0].image.height(), 30);
  EXPECT_EQ(Crop(result.images[0].image, 0, 0, 12, 24), Fonts().Glyph(kA, 'A'));
  EXPECT_EQ(result.images[0].image.CountPrinted(), Fonts().Glyph(kA, 'A').CountPrinted());
}

TEST(PaperTest, DrawerPulsesAreNotedBesideThePaperAndPrintNothing) {
  const Result result = Render(T("A\n") + B({0x1B, 0x70, 0, 100, 50, 0x10, 0x14, 1, 1, 3}));
  ASSERT_EQ(result.images.size(), 1u);
  const std::vector<std::string>& notes = result.images[0].notes;
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], "drawer pulse on pin 2, 200 ms on, 100 ms off (at dot row 30)");
  EXPECT_EQ(notes[1], "drawer pulse (real time) on pin 5, 300 ms (at dot row 30)");
  EXPECT_EQ(result.images[0].image.CountPrinted(), Fonts().Glyph(kA, 'A').CountPrinted());
}

TEST(PaperTest, UnknownCommandsAreDrawnAsNothingAndCounted) {
  // ESC 01 and GS 01 are unknown to the parser; GS ( L graphics and ESC &
  // user-defined characters are known but not drawn.
  const Result result =
      Render(B({0x1B, 0x01, 0x1D, 0x01, 0x1B, 0x01}) + B({0x1D, 0x28, 0x4C, 2, 0, 0x30, 0x45}) +
             B({0x1B, 0x26, 3, 0x41, 0x41, 1, 0, 0, 0}) + T("A\n"));
  EXPECT_EQ(result.stats.notRendered, 5u);
  EXPECT_EQ(result.stats.notRenderedByName.at("ESC 01"), 2u);
  EXPECT_EQ(result.stats.notRenderedByName.at("GS 01"), 1u);
  EXPECT_EQ(result.stats.notRenderedByName.at("GS ( L"), 1u);
  EXPECT_EQ(result.stats.notRenderedByName.at("ESC &"), 1u);
  ASSERT_EQ(result.images.size(), 1u);
  ASSERT_EQ(result.images[0].notes.size(), 1u);
  EXPECT_EQ(result.images[0].notes[0],
            "5 command(s) drawn as nothing: ESC & x1, ESC 01 x2, GS ( L x1, GS 01 x1");
  EXPECT_EQ(result.images[0].image.CountPrinted(), Fonts().Glyph(kA, 'A').CountPrinted());
}

TEST(PaperTest, ADeselectedPrinterPrintsNothingUntilSelected) {
  const Result result = Render(B({0x1B, 0x3D, 0}) + T("hidden\n") + B({0x1B, 0x3D, 1}) + T("A\n"));
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(result.images[0].image.height(), 30);
  EXPECT_EQ(Crop(result.images[0].image, 0, 0, 12, 24), Fonts().Glyph(kA, 'A'));
}

// A raster picture of random dots, w x h dots, as GS v 0 m sends it.
Bytes Raster(int mode, int widthBytes, int height, std::vector<uint8_t>* bits, uint32_t seed) {
  std::mt19937 random(seed);
  bits->resize(static_cast<size_t>(widthBytes) * height);
  for (uint8_t& byte : *bits) byte = static_cast<uint8_t>(random());
  return B({0x1D, 0x76, 0x30, mode, widthBytes & 0xFF, widthBytes >> 8, height & 0xFF,
            height >> 8}) +
         *bits;
}

TEST(PictureTest, RasterPicturesPrintEveryDotThatWasSent) {
  struct Case {
    Bytes setup;
    int mode;
    int widthBytes;
    int left;
  };
  const Case cases[] = {
      {{}, 0, 72, 0},                      // the full width
      {B({0x1B, 0x61, 1}), 0, 10, 248},    // 80 dots, centred
      {B({0x1B, 0x61, 2}), 0, 10, 496},    // right
      {B({0x1D, 0x4C, 16, 0}), 0, 4, 16},  // after a left margin
      {{}, 3, 20, 0},                      // double width and height
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bits;
    const int rows = 100;
    const Result result = Render(c.setup + Raster(c.mode, c.widthBytes, rows, &bits, 7));
    ASSERT_EQ(result.images.size(), 1u);
    const CDotImage& paper = result.images[0].image;
    const int scale = c.mode == 3 ? 2 : 1;
    ASSERT_EQ(paper.height(), rows * scale);
    CDotImage expected(c.widthBytes * 8 * scale, rows * scale);
    for (int y = 0; y < rows * scale; ++y) {
      for (int x = 0; x < c.widthBytes * 8 * scale; ++x) {
        const int sx = x / scale;
        const uint8_t byte = bits[static_cast<size_t>(y / scale) * c.widthBytes + sx / 8];
        expected.Set(x, y, (byte >> (7 - sx % 8)) & 1);
      }
    }
    EXPECT_EQ(Crop(paper, c.left, 0, expected.width(), expected.height()), expected)
        << "mode " << c.mode << " width " << c.widthBytes;
    EXPECT_EQ(paper.CountPrinted(), expected.CountPrinted());
  }
}

TEST(PictureTest, BitImagesPrintInTheLine) {
  // ESC * 33: 24-dot double density, two columns; then a character.
  const Result result =
      Render(B({0x1B, 0x2A, 33, 2, 0, 0xFF, 0x00, 0x81, 0x80, 0x00, 0x01}) + T("A\n"));
  const CDotImage& paper = result.images[0].image;
  for (int y = 0; y < 24; ++y) {
    const bool first = y < 8 || y == 16 || y == 23;
    const bool second = y == 0 || y == 23;
    EXPECT_EQ(paper.At(0, y), first ? 1 : 0) << y;
    EXPECT_EQ(paper.At(1, y), second ? 1 : 0) << y;
  }
  EXPECT_EQ(Crop(paper, 2, 0, 12, 24), Fonts().Glyph(kA, 'A'));
}

// The glyph of `c` as page direction `direction` puts it on paper.
CDotImage Turned(char32_t c, int direction) {
  const CDotImage& glyph = Fonts().Glyph(kA, c);
  switch (direction) {
    case 1: return glyph.Rotated180().RotatedClockwise();  // counter-clockwise
    case 2: return glyph.Rotated180();
    case 3: return glyph.RotatedClockwise();
    default: return glyph;
  }
}

TEST(PageModeTest, EachDirectionStartsInItsCornerAndPrintsItsWay) {
  // Area x 100, y 40, 240 x 160; "AB" from the starting corner.
  struct Case {
    int direction;
    int ax, ay;  // where A's cell starts on paper
    int bx, by;  // and B's
    int w, h;    // a cell's size on paper
  };
  const Case cases[] = {
      {0, 100, 40, 112, 40, 12, 24},    // left to right from the upper left
      {1, 100, 188, 100, 176, 24, 12},  // bottom to top from the lower left
      {2, 328, 176, 316, 176, 12, 24},  // right to left from the lower right
      {3, 316, 40, 316, 52, 24, 12},    // top to bottom from the upper right
  };
  for (const Case& c : cases) {
    const Bytes stream =
        B({0x1B, 0x4C, 0x1B, 0x57, 100, 0, 40, 0, 240, 0, 160, 0, 0x1B, 0x54, 0x30 + c.direction}) +
        T("AB") + B({0x0C});
    const Result result = Render(stream);
    ASSERT_EQ(result.images.size(), 1u);
    const CDotImage& paper = result.images[0].image;
    EXPECT_EQ(paper.height(), 200) << c.direction;  // the page down to the area's bottom
    EXPECT_EQ(Crop(paper, c.ax, c.ay, c.w, c.h), Turned('A', c.direction)) << c.direction;
    EXPECT_EQ(Crop(paper, c.bx, c.by, c.w, c.h), Turned('B', c.direction)) << c.direction;
    EXPECT_EQ(paper.CountPrinted(),
              Turned('A', c.direction).CountPrinted() + Turned('B', c.direction).CountPrinted());
  }
}

TEST(PageModeTest, PositionsAreTakenInTheAreasOwnCoordinates) {
  // Direction 3 (top to bottom): ESC $ moves down the paper, GS $ to the left.
  const Bytes stream = B({0x1B, 0x4C, 0x1B, 0x57, 0,    0,  0, 0,    200,  0,  200, 0,
                          0x1B, 0x54, 3,    0x1B, 0x24, 50, 0, 0x1D, 0x24, 30, 0}) +
                       T("A") + B({0x0C});
  const Result result = Render(stream);
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(Crop(result.images[0].image, 200 - 30 - 24, 50, 24, 12), Turned('A', 3));
}

TEST(PageModeTest, PrintKeepCancelAndStandardMode) {
  const Bytes page = B({0x1B, 0x4C, 0x1B, 0x57, 0, 0, 0, 0, 64, 0, 50, 0}) + T("A");
  // ESC FF prints and keeps the page; FF prints it again and ends page mode.
  Result result = Render(page + B({0x1B, 0x0C, 0x0C}) + T("B\n"));
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(result.images[0].image.height(), 50 + 50 + 30);
  EXPECT_EQ(Crop(result.images[0].image, 0, 50, 12, 24), Fonts().Glyph(kA, 'A'));
  EXPECT_EQ(Crop(result.images[0].image, 0, 100, 12, 24), Fonts().Glyph(kA, 'B'));
  // CAN empties the area; ESC S drops the page and prints nothing.
  result = Render(page + B({0x18}) + B({0x0C}));
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(result.images[0].image.CountPrinted(), 0u);
  result = Render(page + B({0x1B, 0x53}) + T("B\n"));
  ASSERT_EQ(result.images.size(), 1u);
  EXPECT_EQ(result.images[0].image.height(), 30);
  EXPECT_EQ(Crop(result.images[0].image, 0, 0, 12, 24), Fonts().Glyph(kA, 'B'));
}

TEST(BoundsTest, EndlessPaperAndHugeAreasStayWithinTheLimits) {
  RenderLimits limits;
  limits.maxImageHeight = 2000;
  limits.maxPageHeight = 1000;
  Bytes feeds;
  for (int i = 0; i < 100; ++i) feeds = feeds + B({0x1B, 0x64, 255});  // 100 x 7650 dots
  // A feed past the longest image ends the image there.
  Result result = Render(feeds, limits);
  ASSERT_EQ(result.images.size(), 100u);
  for (const RenderedReceipt& receipt : result.images) {
    EXPECT_EQ(receipt.image.height(), 2000);
    EXPECT_EQ(receipt.end, RenderedReceipt::End::kRollLimit);
  }

  // A page area 65535 dots each way, then a raster 65535 rows high.
  result = Render(B({0x1B, 0x4C, 0x1B, 0x57, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}) + T("A") +
                      B({0x0C, 0x1D, 0x76, 0x30, 0, 1, 0, 0xFF, 0xFF}) + Bytes(65535, 0xFF),
                  limits);
  ASSERT_EQ(result.images.size(), 2u);
  EXPECT_EQ(result.images[0].image.height(), 1000);  // the page, at its highest
  EXPECT_EQ(Crop(result.images[0].image, 0, 0, 12, 24), Fonts().Glyph(kA, 'A'));
  EXPECT_EQ(result.images[1].image.height(), 2000);  // the raster, at the longest image
  EXPECT_EQ(result.images[1].image.CountPrinted(), 8u * 2000);
}

TEST(BoundsTest, RandomBytesRenderWithoutHarm) {
  std::mt19937 random(14);
  RenderLimits limits;
  limits.maxImageHeight = 3000;
  for (int round = 0; round < 20; ++round) {
    Bytes stream(20000);
    for (uint8_t& byte : stream) byte = static_cast<uint8_t>(random());
    const Result result = Render(stream, limits);
    for (const RenderedReceipt& receipt : result.images) {
      EXPECT_EQ(receipt.image.width(), 576);
      EXPECT_LE(receipt.image.height(), 3000);
    }
  }
}

}  // namespace
}  // namespace qvvp
