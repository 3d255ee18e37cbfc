#include "service_object/core/log.h"

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "service_object/core/errors.h"
#include "test_support/temp_prefix.h"

extern char** environ;

namespace {

// A numpunct that groups thousands with '\'', to catch a formatter that
// follows the global locale.
struct GroupingPunct : std::numpunct<char> {
  char do_thousands_sep() const override { return '\''; }
  std::string do_grouping() const override { return "\3"; }
};

class GlobalLocaleGuard {
 public:
  explicit GlobalLocaleGuard(const std::locale& locale) : m_previous(std::locale::global(locale)) {}
  ~GlobalLocaleGuard() { std::locale::global(m_previous); }

 private:
  std::locale m_previous;
};

TEST(NumToStringTest, WritesPlainDecimal) {
  EXPECT_EQ(NumToString(0), "0");
  EXPECT_EQ(NumToString(-1), "-1");
  EXPECT_EQ(NumToString(19200), "19200");
  EXPECT_EQ(NumToString(INT_MIN), "-2147483648");
  EXPECT_EQ(NumToString(LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(NumToString(ULLONG_MAX), "18446744073709551615");
  EXPECT_EQ(NumToString(static_cast<short>(-32768)), "-32768");
  EXPECT_EQ(NumToString(4294967295u), "4294967295");
  EXPECT_EQ(NumToString(static_cast<unsigned long>(1234567)), "1234567");
}

TEST(NumToStringTest, IgnoresTheGlobalLocaleGrouping) {
  GlobalLocaleGuard guard(std::locale(std::locale::classic(), new GroupingPunct));
  std::ostringstream probe;  // proves the locale would group
  probe << 1234567;
  ASSERT_EQ(probe.str(), "1'234'567");
  EXPECT_EQ(NumToString(1234567), "1234567");
  EXPECT_EQ(NumToString(-9600000LL), "-9600000");
}

TEST(ControlCharTextTest, EscapeBangLineFeedF5A) {
  EXPECT_EQ(ControlCharText(std::string("\x1B\x21\x0A\xF5\x41", 5)), "<ESC>!<LF><F5>A");
}

TEST(ControlCharTextTest, NamesEveryControlByte) {
  const char* const expected[32] = {"<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>",
                                    "<BEl>", "<BS>",  "<HT>",  "<LF>",  "<VT>",  "<FF>",  "<CR>",
                                    "<SO>",  "<SI>",  "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>",
                                    "<NAK>", "<SYN>", "<ETB>", "<CAN>", "<EN>",  "<SUB>", "<ESC>",
                                    "<FS>",  "<GS>",  "<RS>",  "<US>"};
  for (int byte = 0; byte < 32; ++byte) {
    EXPECT_EQ(ControlCharText(std::string(1, static_cast<char>(byte))), expected[byte])
        << "byte " << byte;
  }
}

TEST(ControlCharTextTest, HighAndPrintableBytes) {
  struct Case {
    unsigned char byte;
    const char* text;
  };
  const Case cases[] = {{0x7F, "<DEL>"}, {0xF0, "<F0>"}, {0xF9, "<F9>"}, {0x20, " "},   {0x7E, "~"},
                        {0x80, "\x80"},  {0xEF, "\xEF"}, {0xFA, "\xFA"}, {0xFF, "\xFF"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ControlCharText(std::string(1, static_cast<char>(c.byte))), c.text)
        << "byte " << int(c.byte);
  }
  EXPECT_EQ(ControlCharText(""), "");
}

TEST(HexTextTest, PairsSeparatedBySingleSpaces) {
  EXPECT_EQ(HexText("\x1B\x40"), "1B 40");
  EXPECT_EQ(HexText(""), "");
  EXPECT_EQ(HexText("A"), "41");
  EXPECT_EQ(HexText(std::string("\x00\xFF\x0a", 3)), "00 FF 0A");
}

// Waits (bounded) until `path` holds a line ending in `suffix`.
bool WaitForFileContaining(const std::filesystem::path& path, const std::string& needle) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    if (content.str().find(needle) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(TheLogTest, ProcessLogWritesToTheMappedTraceFile) {
  TempPrefix prefix;  // before the first use: the process log opens its file there
  TheLog().SetLevel(2);
  TheLog().Log(2, "CDevice", "Warning: first line");
  TheLog().Log(3, "CDevice", "dropped by the threshold");
  TheLog().Log(1, 1, "CClientSocket", "Error: second line");
  std::filesystem::path file = prefix.root() / "drive_c" / "QV_Opos_Driver.log";
  ASSERT_TRUE(WaitForFileContaining(file, "Error: second line\r\n"));
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_NE(content.str().find("  2   CDevice         Warning: first line\r\n"), std::string::npos);
  EXPECT_EQ(content.str().find("dropped"), std::string::npos);
  TheLog().SetLevel(0);
}

// The process log of a program that ends right after submitting its lines
// writes them all while the program exits.
TEST(TheLogTest, ProcessEndWritesThePendingLines) {
  TempPrefix prefix;
  constexpr int kLines = 3000;
  std::string path = QV_TRACE_WRITER_PATH;
  std::string count = std::to_string(kLines);
  char* argv[] = {path.data(), count.data(), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  std::ifstream in(prefix.root() / "drive_c" / "QV_Opos_Driver.log", std::ios::binary);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    const std::string tail = "  5   CDevice         line " + std::to_string(n) + "\r";
    ASSERT_GE(line.size(), tail.size());
    ASSERT_EQ(line.substr(line.size() - tail.size()), tail);
    ++n;
  }
  EXPECT_EQ(n, kLines);
}

class RecordingLog : public CLog {
 public:
  void SetLevel(int32_t level) override { m_level = level; }
  void Log(int32_t level, int32_t, std::string source, std::string text) override {
    Log(level, std::move(source), std::move(text));
  }
  void Log(int32_t level, std::string source, std::string text) override {
    m_lines.push_back(NumToString(level) + "|" + source + "|" + text);
  }
  int32_t m_level = -1;
  std::vector<std::string> m_lines;
};

TEST(TheLogTest, ReplacementTakesOverAndRestores) {
  RecordingLog recording;
  CLog* previous = SetLogForTesting(&recording);
  EXPECT_EQ(previous, nullptr);
  TheLog().SetLevel(5);
  TheLog().Log(4, "CDevice", ">>> FreezeEvents");
  EXPECT_EQ(SetLogForTesting(nullptr), &recording);
  EXPECT_NE(&TheLog(), &recording);
  EXPECT_EQ(recording.m_level, 5);
  ASSERT_EQ(recording.m_lines.size(), 1u);
  EXPECT_EQ(recording.m_lines[0], "4|CDevice|>>> FreezeEvents");
}

}  // namespace
