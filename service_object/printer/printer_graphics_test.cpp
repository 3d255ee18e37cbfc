// Barcodes, bitmaps and page mode of the printer service object, driven
// in-process against the virtual printer over TCP: the bytes each call puts
// on the wire, its result codes, and that failed calls send nothing.
#include <unistd.h>

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/bstr.h"
#include "platform/com/runtime.h"
#include "platform/image/bmp_test_writer.h"
#include "platform/registry/registry.h"
#include "service_object/core/stand_in_control_object.h"
#include "service_object/printer/opos_printer.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/virtual_printer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qvplatform::BmpSpec;
using qvplatform::Bstr;
using qvplatform::MakeBmp;
using qvplatform::RgbQuad;

constexpr char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Graphics";

const Bytes kImmediatePrefix = {0x1B, 0x3D, 0x01, 0x1B, 0x61, 0x00, 0x1D, 0x4C, 0x00,
                                0x00, 0x1B, 0x7B, 0x00, 0x1B, 0x74, 0x00, 0x1B, 0x52,
                                0x00, 0x1C, 0x26, 0x1D, 0x21, 0x00, 0x1C, 0x33, 0x1E};
const Bytes kBufferedPrefix(kImmediatePrefix.begin() + 3, kImmediatePrefix.end());

// Property indexes.
constexpr LONG kDeviceEnabled = 3;
constexpr LONG kBinaryConversion = 11;
constexpr LONG kMapMode = 8013;
constexpr LONG kPageModeHorizontalPosition = 8047;
constexpr LONG kPageModePrintDirection = 8048;
constexpr LONG kPageModeStation = 8049;
constexpr LONG kPageModeVerticalPosition = 8050;
constexpr LONG kPageModePrintArea = 1008012;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes WithoutStatusRequests(const Bytes& stream) {
  Bytes out;
  for (size_t i = 0; i < stream.size(); ++i) {
    if (i + 2 < stream.size() && stream[i] == 0x10 && stream[i + 1] == 0x04 && stream[i + 2] >= 1 &&
        stream[i + 2] <= 4) {
      i += 2;
      continue;
    }
    out.push_back(stream[i]);
  }
  return out;
}

void SetString(const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDeviceKey, KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

std::string LoopbackAddress() {
  static std::atomic<int> next{1};
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         "." + std::to_string(next++);
}

// A raster command header for `bytes_per_row` x `rows`.
Bytes RasterHeader(int bytes_per_row, int rows) {
  return {0x1D,
          0x76,
          0x30,
          0x00,
          static_cast<uint8_t>(bytes_per_row & 0xFF),
          static_cast<uint8_t>(bytes_per_row >> 8),
          static_cast<uint8_t>(rows & 0xFF),
          static_cast<uint8_t>(rows >> 8)};
}

const std::vector<RgbQuad> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

// A 24-bit picture, white with a black `marker` x `marker` square in its top
// left corner.
BmpSpec MarkedPicture(int32_t width, int32_t height, bool top_down, int32_t marker = 4) {
  BmpSpec s;
  s.width = width;
  s.height = height;
  s.bits = 24;
  s.top_down = top_down;
  s.pixel = [marker](int32_t x, int32_t y) {
    return x < marker && y < marker ? 0x000000u : 0xFFFFFFu;
  };
  return s;
}

// The raster rows after a justification and a raster header: for a marked
// picture 16 dots wide, the first four rows are F0 00, the others 00 00.
Bytes MarkedRaster16(int rows) {
  Bytes out = RasterHeader(2, (rows + 7) / 8 * 8);
  for (int r = 0; r < (rows + 7) / 8 * 8; ++r) {
    out.push_back(r < 4 ? 0xF0 : 0x00);
    out.push_back(0x00);
  }
  return out;
}

std::string NibbleText(const std::vector<BYTE>& bytes) {
  std::string text;
  for (BYTE b : bytes) {
    text.push_back(static_cast<char>(0x30 + (b >> 4)));
    text.push_back(static_cast<char>(0x30 + (b & 0x0F)));
  }
  return text;
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class PrinterGraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const std::string address = LoopbackAddress();
    m_virtual = std::make_unique<qvvp::VirtualPrinter>();
    ASSERT_EQ(m_virtual->StartTcp(address, 9100), 0);
    SetString("Model", "80");
    SetString("IOType", "ENet");
    SetString("EthIPAddr", address);
    ASSERT_EQ(
        QVCOposPrinter::CreateInstance(nullptr, IID_IOposPrinter, reinterpret_cast<void**>(&m_itf)),
        S_OK);
    OpenClaimEnable();
  }

  void TearDown() override {
    if (m_itf != nullptr) {
      LONG rc = -1;
      m_itf->CloseService(&rc);
      m_itf->Release();
    }
    m_virtual.reset();
    CoUninitialize();
  }

  void OpenClaimEnable() {
    Bstr deviceClass(u"POSPrinter");
    Bstr deviceName(u"Graphics");
    LONG rc = -1;
    m_itf->OpenService(deviceClass.get(), deviceName.get(), &m_control, &rc);
    ASSERT_EQ(rc, 0);
    m_itf->ClaimDevice(1000, &rc);
    ASSERT_EQ(rc, 0);
    m_itf->SetPropertyNumber(kDeviceEnabled, 1);
    ASSERT_EQ(Number(kDeviceEnabled), 1);
  }

  LONG Number(LONG index) {
    LONG value = -1;
    m_itf->GetPropertyNumber(index, &value);
    return value;
  }
  LONG ResultCode() { return Number(6); }
  LONG ResultCodeExtended() { return Number(7); }
  void SetNumber(LONG index, LONG value) { m_itf->SetPropertyNumber(index, value); }
  void SetText(LONG index, const std::u16string& value) {
    Bstr text(value);
    m_itf->SetPropertyString(index, text.get());
  }

  Bytes Payload() { return WithoutStatusRequests(m_virtual->engine().stream()); }

  // Expects the printer to receive exactly `expected` after what earlier
  // expectations consumed.
  void ExpectSent(const Bytes& expected) {
    const size_t want = m_consumed + expected.size();
    qvplatform::PumpUntil([&] { return Payload().size() >= want; }, 5000);
    Bytes payload = Payload();
    ASSERT_GE(payload.size(), want);
    Bytes got(payload.begin() + static_cast<ptrdiff_t>(m_consumed), payload.end());
    EXPECT_EQ(got, expected);
    m_consumed = payload.size();
  }

  // Expects nothing was sent since the last expectation: a marker job must
  // arrive on its own.
  void ExpectNothingSent() {
    LONG rc = -1;
    Bstr marker(u"|end|");
    m_itf->PrintImmediate(2, marker.get(), &rc);
    ASSERT_EQ(rc, 0);
    ExpectSent(Concat({kImmediatePrefix, Text("|end|")}));
  }

  LONG BarCode(const std::string& data, LONG symbology, LONG height, LONG width, LONG alignment,
               LONG textPosition, LONG station = 2) {
    Bstr text(Wide(data));
    LONG rc = -1;
    m_itf->PrintBarCode(station, text.get(), symbology, height, width, alignment, textPosition,
                        &rc);
    m_extended = ResultCodeExtended();
    return rc;
  }

  std::string WriteBmp(const std::string& name, const std::vector<BYTE>& bytes) {
    std::string path = (m_prefix.root() / name).string();
    qvplatform::WriteFileBytes(path, bytes);
    return path;
  }

  LONG PrintBitmap(const std::string& path, LONG width, LONG alignment) {
    Bstr name(Wide(path));
    LONG rc = -1;
    m_itf->PrintBitmap(2, name.get(), width, alignment, &rc);
    m_extended = ResultCodeExtended();
    return rc;
  }

  LONG SetBitmap(LONG number, const std::string& path, LONG width, LONG alignment) {
    Bstr name(Wide(path));
    LONG rc = -1;
    m_itf->SetBitmap(number, 2, name.get(), width, alignment, &rc);
    m_extended = ResultCodeExtended();
    return rc;
  }

  LONG PrintMemory(const std::string& data, LONG type, LONG width, LONG alignment) {
    Bstr text(Wide(data));
    m_itf->PrintMemoryBitmap(2, text.get(), type, width, alignment);
    return ResultCode();
  }

  void PrintNormal(const std::string& data) {
    Bstr text(Wide(data));
    m_itf->PrintNormal(2, text.get());
    ASSERT_EQ(ResultCode(), 0);
  }

  void PageModePrint(LONG control) { m_itf->PageModePrint(control); }

  TempPrefix m_prefix;
  std::unique_ptr<qvvp::VirtualPrinter> m_virtual;
  CStandInControlObject m_control;
  IOposPrinter* m_itf = nullptr;
  size_t m_consumed = 0;
  // ResultCodeExtended right after the last barcode or bitmap call (reading
  // a property resets both result codes).
  LONG m_extended = -1;
};

// ---- Barcodes --------------------------------------------------------------

TEST_F(PrinterGraphicsTest, BarcodesAreSentWithAlignmentHriHeightAndWidth) {
  struct Case {
    const char* name;
    std::string data;
    LONG symbology, height, width, alignment, textPosition, mapMode;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"UPC-A centred, HRI below", "01234567890", 101, 100, 2, -2, -13, 1,
       Concat({{0x1B, 0x61, 0x01, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x64, 0x1D, 0x77, 0x02, 0x1D, 0x6B,
                0x41, 0x0B},
               Text("01234567890")})},
      {"Code 128 gets {A", "12345", 110, 50, 3, -1, -11, 1, {0x1B, 0x61, 0x00, 0x1D, 0x48, 0x00,
                                                             0x1D, 0x68, 0x32, 0x1D, 0x77, 0x03,
                                                             0x1D, 0x6B, 0x49, 0x07, 0x7B, 0x41,
                                                             0x31, 0x32, 0x33, 0x34, 0x35}},
      {"Code 128 keeps its own code set", "{C1234", 110, 50, 3, -3, -12, 1,
       Concat({{0x1B, 0x61, 0x02, 0x1D, 0x48, 0x01, 0x1D, 0x68, 0x32, 0x1D, 0x77, 0x03, 0x1D, 0x6B,
                0x49, 0x06},
               Text("{C1234")})},
      {"Codabar", "A1234B", 107, 60, 2, -1, -13, 1,
       Concat({{0x1B, 0x61, 0x00, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x3C, 0x1D, 0x77, 0x02, 0x1D, 0x6B,
                0x47, 0x06},
               Text("A1234B")})},
      {"metric height 10", "12345678", 103, 10, 25, -1, -13, 4,
       Concat({{0x1B, 0x61, 0x00, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x00, 0x1D, 0x77, 0x02, 0x1D, 0x6B,
                0x44, 0x08},
               Text("12345678")})},
      {"metric height 1000", "12345678", 108, 1000, 25, -1, -13, 4,
       Concat({{0x1B, 0x61, 0x00, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x50, 0x1D, 0x77, 0x02, 0x1D, 0x6B,
                0x45, 0x08},
               Text("12345678")})},
      // 1440 twips are one inch: 203.2 dots.
      {"twips height of one inch", "123", 109, 1440, 144, 7, -13, 2,
       Concat({{0x1B, 0x61, 0x02, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0xCB, 0x1D, 0x77, 0x14, 0x1D, 0x6B,
                0x48, 0x03},
               Text("123")})},
      {"English height", "1234567890123", 104, 500, 10, -2, -13, 3,
       Concat({{0x1B, 0x61, 0x01, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x65, 0x1D, 0x77, 0x02, 0x1D, 0x6B,
                0x43, 0x0D},
               Text("1234567890123")})},
      {"QR width 20 gives module size 5, level L",
       "12345",
       204,
       100,
       20,
       -2,
       -13,
       4,
       {0x1B, 0x61, 0x01, 0x1D, 0x48, 0x02, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x05, 0x1D,
        0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, 0x30, 0x1D, 0x28, 0x6B, 0x08, 0x00, 0x31, 0x50, 0x30,
        0x31, 0x32, 0x33, 0x34, 0x35, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30}},
      {"QR module size unconverted", "A", 204, 100, 8, -1, -11, 4, {0x1B, 0x61, 0x00, 0x1D, 0x48,
                                                                    0x00, 0x1D, 0x28, 0x6B, 0x03,
                                                                    0x00, 0x31, 0x43, 0x08, 0x1D,
                                                                    0x28, 0x6B, 0x03, 0x00, 0x31,
                                                                    0x45, 0x30, 0x1D, 0x28, 0x6B,
                                                                    0x04, 0x00, 0x31, 0x50, 0x30,
                                                                    0x41, 0x1D, 0x28, 0x6B, 0x03,
                                                                    0x00, 0x31, 0x51, 0x30}},
      {"PDF417 length is the data length", "ABC", 201, 8, 3, -1, -11, 1, {0x1B, 0x61, 0x00, 0x1D,
                                                                          0x48, 0x00, 0x1D, 0x68,
                                                                          0x08, 0x1D, 0x77, 0x03,
                                                                          0x1D, 0x5A, 0x00, 0x1B,
                                                                          0x5A, 0x01, 0x03, 0x02,
                                                                          0x03, 0x00, 0x41, 0x42,
                                                                          0x43}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetNumber(kMapMode, c.mapMode);
    ASSERT_EQ(BarCode(c.data, c.symbology, c.height, c.width, c.alignment, c.textPosition), 0);
    EXPECT_EQ(m_extended, 201);
    ExpectSent(c.expected);
  }
}

TEST_F(PrinterGraphicsTest, RefusedBarcodesSendNothingNowOrWithTheNextJob) {
  struct Case {
    const char* name;
    std::string data;
    LONG symbology;
    LONG station;
  };
  const std::vector<Case> cases = {
      {"Codabar with a start letter inside", "A12B4B", 107, 2},
      {"symbology 105", "12345", 105, 2},
      {"UPC-E not starting with 0", "12345678901", 102, 2},
      {"UPC-A with a letter", "0123456789X", 101, 2},
      {"EAN of 256 bytes", std::string(256, '1'), 104, 2},
      {"Code 128 of one byte", "1", 110, 2},
      {"journal station", "12345", 110, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BarCode(c.data, c.symbology, 100, 2, -2, -13, c.station), 106);
    ExpectNothingSent();
  }
}

TEST_F(PrinterGraphicsTest, BarcodeInsideATransactionIsCollected) {
  LONG rc = -1;
  m_itf->TransactionPrint(2, 11, &rc);
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(BarCode("12345", 110, 50, 3, -1, -11), 0);
  m_itf->TransactionPrint(2, 12, &rc);
  ASSERT_EQ(rc, 0);
  ExpectSent({0x1B, 0x61, 0x00, 0x1D, 0x48, 0x00, 0x1D, 0x68, 0x32, 0x1D, 0x77, 0x03,
              0x1D, 0x6B, 0x49, 0x07, 0x7B, 0x41, 0x31, 0x32, 0x33, 0x34, 0x35});
}

// ---- Bitmaps ---------------------------------------------------------------

TEST_F(PrinterGraphicsTest, PrintBitmapExamplesByteForByte) {
  BmpSpec black;
  black.width = 8;
  black.height = 8;
  black.bits = 1;
  black.palette = kBlackWhite;
  black.pixel = [](int32_t, int32_t) { return 0u; };
  ASSERT_EQ(PrintBitmap(WriteBmp("black.bmp", MakeBmp(black)), -11, -1), 0);
  EXPECT_EQ(m_extended, 201);
  ExpectSent(Concat({{0x1B, 0x61, 0x00}, RasterHeader(1, 8), Bytes(8, 0xFF)}));

  BmpSpec white;
  white.width = 24;
  white.height = 5;
  white.pixel = [](int32_t, int32_t) { return 0xFFFFFFu; };
  ASSERT_EQ(PrintBitmap(WriteBmp("white.bmp", MakeBmp(white)), -11, -2), 0);
  ExpectSent(Concat({{0x1B, 0x61, 0x01}, RasterHeader(3, 8), Bytes(24, 0x00)}));

  // 13 dots wide: two bytes a row, the last three bits blank.
  BmpSpec narrow = black;
  narrow.width = 13;
  ASSERT_EQ(PrintBitmap(WriteBmp("narrow.bmp", MakeBmp(narrow)), -11, -3), 0);
  Bytes rows;
  for (int r = 0; r < 8; ++r) rows.insert(rows.end(), {0xFF, 0xF8});
  ExpectSent(Concat({{0x1B, 0x61, 0x02}, RasterHeader(2, 8), rows}));

  // 10 rows high: 16 raster rows, the last six blank.
  BmpSpec tall = black;
  tall.height = 10;
  ASSERT_EQ(PrintBitmap(WriteBmp("tall.bmp", MakeBmp(tall)), -11, -1), 0);
  ExpectSent(Concat({{0x1B, 0x61, 0x00}, RasterHeader(1, 16), Bytes(10, 0xFF), Bytes(6, 0x00)}));
}

TEST_F(PrinterGraphicsTest, PrintBitmapRescalesToTheWantedWidth) {
  BmpSpec s = MarkedPicture(100, 50, false);
  const std::string path = WriteBmp("wide.bmp", MakeBmp(s));
  SetNumber(kMapMode, 1);
  ASSERT_EQ(PrintBitmap(path, 200, -1), 0);
  // 200 dots: 25 bytes a row; twice the height, 100 rows, padded to 104.
  const Bytes header = Concat({{0x1B, 0x61, 0x00}, RasterHeader(25, 104)});
  qvplatform::PumpUntil([&] { return Payload().size() >= header.size() + 25 * 104; }, 5000);
  Bytes payload = Payload();
  ASSERT_EQ(payload.size(), header.size() + 25 * 104);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), payload.begin()));
  m_consumed = payload.size();
  // Metric: 25 mm are 200 dots.
  SetNumber(kMapMode, 4);
  ASSERT_EQ(PrintBitmap(path, 2500, -1), 0);
  qvplatform::PumpUntil([&] { return Payload().size() >= m_consumed + header.size(); }, 5000);
  payload = Payload();
  EXPECT_TRUE(std::equal(header.begin(), header.end(),
                         payload.begin() + static_cast<ptrdiff_t>(m_consumed)));
}

TEST_F(PrinterGraphicsTest, EveryMethodPrintsPicturesUpright) {
  for (bool top_down : {false, true}) {
    SCOPED_TRACE(top_down ? "top-down file" : "bottom-up file");
    const std::vector<BYTE> file = MakeBmp(MarkedPicture(16, 12, top_down));
    const std::string path = WriteBmp("marked.bmp", file);
    const Bytes expected = Concat({{0x1B, 0x61, 0x00}, MarkedRaster16(12)});

    ASSERT_EQ(PrintBitmap(path, -11, -1), 0);
    ExpectSent(expected);

    ASSERT_EQ(SetBitmap(1, path, -11, -1), 0);
    EXPECT_EQ(m_extended, 207);
    PrintNormal("\x1b|1B");
    ExpectSent(Concat({kImmediatePrefix, expected}));

    SetNumber(kBinaryConversion, 1);
    EXPECT_EQ(PrintMemory(NibbleText(file), 1, -11, -1), 0);
    SetNumber(kBinaryConversion, 0);
    ExpectSent(expected);
  }
}

TEST_F(PrinterGraphicsTest, PrintMemoryBitmapDecodesAPngWithNibbleConversion) {
  // 16 x 12 white, a black 4 x 4 marker top left, a transparent column at x 15
  // that must print as white.
  std::vector<BYTE> rgba(16 * 12 * 4, 255);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      BYTE* p = &rgba[(y * 16 + x) * 4];
      if (x < 4 && y < 4) p[0] = p[1] = p[2] = 0;
      if (x == 15) p[0] = p[1] = p[2] = p[3] = 0;  // transparent black
    }
  }
  std::vector<BYTE> bytes;
  ASSERT_TRUE(stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<BYTE>*>(context);
        out->insert(out->end(), static_cast<BYTE*>(data), static_cast<BYTE*>(data) + size);
      },
      &bytes, 16, 12, 4, rgba.data(), 16 * 4));
  SetNumber(kBinaryConversion, 1);
  EXPECT_EQ(PrintMemory(NibbleText(bytes), 1, -11, -2), 0);
  ExpectSent(Concat({{0x1B, 0x61, 0x01}, MarkedRaster16(12)}));

  // Type other than BMP and data that is no picture: 106, nothing sent.
  EXPECT_EQ(PrintMemory(NibbleText(bytes), 2, -11, -2), 106);
  EXPECT_EQ(PrintMemory(NibbleText({'n', 'o', 'p', 'e'}), 1, -11, -2), 106);
  SetNumber(kBinaryConversion, 0);
  ExpectNothingSent();
}

TEST_F(PrinterGraphicsTest, PicturesThatCannotBePrintedSendNothing) {
  const std::vector<BYTE> good = MakeBmp(MarkedPicture(16, 12, false));
  std::vector<BYTE> truncated(good.begin(), good.end() - 40);
  std::vector<BYTE> huge = good;
  for (int at : {18, 22}) {  // 100000 x 100000 pixels declared
    huge[at] = 0xA0;
    huge[at + 1] = 0x86;
    huge[at + 2] = 0x01;
    huge[at + 3] = 0x00;
  }
  EXPECT_EQ(PrintBitmap(WriteBmp("cut.bmp", truncated), -11, -1), 106);
  EXPECT_EQ(PrintBitmap(WriteBmp("huge.bmp", huge), -11, -1), 106);
  EXPECT_EQ(PrintBitmap(WriteBmp("text.bmp", {'h', 'e', 'l', 'l', 'o'}), -11, -1), 106);
  // Rescaled beyond the raster command's width.
  EXPECT_EQ(PrintBitmap(WriteBmp("good.bmp", good), 600000, -1), 106);
  EXPECT_EQ(PrintBitmap((m_prefix.root() / "missing.bmp").string(), -11, -1), 109);
  LONG rc = -1;
  Bstr name(Wide(WriteBmp("good.bmp", good)));
  m_itf->PrintBitmap(1, name.get(), -11, -1, &rc);
  EXPECT_EQ(rc, 106) << "journal station";
  ExpectNothingSent();
}

TEST_F(PrinterGraphicsTest, SetBitmapChecksAndTheStoredTable) {
  const std::string path = WriteBmp("marked.bmp", MakeBmp(MarkedPicture(16, 12, false)));
  EXPECT_EQ(SetBitmap(0, path, -11, -1), 106);
  EXPECT_EQ(SetBitmap(21, path, -11, -1), 106);
  EXPECT_EQ(SetBitmap(3, path, -11, -4), 106);
  EXPECT_EQ(SetBitmap(3, (m_prefix.root() / "missing.bmp").string(), -11, -1), 109);
  EXPECT_EQ(SetBitmap(3, WriteBmp("text.bmp", {'x'}), -11, -1), 109);
  ASSERT_EQ(SetBitmap(3, path, -11, -1), 0);
  EXPECT_EQ(m_extended, 207);
  ExpectNothingSent();

  PrintNormal("a\x1b|3Bb");
  ExpectSent(
      Concat({kImmediatePrefix, Text("a"), {0x1B, 0x61, 0x00}, MarkedRaster16(12), Text("b")}));

  LONG rc = -1;
  m_itf->CloseService(&rc);
  ASSERT_EQ(rc, 0);
  OpenClaimEnable();
  PrintNormal("a\x1b|3Bb");
  ExpectSent(Concat({kImmediatePrefix, Text("ab")}));
}

// ---- Page mode -------------------------------------------------------------

// The page header for an area, a direction byte and zero positions.
Bytes PageHeader(Bytes area, uint8_t direction) {
  return Concat({{0x1B, 0x4C, 0x1B, 0x57},
                 area,
                 {0x1B, 0x54, direction},
                 {0x1C, 0x26, 0x1B, 0x74, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x24, 0x00, 0x00, 0x1D,
                  0x24, 0x00, 0x00}});
}

TEST_F(PrinterGraphicsTest, PageModeStreams) {
  SetNumber(kPageModeStation, 2);
  PageModePrint(1);
  PrintNormal("Hi");
  PageModePrint(3);
  ASSERT_EQ(ResultCode(), 0);
  ExpectSent(Concat({PageHeader({0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x24, 0x06}, 0x30),
                     kBufferedPrefix,
                     Text("Hi"),
                     {0x0C}}));
  PageModePrint(3);  // the second PTR_PM_NORMAL does nothing
  ASSERT_EQ(ResultCode(), 0);
  ExpectNothingSent();

  SetText(kPageModePrintArea, u"0,0,576,800");
  SetNumber(kPageModePrintDirection, 3);
  PageModePrint(1);
  PrintNormal("X");
  PageModePrint(3);
  ExpectSent(Concat({PageHeader({0x00, 0x00, 0x00, 0x00, 0x40, 0x02, 0x20, 0x03}, 0x32),
                     kBufferedPrefix,
                     Text("X"),
                     {0x0C}}));
}

TEST_F(PrinterGraphicsTest, PageAreaPositionsAndDirectionsInMapUnits) {
  SetNumber(kPageModeStation, 2);
  SetNumber(kMapMode, 4);  // metric: 0.01 mm, 8 dots a millimetre
  SetText(kPageModePrintArea, u"10,20,7200,10000");
  SetNumber(kPageModePrintDirection, 2);
  SetNumber(kPageModeHorizontalPosition, 4000);  // 320 dots: 01 40
  SetNumber(kPageModeVerticalPosition, -4000);   // -320: remainder -64, quotient -1
  PageModePrint(1);
  PrintNormal("Y");
  PageModePrint(3);
  ExpectSent(Concat({{0x1B, 0x4C, 0x1B, 0x57, 0x0A, 0x00, 0x14, 0x00, 0x40, 0x02, 0x20, 0x03},
                     {0x1B, 0x54, 0x31},
                     {0x1C, 0x26, 0x1B, 0x74, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x24, 0x40, 0x01, 0x1D,
                      0x24, 0xC0, 0xFF},
                     kBufferedPrefix,
                     Text("Y"),
                     {0x0C}}));
}

TEST_F(PrinterGraphicsTest, PrintSaveSendsThePageAndKeepsIt) {
  SetNumber(kPageModeStation, 2);
  PageModePrint(1);
  PrintNormal("S");
  PageModePrint(2);
  const Bytes page = Concat({PageHeader({0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x24, 0x06}, 0x30),
                             kBufferedPrefix,
                             Text("S"),
                             {0x0C}});
  ExpectSent(page);
  PageModePrint(3);  // the same page again, then its own page end
  ExpectSent(Concat({page, {0x0C}}));
}

TEST_F(PrinterGraphicsTest, CancelSendsOnlyStandardModeAndDropsThePage) {
  SetNumber(kPageModeStation, 2);
  PageModePrint(1);
  PrintNormal("dropped");
  PageModePrint(4);
  ASSERT_EQ(ResultCode(), 0);
  ExpectSent({0x1B, 0x53});
  ExpectNothingSent();
}

TEST_F(PrinterGraphicsTest, ClearPrintAreaEndsThePageAndStaysInPageMode) {
  LONG rc = -1;
  m_itf->ClearPrintArea(&rc);
  EXPECT_EQ(rc, 106) << "PageModeStation 0";
  SetNumber(kPageModeStation, 2);
  m_itf->ClearPrintArea(&rc);
  EXPECT_EQ(rc, 0) << "outside page mode: nothing sent";
  ExpectNothingSent();

  PageModePrint(1);
  PrintNormal("gone");
  m_itf->ClearPrintArea(&rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ResultCodeExtended(), 201);
  ExpectSent({0x1B, 0x53});
  PrintNormal("kept");  // still collecting
  PageModePrint(3);
  ExpectSent(Concat({PageHeader({0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x24, 0x06}, 0x30),
                     kBufferedPrefix,
                     Text("kept"),
                     {0x0C}}));
}

TEST_F(PrinterGraphicsTest, DrawRuledLineIsNotSupported) {
  LONG rc = -1;
  Bstr positions(u"0,100");
  m_itf->DrawRuledLine(2, positions.get(), 1, 1, 1, 1, &rc);
  EXPECT_EQ(rc, 104);
  m_itf->DrawRuledLine(1, positions.get(), 1, 1, 1, 1, &rc);
  EXPECT_EQ(rc, 106);
  ExpectNothingSent();
}

TEST_F(PrinterGraphicsTest, DisabledAndUnclaimedAreReported) {
  m_itf->SetPropertyNumber(kDeviceEnabled, 0);
  LONG rc = -1;
  m_itf->DrawRuledLine(2, nullptr, 1, 1, 1, 1, &rc);
  EXPECT_EQ(rc, 105);
  m_itf->PageModePrint(1);
  EXPECT_EQ(ResultCode(), 105);
  m_itf->ReleaseDevice(&rc);
  ASSERT_EQ(rc, 0);
  m_itf->ClearPrintArea(&rc);
  EXPECT_EQ(rc, 103);
  EXPECT_EQ(PrintMemory("x", 1, -11, -1), 103);
}

}  // namespace
