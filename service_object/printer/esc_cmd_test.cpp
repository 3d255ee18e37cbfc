#include "service_object/printer/esc_cmd.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service_object/core/errors.h"

namespace {

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

struct FixedCase {
  const char* name;
  std::function<LONG(Cmd&)> op;
  const char* expected;
};

TEST(EscCmdTest, EveryOperationAppendsItsExactBytes) {
  const std::vector<FixedCase> cases = {
      {"Initialize", [](Cmd& c) { return c.Initialize(); }, "1B 40"},
      {"RequestPrinterId", [](Cmd& c) { return c.RequestPrinterId(); }, "1D 49 01 1D 49 02"},
      {"RequestPrinterInfo", [](Cmd& c) { return c.RequestPrinterInfo(); },
       "1D 49 41 1D 49 42 1D 49 43 1D 49 44 1D 49 45"},
      {"SetEmphasized", [](Cmd& c) { return c.SetEmphasized(1); }, "1B 45 01"},
      {"SelectPeripheral", [](Cmd& c) { return c.SelectPeripheral(1); }, "1B 3D 01"},
      {"SelectCodeTable", [](Cmd& c) { return c.SelectCodeTable(0); }, "1B 74 00"},
      {"SetParameterBlock", [](Cmd& c) { return c.SetParameterBlock(1, 2, 3, 4); },
       "1D 28 30 06 00 01 02 03 04"},
      {"SetDoubleStrike", [](Cmd& c) { return c.SetDoubleStrike(1); }, "1B 47 01"},
      {"SetUnderline", [](Cmd& c) { return c.SetUnderline(2); }, "1B 2D 02"},
      {"SetCharacterSize", [](Cmd& c) { return c.SetCharacterSize(0x11); }, "1D 21 11"},
      {"FeedDots", [](Cmd& c) { return c.FeedDots(254); }, "1B 4A FE"},
      {"FeedLines", [](Cmd& c) { return c.FeedLines(46); }, "1B 64 2E"},
      {"SelectInternationalSet", [](Cmd& c) { return c.SelectInternationalSet(0); }, "1B 52 00"},
      {"SetUpsideDown", [](Cmd& c) { return c.SetUpsideDown(1); }, "1B 7B 01"},
      {"SetRotate90", [](Cmd& c) { return c.SetRotate90(1); }, "1B 56 01"},
      {"Reserved", [](Cmd& c) { return c.Reserved(7); }, ""},
      {"SelectFont", [](Cmd& c) { return c.SelectFont(1); }, "1B 4D 01"},
      {"SetLeftMargin", [](Cmd& c) { return c.SetLeftMargin(0, 0); }, "1D 4C 00 00"},
      {"SetPrintAreaWidth", [](Cmd& c) { return c.SetPrintAreaWidth(0x40, 0x02); }, "1D 57 40 02"},
      {"SelectKanjiMode", [](Cmd& c) { return c.SelectKanjiMode(); }, "1C 26"},
      {"SetFs3", [](Cmd& c) { return c.SetFs3(30); }, "1C 33 1E"},
      {"SetJustification", [](Cmd& c) { return c.SetJustification(2); }, "1B 61 02"},
      {"CutOnePointLeft", [](Cmd& c) { return c.CutOnePointLeft(); }, "1B 69"},
      {"CutThreePointsLeft", [](Cmd& c) { return c.CutThreePointsLeft(); }, "1B 6D"},
      {"SetAbsolutePosition", [](Cmd& c) { return c.SetAbsolutePosition(0x10, 0x01); },
       "1B 24 10 01"},
      {"SetAbsoluteVerticalPosition",
       [](Cmd& c) { return c.SetAbsoluteVerticalPosition(0x20, 0x00); }, "1D 24 20 00"},
      {"SelectStandardMode", [](Cmd& c) { return c.SelectStandardMode(); }, "1B 53"},
      {"SelectPageMode", [](Cmd& c) { return c.SelectPageMode(); }, "1B 4C"},
      {"PrintPage", [](Cmd& c) { return c.PrintPage(); }, "0C"},
      {"SetPageArea sideways page", [](Cmd& c) { return c.SetPageArea(0, 0, 512, 744); },
       "1B 57 00 00 00 00 00 02 E8 02"},
      {"SetPageArea default page", [](Cmd& c) { return c.SetPageArea(0, 0, 512, 1572); },
       "1B 57 00 00 00 00 00 02 24 06"},
      {"SetPageArea receipt", [](Cmd& c) { return c.SetPageArea(0, 0, 576, 800); },
       "1B 57 00 00 00 00 40 02 20 03"},
      {"SetBarcodeHeight", [](Cmd& c) { return c.SetBarcodeHeight(100); }, "1D 68 64"},
      {"SetBarcodeModuleWidth", [](Cmd& c) { return c.SetBarcodeModuleWidth(2); }, "1D 77 02"},
      {"GeneratePulseRealTime", [](Cmd& c) { return c.GeneratePulseRealTime(1, 0, 8); },
       "10 14 01 00 08"},
      {"KickDrawer", [](Cmd& c) { return c.KickDrawer(0, 25, 250); }, "1B 70 00 19 FA"},
      {"RequestAllStatus", [](Cmd& c) { return c.RequestAllStatus(); },
       "10 04 01 10 04 02 10 04 03 10 04 04"},
      {"RequestPrinterStatus", [](Cmd& c) { return c.RequestPrinterStatus(); }, "10 04 01"},
      {"RequestOfflineStatus", [](Cmd& c) { return c.RequestOfflineStatus(); }, "10 04 02"},
      {"RequestErrorStatus", [](Cmd& c) { return c.RequestErrorStatus(); }, "10 04 03"},
      {"RequestPaperStatus", [](Cmd& c) { return c.RequestPaperStatus(); }, "10 04 04"},
      // Arguments travel as their low 8 bits.
      {"low byte of n", [](Cmd& c) { return c.SetCharacterSize(0x1FF); }, "1D 21 FF"},
      {"low byte of negative n", [](Cmd& c) { return c.FeedDots(-1); }, "1B 4A FF"},
  };
  for (const FixedCase& tc : cases) {
    EscCmd cmd;
    EXPECT_EQ(tc.op(cmd), 0) << tc.name;
    EXPECT_EQ(Hex(cmd.Bytes()), tc.expected) << tc.name;
  }
}

TEST(EscCmdTest, CommandsAccumulateInOrder) {
  EscCmd cmd;
  cmd.SelectPageMode();
  cmd.PrintPage();
  cmd.CutOnePointLeft();
  EXPECT_EQ(Hex(cmd.Bytes()), "1B 4C 0C 1B 69");
}

TEST(EscCmdTest, FeedLineBreaks) {
  struct Case {
    LONG n;
    std::string expected;
  };
  const std::string five_crlf = "\r\n\r\n\r\n\r\n\r\n";
  const std::vector<Case> cases = {
      {0, five_crlf},   {-1, five_crlf}, {1, "\n"}, {4, "\n\n\n\n"}, {299, std::string(299, '\n')},
      {300, five_crlf},
  };
  for (const Case& tc : cases) {
    EscCmd cmd;
    EXPECT_EQ(cmd.FeedLineBreaks(tc.n), 0);
    EXPECT_EQ(cmd.Bytes(), tc.expected) << "n = " << tc.n;
  }
}

TEST(EscCmdTest, PageDirectionFromRotation) {
  const std::vector<std::pair<LONG, const char*>> cases = {{1, "1B 54 30"},   {257, "1B 54 33"},
                                                           {258, "1B 54 31"}, {259, "1B 54 32"},
                                                           {0, "1B 54 32"},   {0x1101, "1B 54 32"}};
  for (auto [rotation, expected] : cases) {
    EscCmd cmd;
    cmd.SetPageDirection(rotation);
    EXPECT_EQ(Hex(cmd.Bytes()), expected) << rotation;
  }
}

TEST(EscCmdTest, HriPosition) {
  const std::vector<std::pair<LONG, const char*>> cases = {
      {0, "1D 48 00"}, {1, "1D 48 01"}, {2, "1D 48 02"}, {3, "1D 48 00"}, {-12, "1D 48 00"}};
  for (auto [p, expected] : cases) {
    EscCmd cmd;
    cmd.SetHriPosition(p);
    EXPECT_EQ(Hex(cmd.Bytes()), expected) << p;
  }
}

TEST(EscCmdTest, QrSizeAndErrorCorrectionAreClamped) {
  const std::vector<std::pair<LONG, const char*>> sizes = {{0, "05"},  {1, "01"},  {15, "0F"},
                                                           {16, "05"}, {20, "05"}, {-3, "05"}};
  for (auto [s, byte] : sizes) {
    EscCmd cmd;
    cmd.SetQrModuleSize(s);
    EXPECT_EQ(Hex(cmd.Bytes()), std::string("1D 28 6B 03 00 31 43 ") + byte) << s;
  }
  const std::vector<std::pair<LONG, const char*>> levels = {
      {47, "30"}, {48, "30"}, {49, "31"}, {50, "32"}, {51, "33"}, {52, "30"}, {0, "30"}};
  for (auto [e, byte] : levels) {
    EscCmd cmd;
    cmd.SetQrErrorCorrection(e);
    EXPECT_EQ(Hex(cmd.Bytes()), std::string("1D 28 6B 03 00 31 45 ") + byte) << e;
  }
}

TEST(EscCmdTest, QrCodeStoresAndPrintsTheSymbol) {
  EscCmd cmd;
  EXPECT_EQ(cmd.PrintQrCode("12345"), 0);
  EXPECT_EQ(Hex(cmd.Bytes()), "1D 28 6B 08 00 31 50 30 31 32 33 34 35 1D 28 6B 03 00 31 51 30");
}

TEST(EscCmdTest, QrCodeBeyondAFixedBlockIsBuiltWhole) {
  // 300 data bytes: more than a 300-byte working block could hold.
  EscCmd cmd;
  std::string data(300, 'Q');
  EXPECT_EQ(cmd.PrintQrCode(data), 0);
  ASSERT_EQ(cmd.Length(), 8 + 300 + 8);
  EXPECT_EQ(Hex(cmd.Bytes().substr(0, 8)), "1D 28 6B 2F 01 31 50 30");  // 303 = 0x12F
  EXPECT_EQ(cmd.Bytes().substr(8, 300), data);
  EXPECT_EQ(Hex(cmd.Bytes().substr(308)), "1D 28 6B 03 00 31 51 30");
}

TEST(EscCmdTest, QrCodeLongerThanItsLengthFieldIsRefused) {
  EscCmd cmd;
  EXPECT_EQ(cmd.PrintQrCode(std::string(65532, '1')), 0);
  cmd.Clear();
  EXPECT_THROW(cmd.PrintQrCode(std::string(65533, '1')), OposError);
  EXPECT_EQ(cmd.Length(), 0);
}

TEST(EscCmdTest, Pdf417LengthCountsTheDataBytes) {
  EscCmd cmd;
  EXPECT_EQ(cmd.PrintPdf417("ABC", 1, 3, 2), 0);
  EXPECT_EQ(Hex(cmd.Bytes()), "1D 5A 00 1B 5A 01 03 02 03 00 41 42 43");

  // Longer than the 54 bytes a fixed block allowed.
  EscCmd longer;
  std::string data(300, 'x');
  EXPECT_EQ(longer.PrintPdf417(data, 1, 3, 2), 0);
  EXPECT_EQ(Hex(longer.Bytes().substr(0, 10)), "1D 5A 00 1B 5A 01 03 02 2C 01");
  EXPECT_EQ(longer.Bytes().substr(10), data);

  EscCmd too_long;
  EXPECT_THROW(too_long.PrintPdf417(std::string(65536, 'x'), 1, 3, 2), OposError);
  EXPECT_EQ(too_long.Length(), 0);
}

using BarcodeOp = LONG (Cmd::*)(std::string_view, LONG);

TEST(EscCmdTest, LengthCheckedBarcodesTakeUpTo255Bytes) {
  const std::vector<std::pair<const char*, BarcodeOp>> ops = {
      {"Ean", &Cmd::PrintEanBarcode},         {"Code93", &Cmd::PrintCode93Barcode},
      {"Itf", &Cmd::PrintItfBarcode},         {"Other", &Cmd::PrintOtherBarcode},
      {"Code128", &Cmd::PrintCode128Barcode},
  };
  for (auto [name, op] : ops) {
    EscCmd cmd;
    std::string data(255, '7');
    EXPECT_EQ((cmd.*op)(data, 0x43), 0) << name;
    EXPECT_EQ(Hex(cmd.Bytes().substr(0, 4)), "1D 6B 43 FF") << name;
    EXPECT_EQ(cmd.Bytes().substr(4), data) << name;

    EscCmd refused;
    refused.Initialize();
    try {
      (refused.*op)(std::string(256, '7'), 0x43);
      ADD_FAILURE() << name << ": 256 bytes accepted";
    } catch (const OposError& e) {
      EXPECT_STREQ(e.what(),
                   "Method PrintBarCode threw an exception.  Attempt was made to perform an "
                   "illegal or unsupported operation with the device, or an invalid parameter "
                   "value was used.")
          << name;
    }
    EXPECT_EQ(Hex(refused.Bytes()), "1B 40") << name << ": nothing appended";
  }
}

TEST(EscCmdTest, UpcDataCheck) {
  struct Case {
    const char* data;
    LONG m;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"01234567890", 0x41, true}, {"012345678905", 0x41, true},   {"112345678905", 0x41, true},
      {"0123456789", 0x41, false}, {"0123456789012", 0x41, false}, {"0123456789A", 0x41, false},
      {"01234567890", 0x42, true}, {"11234567890", 0x42, false},   {"", 0x41, false},
  };
  for (const Case& tc : cases) {
    EscCmd cmd;
    if (tc.accepted) {
      EXPECT_EQ(cmd.PrintUpcBarcode(tc.data, tc.m), 0) << tc.data;
      std::string expected = "1D 6B " + Hex(std::string(1, static_cast<char>(tc.m))) + " " +
                             Hex(std::string(1, static_cast<char>(strlen(tc.data)))) + " " +
                             Hex(tc.data);
      EXPECT_EQ(Hex(cmd.Bytes()), expected) << tc.data;
    } else {
      EXPECT_THROW(cmd.PrintUpcBarcode(tc.data, tc.m), OposError) << tc.data;
      EXPECT_EQ(cmd.Length(), 0) << tc.data;
    }
  }
}

TEST(EscCmdTest, CodabarDataCheck) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"A1234B", true}, {"D0C", true},    {"A12B4B", false}, {"C-$:/.+D", true}, {"AB", true},
      {"A", false},     {"1234B", false}, {"A1234", false},  {"", false},
  };
  for (auto [data, accepted] : cases) {
    EscCmd cmd;
    if (accepted) {
      EXPECT_EQ(cmd.PrintCodabarBarcode(data, 0x47), 0) << data;
      EXPECT_EQ(cmd.Bytes().substr(4), data);
    } else {
      EXPECT_THROW(cmd.PrintCodabarBarcode(data, 0x47), OposError) << data;
      EXPECT_EQ(cmd.Length(), 0) << data;
    }
  }
  EscCmd longest;
  std::string data = "A" + std::string(253, '1') + "B";
  EXPECT_EQ(longest.PrintCodabarBarcode(data, 0x47), 0);
  EscCmd too_long;
  EXPECT_THROW(too_long.PrintCodabarBarcode("A" + std::string(254, '1') + "B", 0x47), OposError);
}

TEST(CmdBufferTest, GrowsToNPlusTwiceTheCapacity) {
  EscCmd cmd;
  EXPECT_EQ(cmd.Capacity(), 2048);
  EXPECT_EQ(cmd.Length(), 0);
  std::string bytes(3000, 'a');
  EXPECT_EQ(cmd.Append(bytes), 0);
  EXPECT_EQ(cmd.Capacity(), 7096);
  EXPECT_EQ(cmd.Length(), 3000);
  EXPECT_EQ(cmd.Bytes(), bytes);

  // Room left: no growth.
  EXPECT_EQ(cmd.Append(std::string(4096, 'b')), 0);
  EXPECT_EQ(cmd.Capacity(), 7096);
  EXPECT_EQ(cmd.Append("c"), 0);
  EXPECT_EQ(cmd.Capacity(), 1 + 2 * 7096);
  EXPECT_EQ(cmd.Bytes(), bytes + std::string(4096, 'b') + "c");
}

TEST(CmdBufferTest, ExactFitDoesNotGrow) {
  EscCmd cmd;
  EXPECT_EQ(cmd.Append(std::string(2048, 'x')), 0);
  EXPECT_EQ(cmd.Capacity(), 2048);
}

TEST(CmdBufferTest, ClearKeepsTheStorage) {
  EscCmd cmd;
  cmd.Append(std::string(5000, 'x'));
  LONG capacity = cmd.Capacity();
  cmd.Clear();
  EXPECT_EQ(cmd.Length(), 0);
  EXPECT_EQ(cmd.Capacity(), capacity);
  cmd.Initialize();
  EXPECT_EQ(Hex(cmd.Bytes()), "1B 40");
}

TEST(CmdBufferTest, TruncateCutsBackOnly) {
  EscCmd cmd;
  cmd.Append("abcdef");
  cmd.Truncate(10);
  EXPECT_EQ(cmd.Bytes(), "abcdef");
  cmd.Truncate(-1);
  EXPECT_EQ(cmd.Bytes(), "abcdef");
  cmd.Truncate(2);
  EXPECT_EQ(cmd.Bytes(), "ab");
}

TEST(CmdBufferTest, BadAppendsFailAndChangeNothing) {
  EscCmd cmd;
  cmd.Append("ab");
  const BYTE byte = 1;
  EXPECT_EQ(cmd.Append(&byte, -1), 111);
  EXPECT_EQ(cmd.Append(nullptr, 3), 111);
  EXPECT_EQ(cmd.Append(nullptr, 0), 0);
  EXPECT_EQ(cmd.Bytes(), "ab");
}

TEST(CmdBufferTest, GrowthBeyondA32BitCapacityFails) {
  // The growth rule asks for n + 2 x capacity; beyond the 32-bit range the
  // append fails before touching the bytes.
  EscCmd cmd;
  const BYTE byte = 0;
  EXPECT_EQ(cmd.Append(&byte, 0x7FFFFFFF - 100), 111);
  EXPECT_EQ(cmd.Length(), 0);
  EXPECT_EQ(cmd.Capacity(), 2048);
}

}  // namespace
