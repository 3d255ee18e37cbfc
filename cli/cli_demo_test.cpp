// `qvopos demo` in a fresh prefix, as the README's first command runs it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "cli/child_process.h"
#include "test_support/temp_prefix.h"
#include "virtual_printer/render/symbol_reader.h"

namespace {

namespace fs = std::filesystem;

using qvcli_test::RunResult;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasLine(const RunResult& result, const std::string& line) {
  return std::find(result.lines.begin(), result.lines.end(), line) != result.lines.end();
}

TEST(CliDemoTest, PrintsTheSampleReceiptAndOpensTheDrawerInAFreshPrefix) {
  TempPrefix scratch;
  const fs::path keep = scratch.root() / "demo";
  const RunResult result = qvcli_test::Run(QV_QVOPOS_PROGRAM, {"demo", "--keep", keep.string()}, "",
                                           {{"QV_OPOS_TIME_SCALE", "0.05"}}, 120000);
  ASSERT_EQ(result.code, 0) << result.output << result.error;
  EXPECT_TRUE(HasLine(result, "sample receipt printed and cut")) << result.output;
  EXPECT_TRUE(HasLine(result, "drawer DemoDrawer: StatusUpdateEvent 1 (opened)"));
  EXPECT_TRUE(HasLine(result, "drawer DemoDrawer: StatusUpdateEvent 0 (closed)"));
  EXPECT_TRUE(HasLine(result, "byte stream:      " + (keep / "printer-stream.bin").string()));
  EXPECT_TRUE(
      HasLine(result, "trace file:       " + (keep / "drive_c" / "QV_Opos_Driver.log").string()));

  const std::string stream = ReadFile(keep / "printer-stream.bin");
  for (const char* part : {"Receipt\n", "Dairy(020217)                          $28.00\n",
                           "Change                                  $8.20\n", "123456789012"}) {
    EXPECT_NE(stream.find(part), std::string::npos) << part;
  }
  EXPECT_NE(stream.find("\x1bp"), std::string::npos);  // the drawer pulse
  EXPECT_FALSE(ReadFile(keep / "printer-listing.txt").empty());
  EXPECT_NE(ReadFile(keep / "drive_c" / "QV_Opos_Driver.log").find("QVCOposPrinter"),
            std::string::npos);

  // The receipt as the printer put it on paper, with a barcode that reads.
  EXPECT_TRUE(HasLine(result, "receipt picture:  " + (keep / "receipt.png").string()));
  const std::optional<qvvp::CDotImage> receipt =
      qvvp::test::ReadPngDots((keep / "receipt.png").string());
  ASSERT_TRUE(receipt);
  EXPECT_EQ(receipt->width(), 576);
  const std::optional<qvvp::test::ReadSymbol> barcode = qvvp::test::ReadFirstSymbol(*receipt);
  ASSERT_TRUE(barcode);
  EXPECT_EQ(barcode->format, "UPC-A");
  EXPECT_EQ(barcode->text, "123456789012");
}

TEST(CliDemoTest, WithoutKeepItMakesItsOwnPrefixUnderTmpdir) {
  TempPrefix scratch;
  const RunResult result = qvcli_test::Run(
      QV_QVOPOS_PROGRAM, {"demo"}, "",
      {{"QV_OPOS_TIME_SCALE", "0.05"}, {"TMPDIR", scratch.root().string()}}, 120000);
  ASSERT_EQ(result.code, 0) << result.output << result.error;
  ASSERT_FALSE(result.lines.empty());
  const std::string first = result.lines.front();
  ASSERT_EQ(first.rfind("prefix: " + scratch.root().string() + "/qvopos-demo-", 0), 0u) << first;
  const fs::path prefix = first.substr(8);
  EXPECT_GT(fs::file_size(prefix / "printer-stream.bin"), 0u);
  EXPECT_TRUE(HasLine(result, "remove the prefix with: rm -r " + prefix.string()));
}

}  // namespace
