// Barcodes, QR codes and PDF417 symbols drawn from ESC/POS commands, read
// back by ZXing-C++ and measured in dots; and the proof that the check
// catches a wrong data byte or module width.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "virtual_printer/render/receipt_renderer.h"
#include "virtual_printer/render/render_test_util.h"
#include "virtual_printer/render/symbol_reader.h"

namespace qvvp {
namespace {

using namespace test;  // B, T and + for byte streams

std::vector<RenderedReceipt> Render(const Bytes& stream, RenderStats* stats = nullptr) {
  std::vector<RenderedReceipt> images;
  std::string error;
  EXPECT_TRUE(RenderStream(stream.data(), stream.size(), RenderLimits(), &images, stats, &error))
      << error;
  return images;
}

// GS h, GS w and GS H, then GS k m n data.
Bytes Barcode(int system, const Bytes& data, int module, int height, int hri) {
  return B({0x1D, 0x68, height, 0x1D, 0x77, module, 0x1D, 0x48, hri, 0x1D, 0x6B, system,
            static_cast<int>(data.size())}) +
         data;
}

// Renders `stream` (one image) and checks its one symbol.
std::string CheckSymbol(const Bytes& stream, const std::string& format, const std::string& text,
                        int module, int bars) {
  const std::vector<RenderedReceipt> images = Render(stream);
  if (images.size() != 1) return "images: " + std::to_string(images.size());
  return test::CheckOneSymbol(images[0].image, format, text, module, bars);
}

struct LinearCase {
  const char* name;
  int system;
  Bytes data;
  const char* format;
  const char* text;
  int module;
  int hri;
};

class LinearSymbols : public ::testing::TestWithParam<LinearCase> {};

TEST_P(LinearSymbols, ReadBackAsSentAtTheToldSize) {
  const LinearCase& c = GetParam();
  EXPECT_EQ(
      CheckSymbol(Barcode(c.system, c.data, c.module, 80, c.hri), c.format, c.text, c.module, 80),
      "")
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    GsK, LinearSymbols,
    ::testing::Values(
        LinearCase{"UPC_A_11", 65, T("12345678901"), "UPC-A", "123456789012", 2, 2},
        LinearCase{"UPC_A_12", 65, T("123456789012"), "UPC-A", "123456789012", 3, 0},
        LinearCase{"UPC_E_from_UPC_A", 66, T("04210000526"), "UPC-E", "04252614", 3, 2},
        LinearCase{"EAN_13", 67, T("490123456789"), "EAN-13", "4901234567894", 2, 1},
        LinearCase{"EAN_8", 68, T("4901234"), "EAN-8", "49012347", 3, 3},
        LinearCase{"Code_39", 69, T("ABC-123"), "Code39", "ABC-123", 2, 2},
        LinearCase{"ITF", 70, T("1234567890"), "ITF", "1234567890", 3, 2},
        LinearCase{"Codabar", 71, T("A40156B"), "Codabar", "A40156B", 2, 2},
        LinearCase{"Code_93", 72, T("CODE 93"), "Code93", "CODE 93", 2, 2},
        LinearCase{"Code_128_A", 73, T("{A12345"), "Code128", "12345", 2, 2},
        LinearCase{"Code_128_B", 73, T("{Bhello"), "Code128", "hello", 3, 2},
        LinearCase{"Code_128_C", 73, T("{C") + B({12, 34, 56}), "Code128", "123456", 4, 0}),
    [](const ::testing::TestParamInfo<LinearCase>& info) { return info.param.name; });

TEST(SymbolTest, TheNulTerminatedFormReadsTheSame) {
  const Bytes stream =
      B({0x1D, 0x68, 60, 0x1D, 0x77, 2, 0x1D, 0x6B, 0}) + T("12345678901") + B({0});
  EXPECT_EQ(CheckSymbol(stream, "UPC-A", "123456789012", 2, 60), "");
}

TEST(SymbolTest, QrCodesFollowTheirSizeAndLevel) {
  const std::string data = "https://example.com/receipt?id=0013";
  const Bytes stream = B({0x1D, 0x28, 0x6B, 3,
                          0,    0x31, 0x43, 5,  // module size 5
                          0x1D, 0x28, 0x6B, 3,
                          0,    0x31, 0x45, 0x31,  // level M
                          0x1D, 0x28, 0x6B, static_cast<int>(data.size() + 3),
                          0,    0x31, 0x50, 0x30}) +
                       T(data) + B({0x1D, 0x28, 0x6B, 3, 0, 0x31, 0x51, 0x30});
  EXPECT_EQ(CheckSymbol(stream, "QRCode", data, 5, 0), "");
}

TEST(SymbolTest, Pdf417FromItsOwnFunctions) {
  const std::string data = "PDF417 on a receipt";
  const Bytes stream = B({0x1D, 0x28, 0x6B, 3,
                          0,    0x30, 0x41, 3,  // 3 columns
                          0x1D, 0x28, 0x6B, 3,
                          0,    0x30, 0x43, 2,  // module width 2
                          0x1D, 0x28, 0x6B, 3,
                          0,    0x30, 0x44, 4,  // rows 4 modules high
                          0x1D, 0x28, 0x6B, static_cast<int>(data.size() + 3),
                          0,    0x30, 0x50, 0x30}) +
                       T(data) + B({0x1D, 0x28, 0x6B, 3, 0, 0x30, 0x51, 0x30});
  EXPECT_EQ(CheckSymbol(stream, "PDF417", data, 2, 0), "");
}

TEST(SymbolTest, Pdf417AndQrThroughEscZ) {
  // As the service object sends PDF417: GS Z 0, then ESC Z m n k dL dH data
  // with the data length in dL dH, the module width from GS w.
  const std::string data = "ESC Z PDF417";
  Bytes stream =
      B({0x1D, 0x77, 3, 0x1D, 0x5A, 0, 0x1B, 0x5A, 1, 3, 2, static_cast<int>(data.size()), 0}) +
      T(data);
  EXPECT_EQ(CheckSymbol(stream, "PDF417", data, 3, 0), "");
  stream = B({0x1D, 0x5A, 2, 0x1B, 0x5A, 0, 'H', 4, static_cast<int>(data.size()), 0}) + T(data);
  EXPECT_EQ(CheckSymbol(stream, "QRCode", data, 4, 0), "");
}

TEST(SymbolTest, TheCheckCatchesAWrongDataByteOrModuleWidth) {
  const Bytes good = Barcode(73, T("{A12345"), 2, 80, 0);
  ASSERT_EQ(CheckSymbol(good, "Code128", "12345", 2, 80), "");
  Bytes wrongByte = good;
  wrongByte[wrongByte.size() - 2] = '9';  // 12395
  EXPECT_NE(CheckSymbol(wrongByte, "Code128", "12345", 2, 80), "");
  Bytes wrongWidth = good;
  wrongWidth[5] = 3;  // GS w 3
  EXPECT_NE(CheckSymbol(wrongWidth, "Code128", "12345", 2, 80), "");
  Bytes wrongHeight = good;
  wrongHeight[2] = 60;  // GS h 60
  EXPECT_NE(CheckSymbol(wrongHeight, "Code128", "12345", 2, 80), "");
}

TEST(SymbolTest, HumanReadableTextGoesAboveOrBelowInTheChosenFont) {
  struct Case {
    Bytes setup;
    int hri;
    int height;  // of the paper
    int barsTop;
  };
  const Case cases[] = {
      {{}, 0, 80, 0},
      {{}, 1, 80 + 2 + 24, 26},                 // above, Font A
      {{}, 2, 80 + 2 + 24, 0},                  // below
      {{}, 3, 80 + 2 * (2 + 24), 26},           // both
      {B({0x1D, 0x66, 1}), 2, 80 + 2 + 17, 0},  // below, Font B
  };
  for (const Case& c : cases) {
    const std::vector<RenderedReceipt> images =
        Render(c.setup + Barcode(65, T("12345678901"), 2, 80, c.hri));
    ASSERT_EQ(images.size(), 1u);
    const CDotImage& paper = images[0].image;
    EXPECT_EQ(paper.height(), c.height) << c.hri;
    // The start guard's first bar, at the left edge, runs the bars' length.
    int top = 0;
    while (top < paper.height() && paper.At(0, top) == 0) ++top;
    EXPECT_EQ(top, c.barsTop) << c.hri;
  }
}

TEST(SymbolTest, DataAPrinterRefusesIsNotPrintedButNoted) {
  struct Case {
    Bytes stream;
    const char* reason;
  };
  const Case cases[] = {
      {Barcode(65, T("123456789013"), 2, 80, 0), "check digit"},
      {Barcode(66, T("12345678901"), 2, 80, 0), "zero-suppress"},
      {Barcode(70, T("12345"), 2, 80, 0), "not accept"},
      {Barcode(73, T("12345"), 2, 80, 0), "code-set selection"},
      {Barcode(73, T("{Aabc"), 2, 80, 0), "outside Code 128 code set A"},
      {Barcode(73, T("{A" + std::string(40, 'X')), 6, 80, 0), "wider than the print area"},
  };
  for (const Case& c : cases) {
    RenderStats stats;
    const std::vector<RenderedReceipt> images = Render(c.stream + T("\n"), &stats);
    EXPECT_EQ(stats.refusedSymbols, 1u) << c.reason;
    ASSERT_EQ(images.size(), 1u) << c.reason;
    EXPECT_EQ(images[0].image.CountPrinted(), 0u) << c.reason;
    ASSERT_EQ(images[0].notes.size(), 1u) << c.reason;
    EXPECT_NE(images[0].notes[0].find(c.reason), std::string::npos)
        << c.reason << ": " << images[0].notes[0];
  }
}

}  // namespace
}  // namespace qvvp
