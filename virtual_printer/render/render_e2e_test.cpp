// The printer service object of libQVSO.so, driven through the control
// objects, prints to the virtual printer over TCP with rendering on; the
// rendered paper is read back: barcodes, QR codes and PDF417 by ZXing-C++,
// text against the font files, pictures against the raster bytes sent.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/device_actions.h"
#include "common/receipt/sample_receipt.h"
#include "common/toolreg/device_save.h"
#include "control_objects/opos_device.h"
#include "platform/base/clock.h"
#include "platform/com/runtime.h"
#include "platform/image/bmp_test_writer.h"
#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/render/bitmap_font.h"
#include "virtual_printer/render/render_service.h"
#include "virtual_printer/render/symbol_reader.h"
#include "virtual_printer/virtual_printer.h"

namespace qvvp {
namespace {

constexpr int32_t kStation = 2;
constexpr int64_t kWaitMs = 20000;
const char* const kFontA = "/usr/share/fonts/X11/misc/ter-u24n_unicode.pcf.gz";
const char* const kFontABold = "/usr/share/fonts/X11/misc/ter-u24b_unicode.pcf.gz";
const char* const kFontBBold = "/usr/share/fonts/X11/misc/ter-u16b_unicode.pcf.gz";
const char* const kUnifont = "/usr/share/fonts/X11/misc/unifont.pcf.gz";

std::string LoopbackAddress() {
  static std::atomic<int> next{1};
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         "." + std::to_string(100 + next++);
}

CDotImage Crop(const CDotImage& image, int x, int y, int width, int height) {
  return image.Cropped(x, y, width, height);
}

CDotImage Glyph(const char* file, char32_t codepoint) {
  std::string error;
  std::unique_ptr<CBitmapFont> font = CBitmapFont::Open(file, &error);
  EXPECT_TRUE(font) << error;
  const CDotImage* glyph = font ? font->Glyph(codepoint) : nullptr;
  return glyph != nullptr ? *glyph : CDotImage();
}

// Leftmost and rightmost printed columns.
std::pair<int, int> PrintedColumns(const CDotImage& paper) {
  int left = paper.width(), right = -1;
  for (int y = 0; y < paper.height(); ++y) {
    for (int x = 0; x < paper.width(); ++x) {
      if (paper.Row(y)[x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return {left, right};
}

class RenderEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.05);
    m_apartment = std::make_unique<qvopos::Apartment>();
    ASSERT_TRUE(m_apartment->ok());
    m_library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);

    std::string error;
    m_render = CRenderService::Start(RenderOptions(), &error);
    ASSERT_TRUE(m_render) << error;
    m_render->Attach(m_printer.engine());
    const std::string address = LoopbackAddress();
    ASSERT_EQ(m_printer.StartTcp(address, 9100), 0);
    qvtoolreg::PrinterSaveRequest request;
    request.ldn = u"Front";
    request.interfaceType = qvtoolreg::kIoTypeENet;
    request.ipAddress = qvplatform::Utf8ToWide(address);
    ASSERT_EQ(qvtoolreg::SavePrinter(request).status, qvtoolreg::SaveStatus::kSaved);
    m_device = std::make_unique<qvopos::PosPrinter>();
    std::string reason;
    ASSERT_TRUE(qvcli::OpenClaimEnable(m_device.get(), u"Front", &reason)) << reason;
  }

  void TearDown() override {
    if (m_device) qvcli::DisableReleaseClose(m_device.get());
    m_device.reset();
    m_printer.Stop();
    m_render.reset();
    CoFreeUnusedLibraries();
    if (m_library != nullptr) dlclose(m_library);
    m_apartment.reset();
  }

  qvopos::PosPrinter& printer() { return *m_device; }

  // Cuts, then waits for the image that cut ends.
  RenderedReceipt CutAndRender() {
    const size_t before = m_render->Images().size();
    EXPECT_EQ(printer().CutPaper(100), 0);
    const bool rendered = m_printer.engine().WaitFor(
        [&] { return m_render->WaitIdle(kWaitMs) && m_render->Images().size() > before; }, kWaitMs);
    EXPECT_TRUE(rendered) << "no image after the cut";
    if (!rendered) return {};
    return m_render->Images().back();
  }

  TempPrefix m_prefix;
  std::unique_ptr<qvopos::Apartment> m_apartment;
  VirtualPrinter m_printer;
  std::unique_ptr<CRenderService> m_render;
  std::unique_ptr<qvopos::PosPrinter> m_device;
  void* m_library = nullptr;
};

struct BarcodeCase {
  const char* name;
  int32_t symbology;
  const char16_t* data;
  const char* format;
  const char* text;
  int32_t width;  // the OPOS Width: module width in dots (QR: module size)
  int32_t alignment;
  int32_t textPosition;
};

class PrintBarCodeEndToEnd : public RenderEndToEnd,
                             public ::testing::WithParamInterface<BarcodeCase> {};

TEST_P(PrintBarCodeEndToEnd, EverySymbologyReadsBackAtItsSizeAndPlace) {
  const BarcodeCase& c = GetParam();
  const bool linear = c.symbology < 200;
  printer().Set(u"MapMode", 1);
  ASSERT_EQ(printer().PrintBarCode(kStation, c.data, c.symbology, 80, c.width, c.alignment,
                                   c.textPosition),
            0);
  const RenderedReceipt receipt = CutAndRender();
  // PDF417 rows are twice the module width high, QR modules square.
  EXPECT_EQ(test::CheckOneSymbol(receipt.image, c.format, c.text, c.width, linear ? 80 : 0), "")
      << c.name;
  const auto [left, right] = PrintedColumns(receipt.image);
  if (c.alignment == -1) {
    EXPECT_EQ(left, 0) << c.name;
  } else if (c.alignment == -2) {
    EXPECT_LE(std::abs(left - (575 - right)), 1) << c.name << " " << left << ".." << right;
  } else {
    // A symbol may end in a blank module (Codabar's gap after its stop).
    EXPECT_GE(right, 575 - 2 * c.width) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Symbologies, PrintBarCodeEndToEnd,
    ::testing::Values(
        BarcodeCase{"UPCA", 101, u"12345678901", "UPC-A", "123456789012", 2, -2, -13},
        BarcodeCase{"UPCE", 102, u"04210000526", "UPC-E", "04252614", 3, -1, -13},
        BarcodeCase{"JAN8", 103, u"4901234", "EAN-8", "49012347", 3, -3, -12},
        BarcodeCase{"JAN13", 104, u"490123456789", "EAN-13", "4901234567894", 2, -2, -11},
        BarcodeCase{"ITF", 106, u"1234567890", "ITF", "1234567890", 2, -1, -13},
        BarcodeCase{"Codabar", 107, u"A40156B", "Codabar", "A40156B", 2, 100, -13},
        BarcodeCase{"Code39", 108, u"ABC-123", "Code39", "ABC-123", 2, -2, -13},
        BarcodeCase{"Code93", 109, u"CODE 93", "Code93", "CODE 93", 2, -2, -13},
        BarcodeCase{"Code128", 110, u"12345", "Code128", "12345", 2, -2, -13},
        BarcodeCase{"Code128CodeSetB", 110, u"{Bhello", "Code128", "hello", 3, -3, -13},
        BarcodeCase{"PDF417", 201, u"PDF417 through OPOS", "PDF417", "PDF417 through OPOS", 3, -2,
                    -11},
        BarcodeCase{"QR", 204, u"https://example.com/r/0013", "QRCode",
                    "https://example.com/r/0013", 4, -1, -11}),
    [](const ::testing::TestParamInfo<BarcodeCase>& info) { return info.param.name; });

TEST_F(RenderEndToEnd, MetricSizesBecomeDots) {
  // 10 mm high, 0.25 mm modules: 80 dots and 2 dots.
  printer().Set(u"MapMode", 4);
  ASSERT_EQ(printer().PrintBarCode(kStation, u"490123456789", 104, 1000, 25, -2, -13), 0);
  const RenderedReceipt receipt = CutAndRender();
  EXPECT_EQ(test::CheckOneSymbol(receipt.image, "EAN-13", "4901234567894", 2, 80), "");
}

TEST_F(RenderEndToEnd, SidewaysBarcodesReadBackInEachRotation) {
  // Left 90, right 90 and upside down, each with the barcode flag.
  for (int32_t rotation : {0x1102, 0x1101, 0x1103}) {
    printer().Set(u"MapMode", 1);
    ASSERT_EQ(printer().RotatePrint(kStation, rotation), 0);
    ASSERT_EQ(printer().PrintBarCode(kStation, u"SIDEWAYS-42", 108, 80, 2, -2, -13), 0);
    ASSERT_EQ(printer().RotatePrint(kStation, 1), 0);
    const RenderedReceipt receipt = CutAndRender();
    EXPECT_EQ(test::CheckOneSymbol(receipt.image, "Code39", "SIDEWAYS-42", 2, 80), "")
        << std::hex << rotation;
  }
}

TEST_F(RenderEndToEnd, TheSampleReceiptsBarcodeReadsBack) {
  qvreceipt::SampleReceiptCallbacks callbacks;
  callbacks.outputFailed = [](int32_t) { return qvreceipt::OutputFailureAnswer::kAbort; };
  callbacks.waitUntil = [this](const std::function<bool()>& done, int64_t timeoutMs) {
    return m_apartment->PumpUntil(done, timeoutMs);
  };
  callbacks.stayedBusy = [](int32_t) {};
  const qvreceipt::SampleReceiptResult receipt =
      qvreceipt::PrintSampleReceipt(printer(), 1765368000, callbacks);
  ASSERT_EQ(receipt.stop, qvreceipt::ReceiptStop::kCompleted);
  ASSERT_EQ(receipt.resultCode, 0);
  ASSERT_FALSE(receipt.aborted);
  ASSERT_TRUE(m_printer.engine().WaitFor(
      [&] { return m_render->WaitIdle(kWaitMs) && !m_render->Images().empty(); }, kWaitMs));
  const std::vector<RenderedReceipt> images = m_render->Images();
  ASSERT_EQ(images.size(), 1u);
  const std::optional<test::ReadSymbol> symbol = test::ReadFirstSymbol(images[0].image);
  ASSERT_TRUE(symbol);
  EXPECT_EQ(symbol->format, "UPC-A");
  EXPECT_EQ(symbol->text, "123456789012");
  // "Receipt" runs up the page sideways in double size: its R stands at the
  // bottom left of the 512 x 1152 page, turned counter-clockwise.
  const CDotImage r = Glyph(kFontABold, 'R');
  CDotImage expected(48, 24);
  expected.DrawScaled(r.Rotated180().RotatedClockwise(), 0, 0, 2, 2);
  EXPECT_EQ(Crop(images[0].image, 21, 1152 - 24, 48, 24), expected);
}

TEST_F(RenderEndToEnd, TextLandsInItsCells) {
  // A centred, emphasized, double-width line; then, in the next call, a
  // Font B line.
  ASSERT_EQ(printer().PrintNormal(kStation, u"\x1b|cA\x1b|bC\x1b|2CTotal\n"), 0);
  ASSERT_EQ(printer().PrintNormal(kStation, u"\x1b|1fTAb\n"), 0);
  const RenderedReceipt receipt = CutAndRender();
  const CDotImage& paper = receipt.image;
  const int left = (576 - 5 * 24) / 2;
  const std::u16string total = u"Total";
  for (size_t i = 0; i < total.size(); ++i) {
    CDotImage expected(24, 24);
    expected.DrawScaled(Glyph(kFontABold, total[i]), 0, 0, 2, 1);
    EXPECT_EQ(Crop(paper, left + static_cast<int>(i) * 24, 0, 24, 24), expected) << i;
  }
  // The next call's print prefix sets left alignment and normal size again;
  // emphasis stays on in the printer (a fresh translation does not turn it
  // off), so "Ab" is Font B, bold, at the left.
  EXPECT_EQ(Crop(paper, 0, 30, 9, 17), Crop(Glyph(kFontBBold, 'A'), 0, 0, 9, 17));
  EXPECT_EQ(Crop(paper, 9, 30, 9, 17), Crop(Glyph(kFontBBold, 'b'), 0, 0, 9, 17));
}

TEST_F(RenderEndToEnd, ChineseTextUnderCodePage936) {
  const char* previous = getenv("QV_OPOS_CODEPAGE");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("QV_OPOS_CODEPAGE", "936", 1);
  const int32_t rc = printer().PrintNormal(kStation, u"中文A\n");
  if (previous != nullptr) {
    setenv("QV_OPOS_CODEPAGE", saved.c_str(), 1);
  } else {
    unsetenv("QV_OPOS_CODEPAGE");
  }
  ASSERT_EQ(rc, 0);
  const RenderedReceipt receipt = CutAndRender();
  CDotImage zhong(24, 24), wen(24, 24);
  zhong.Draw(Glyph(kUnifont, U'中'), 4, 4);
  wen.Draw(Glyph(kUnifont, U'文'), 4, 4);
  EXPECT_EQ(Crop(receipt.image, 0, 0, 24, 24), zhong);
  EXPECT_EQ(Crop(receipt.image, 24, 0, 24, 24), wen);
  EXPECT_EQ(Crop(receipt.image, 48, 0, 12, 24), Glyph(kFontA, 'A'));
}

TEST_F(RenderEndToEnd, PrintBitmapRendersTheDotsItSent) {
  // 100 x 60: a black frame, a diagonal and a checkered block.
  qvplatform::BmpSpec spec;
  spec.width = 100;
  spec.height = 60;
  spec.pixel = [](int32_t x, int32_t y) -> uint32_t {
    const bool black =
        x == 0 || y == 0 || x == 99 || y == 59 || x == y || (x > 60 && y > 20 && (x + y) % 2 == 0);
    return black ? 0x000000u : 0xFFFFFFu;
  };
  const std::string file = (m_prefix.root() / "picture.bmp").string();
  const std::vector<BYTE> bmp = qvplatform::MakeBmp(spec);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  for (int32_t alignment : {-1, -2}) {
    m_printer.engine().ClearRecord();
    ASSERT_EQ(printer().PrintBitmap(kStation, qvplatform::Utf8ToWide(file), -11, alignment), 0);
    const RenderedReceipt receipt = CutAndRender();
    // The raster command as it arrived: GS v 0 0 xL xH yL yH and the rows.
    std::vector<uint8_t> raster;
    for (const ParsedCommand& command : m_printer.engine().commands()) {
      if (command.name == "GS v 0") raster = command.bytes;
    }
    ASSERT_GE(raster.size(), 8u);
    const int rowBytes = raster[4] | (raster[5] << 8);
    const int rows = raster[6] | (raster[7] << 8);
    ASSERT_EQ(raster.size(), 8u + static_cast<size_t>(rowBytes) * rows);
    const int left = alignment == -1 ? 0 : (576 - rowBytes * 8) / 2;
    CDotImage sent(rowBytes * 8, rows);
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < rowBytes * 8; ++x) {
        sent.Set(x, y, (raster[8 + y * rowBytes + x / 8] >> (7 - x % 8)) & 1);
      }
    }
    EXPECT_EQ(Crop(receipt.image, left, 0, sent.width(), sent.height()), sent) << alignment;
    EXPECT_EQ(receipt.image.CountPrinted(), sent.CountPrinted());
    EXPECT_GT(sent.CountPrinted(), 300u);
  }
}

TEST_F(RenderEndToEnd, PageModeDirectionsPlaceTextFromTheirCorner) {
  // Area 0,0 400 x 300 in dots; OPOS directions 1 to 4 are ESC T 0, 1, 2, 3.
  struct Case {
    int32_t direction;
    int x, y, w, h;  // where "A" lands
    int turn;        // 0 upright, 1 counter-clockwise, 2 upside down, 3 clockwise
  };
  const Case cases[] = {
      {1, 0, 0, 12, 24, 0},
      {2, 0, 300 - 12, 24, 12, 1},
      {3, 400 - 12, 300 - 24, 12, 24, 2},
      {4, 400 - 24, 0, 24, 12, 3},
  };
  for (const Case& c : cases) {
    printer().Set(u"MapMode", 1);
    printer().Set(u"PageModeStation", kStation);
    printer().Set(u"PageModePrintArea", u"0,0,400,300");
    printer().Set(u"PageModePrintDirection", c.direction);
    ASSERT_EQ(printer().Call(u"PageModePrint", {1}).resultCode, 0);
    ASSERT_EQ(printer().PrintNormal(kStation, u"A"), 0);
    ASSERT_EQ(printer().Call(u"PageModePrint", {3}).resultCode, 0);
    const RenderedReceipt receipt = CutAndRender();
    CDotImage a = Glyph(kFontA, 'A');
    if (c.turn == 1) a = a.Rotated180().RotatedClockwise();
    if (c.turn == 2) a = a.Rotated180();
    if (c.turn == 3) a = a.RotatedClockwise();
    EXPECT_EQ(receipt.image.height(), 300) << c.direction;
    EXPECT_EQ(Crop(receipt.image, c.x, c.y, c.w, c.h), a) << c.direction;
    EXPECT_EQ(receipt.image.CountPrinted(), a.CountPrinted()) << c.direction;
  }
}

}  // namespace
}  // namespace qvvp
