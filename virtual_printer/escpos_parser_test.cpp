#include "virtual_printer/escpos_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace qvvp {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<ParsedCommand> ParseAll(const Bytes& stream, size_t chunk = 0) {
  std::vector<ParsedCommand> out;
  EscPosParser parser([&](ParsedCommand&& c) { out.push_back(std::move(c)); });
  if (chunk == 0) chunk = stream.size();
  for (size_t i = 0; i < stream.size(); i += chunk) {
    size_t n = std::min(chunk, stream.size() - i);
    parser.Feed(stream.data() + i, n);
  }
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

int CountStatusRequests(const std::vector<ParsedCommand>& commands) {
  int count = 0;
  for (const ParsedCommand& c : commands) count += c.StatusRequest() != 0 ? 1 : 0;
  return count;
}

// Every command the driver's command set emits is one command of exactly its
// length, whatever its argument bytes are.
struct CommandCase {
  const char* name;
  Bytes bytes;
};

class CommandSetTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandSetTest, ParsesAsOneCommandOfItsLength) {
  const CommandCase& c = GetParam();
  // The same command twice in a row, then a known marker: any length error
  // shows as a split or merged command.
  Bytes stream = Concat({c.bytes, c.bytes, {0x1B, 0x40}});
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{3}}) {
    std::vector<ParsedCommand> commands = ParseAll(stream, chunk);
    ASSERT_EQ(commands.size(), 3u) << c.name << " chunk " << chunk;
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(commands[i].name, c.name) << "chunk " << chunk;
      EXPECT_EQ(commands[i].length, c.bytes.size()) << c.name;
      EXPECT_EQ(commands[i].bytes, c.bytes) << c.name;
      EXPECT_EQ(commands[i].kind, ParsedCommand::Kind::kCommand) << c.name;
    }
    EXPECT_EQ(commands[1].offset, c.bytes.size());
    EXPECT_EQ(commands[2].name, "ESC @");
  }
}

INSTANTIATE_TEST_SUITE_P(
    DriverCommands, CommandSetTest,
    ::testing::Values(
        CommandCase{"ESC @", {0x1B, 0x40}}, CommandCase{"GS I", {0x1D, 0x49, 0x01}},
        CommandCase{"ESC E", {0x1B, 0x45, 0x01}}, CommandCase{"ESC =", {0x1B, 0x3D, 0x10}},
        CommandCase{"ESC t", {0x1B, 0x74, 0x1B}},
        CommandCase{"GS ( 0", {0x1D, 0x28, 0x30, 0x06, 0x00, 0x10, 0x04, 0x01, 0x1B}},
        CommandCase{"ESC G", {0x1B, 0x47, 0x01}}, CommandCase{"ESC -", {0x1B, 0x2D, 0x02}},
        CommandCase{"GS !", {0x1D, 0x21, 0x11}}, CommandCase{"ESC J", {0x1B, 0x4A, 0x10}},
        CommandCase{"ESC d", {0x1B, 0x64, 0x04}}, CommandCase{"ESC R", {0x1B, 0x52, 0x00}},
        CommandCase{"ESC {", {0x1B, 0x7B, 0x01}}, CommandCase{"ESC V", {0x1B, 0x56, 0x01}},
        CommandCase{"ESC M", {0x1B, 0x4D, 0x01}}, CommandCase{"GS L", {0x1D, 0x4C, 0x10, 0x04}},
        CommandCase{"GS W", {0x1D, 0x57, 0x40, 0x02}}, CommandCase{"FS &", {0x1C, 0x26}},
        CommandCase{"FS 3", {0x1C, 0x33, 0x04}}, CommandCase{"ESC a", {0x1B, 0x61, 0x01}},
        CommandCase{"ESC i", {0x1B, 0x69}}, CommandCase{"ESC m", {0x1B, 0x6D}},
        CommandCase{"ESC $", {0x1B, 0x24, 0x10, 0x04}},
        CommandCase{"GS $", {0x1D, 0x24, 0x10, 0x04}}, CommandCase{"ESC S", {0x1B, 0x53}},
        CommandCase{"ESC L", {0x1B, 0x4C}},
        CommandCase{"ESC W", {0x1B, 0x57, 0, 0, 0, 0, 0x40, 0x02, 0x10, 0x04}},
        CommandCase{"ESC T", {0x1B, 0x54, 0x33}},
        CommandCase{"GS v 0",
                    {0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x02, 0x00, 0x10, 0x04, 0x01, 0x10}},
        CommandCase{"GS H", {0x1D, 0x48, 0x02}}, CommandCase{"GS h", {0x1D, 0x68, 0x50}},
        CommandCase{"GS w", {0x1D, 0x77, 0x02}},
        CommandCase{"GS k", {0x1D, 0x6B, 0x43, 0x05, 0x10, 0x04, 0x01, 0x10, 0x04}},
        CommandCase{"ESC Z", {0x1B, 0x5A, 0x00, 0x00, 0x00, 0x03, 0x00, 0x10, 0x04, 0x02}},
        CommandCase{"GS Z", {0x1D, 0x5A, 0x00}},
        CommandCase{"GS ( k", {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x05}},
        CommandCase{"GS ( k", {0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 0x10, 0x04, 0x01}},
        CommandCase{"DLE DC4", {0x10, 0x14, 0x01, 0x00, 0x05}},
        CommandCase{"ESC p", {0x1B, 0x70, 0x30, 0x30, 0x30}},
        CommandCase{"DLE EOT", {0x10, 0x04, 0x01}}, CommandCase{"DLE EOT", {0x10, 0x04, 0x04}},
        // Common commands beyond the driver's own.
        CommandCase{"GS V", {0x1D, 0x56, 0x41, 0x10}}, CommandCase{"GS V", {0x1D, 0x56, 0x00}},
        CommandCase{"ESC *", {0x1B, 0x2A, 0x21, 0x02, 0x00, 0x10, 0x04, 0x01, 0x10, 0x04, 0x02}},
        CommandCase{"GS k", {0x1D, 0x6B, 0x04, 0x31, 0x10, 0x04, 0x31, 0x00}},
        CommandCase{"ESC D", {0x1B, 0x44, 0x08, 0x10, 0x00}},
        CommandCase{"GS 8", {0x1D, 0x38, 0x4C, 0x02, 0x00, 0x00, 0x00, 0x10, 0x04}},
        CommandCase{"ESC &",
                    {0x1B, 0x26, 0x03, 0x41, 0x42, 0x01, 0x10, 0x04, 0x01, 0x02, 0x10, 0x04, 0x02,
                     0x10, 0x04, 0x03}},
        CommandCase{"DLE DC4", {0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08}}));

TEST(EscPosParserTest, StatusRequestBytesInsideDataAreNeverRequests) {
  Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0x04, 0x00, 0x03, 0x00};  // 4 bytes x 3 rows
  for (int i = 0; i < 4; ++i) raster.insert(raster.end(), {0x10, 0x04, 0x01});
  Bytes barcode = {0x1D, 0x6B, 0x49, 0x06, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03};
  Bytes qr = {0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 0x10, 0x04, 0x04};
  Bytes pdf417 = {0x1D, 0x5A, 0x00, 0x1B, 0x5A, 0x00, 0x00, 0x00, 0x03, 0x00, 0x10, 0x04, 0x01};
  Bytes request = {0x10, 0x04, 0x02};
  Bytes stream = Concat({raster, barcode, qr, pdf417, request});
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{2}, size_t{5}}) {
    std::vector<ParsedCommand> commands = ParseAll(stream, chunk);
    EXPECT_EQ(CountStatusRequests(commands), 1) << "chunk " << chunk;
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back().StatusRequest(), 2);
    EXPECT_EQ(commands.back().offset, stream.size() - 3);
  }
}

TEST(EscPosParserTest, TextControlsAndUnknownCommands) {
  Bytes stream = {'H', 'i', 0x0A, 0x1B, 0x01, 'x', 0x10, 'y', 0x0C};
  std::vector<ParsedCommand> commands = ParseAll(stream);
  ASSERT_EQ(commands.size(), 7u);
  EXPECT_EQ(commands[0].kind, ParsedCommand::Kind::kText);
  EXPECT_EQ(commands[0].bytes, (Bytes{'H', 'i'}));
  EXPECT_EQ(commands[1].name, "LF");
  EXPECT_EQ(commands[2].kind, ParsedCommand::Kind::kUnknown);  // ESC 01: two bytes
  EXPECT_EQ(commands[2].length, 2u);
  EXPECT_EQ(commands[3].bytes, (Bytes{'x'}));
  EXPECT_EQ(commands[4].name, "DLE");  // a DLE that starts nothing stands alone
  EXPECT_EQ(commands[4].length, 1u);
  EXPECT_EQ(commands[5].bytes, (Bytes{'y'}));
  EXPECT_EQ(commands[6].name, "FF");
}

TEST(EscPosParserTest, IncompleteCommandIsNotCompletedUntilItsEnd) {
  std::vector<ParsedCommand> commands;
  EscPosParser parser([&](ParsedCommand&& c) { commands.push_back(std::move(c)); });
  Bytes head = {'A', 0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x02, 0x00};
  parser.Feed(head.data(), head.size());
  EXPECT_EQ(parser.completed(), 1u);  // the text only
  EXPECT_EQ(parser.offset(), head.size());
  ASSERT_EQ(commands.size(), 1u);
  uint8_t data[2] = {0x10, 0x04};
  parser.Feed(data, 1);
  EXPECT_EQ(commands.size(), 1u);
  parser.Feed(data + 1, 1);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].name, "GS v 0");
  EXPECT_EQ(parser.completed(), 11u);
}

TEST(EscPosParserTest, HugeDeclaredPayloadKeepsBoundedMemory) {
  // 0xFFFF x 0xFFFF raster: the parser keeps only kMaxKeptBytes of it.
  std::vector<ParsedCommand> commands;
  EscPosParser parser([&](ParsedCommand&& c) { commands.push_back(std::move(c)); });
  Bytes head = {0x1D, 0x76, 0x30, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  parser.Feed(head.data(), head.size());
  Bytes block(1 << 20, 0x10);
  for (int i = 0; i < 4; ++i) parser.Feed(block.data(), block.size());
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(parser.completed(), 0u);
}

TEST(EscPosParserTest, DrawerKicks) {
  std::vector<ParsedCommand> commands = ParseAll(
      {0x1B, 0x70, 0x31, 0xC8, 0x64, 0x10, 0x14, 0x01, 0x00, 0x01, 0x10, 0x14, 0x02, 0x01, 0x08});
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_TRUE(commands[0].IsDrawerKick());
  EXPECT_TRUE(commands[1].IsDrawerKick());
  EXPECT_FALSE(commands[2].IsDrawerKick());
}

}  // namespace
}  // namespace qvvp

namespace qvvp {
namespace {

// Whatever the bytes, the commands tile the stream: contiguous, their
// lengths add up to what the parser reports completed, and the split into
// reads does not change the result.
TEST(EscPosParserTest, CommandsTileAnyStreamWhateverTheReads) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    Bytes stream(1 + random() % 600);
    for (uint8_t& byte : stream) {
      // Mostly command bytes and small numbers, so that many commands occur.
      static const uint8_t kInteresting[] = {0x10, 0x1B, 0x1C, 0x1D, 0x04, 0x00, 0x01,
                                             0x02, 0x0A, 0x28, 0x6B, 0x76, 0x30, 0x5A,
                                             0x2A, 0x26, 0x44, 0x14, 0x70, 0x38};
      byte = random() % 3 == 0 ? static_cast<uint8_t>(random())
                               : kInteresting[random() % sizeof(kInteresting)];
    }
    std::vector<ParsedCommand> whole;
    EscPosParser one([&](ParsedCommand&& c) { whole.push_back(std::move(c)); });
    one.Feed(stream.data(), stream.size());

    std::vector<ParsedCommand> pieces;
    EscPosParser many([&](ParsedCommand&& c) { pieces.push_back(std::move(c)); });
    for (size_t i = 0; i < stream.size();) {
      size_t n = std::min<size_t>(1 + random() % 7, stream.size() - i);
      many.Feed(stream.data() + i, n);
      i += n;
    }

    uint64_t next = 0;
    for (const ParsedCommand& c : whole) {
      ASSERT_EQ(c.offset, next) << "round " << round;
      ASSERT_GT(c.length, 0u);
      ASSERT_LE(c.bytes.size(), c.length);
      next += c.length;
    }
    EXPECT_EQ(next, one.completed()) << "round " << round;
    EXPECT_EQ(one.offset(), stream.size());
    EXPECT_EQ(many.completed(), one.completed()) << "round " << round;
    // Same commands, except that text may come in more pieces.
    std::vector<int> requests_whole, requests_pieces;
    for (const ParsedCommand& c : whole) {
      if (c.kind != ParsedCommand::Kind::kText)
        requests_whole.push_back(static_cast<int>(c.offset));
    }
    for (const ParsedCommand& c : pieces) {
      if (c.kind != ParsedCommand::Kind::kText)
        requests_pieces.push_back(static_cast<int>(c.offset));
    }
    EXPECT_EQ(requests_whole, requests_pieces) << "round " << round;
  }
}

}  // namespace
}  // namespace qvvp
