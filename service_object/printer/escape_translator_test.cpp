#include "service_object/printer/escape_translator.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"

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

// Writes ESC as "~" in test texts, which keeps the tables readable.
std::string T(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '~') c = '\x1B';
  return out;
}

struct Line {
  int32_t level;
  std::string source;
  std::string text;
};

// Keeps the trace lines submitted while it is installed.
class CaptureLog : public CLog {
 public:
  CaptureLog() { m_previous = SetLogForTesting(this); }
  ~CaptureLog() override { SetLogForTesting(m_previous); }
  void SetLevel(int32_t) override {}
  void Log(int32_t level, int32_t, std::string source, std::string text) override {
    Log(level, std::move(source), std::move(text));
  }
  void Log(int32_t level, std::string source, std::string text) override {
    m_lines.push_back({level, std::move(source), std::move(text)});
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Line& l : m_lines) texts.push_back(l.text);
    return texts;
  }
  std::vector<Line> m_lines;

 private:
  CLog* m_previous;
};

class FakeHost : public CEscapeHost {
 public:
  std::string StoredBitmap(LONG number) const override {
    auto it = m_bitmaps.find(number);
    return it == m_bitmaps.end() ? std::string() : it->second;
  }
  void RequestLogo(bool top) override { (top ? m_top : m_bottom) += 1; }
  std::map<LONG, std::string> m_bitmaps;
  int m_top = 0;
  int m_bottom = 0;
};

class TranslatorTest : public ::testing::Test {
 protected:
  CaptureLog m_log;  // keeps traces off the process log
  FakeHost m_host;
};

struct TranslateCase {
  const char* text;
  LONG map_mode;
  const char* bytes;
  LONG count;
};

TEST_F(TranslatorTest, TranslatesEachSequence) {
  const std::vector<TranslateCase> cases = {
      {"AB~|bCCD~|N", 1, "41 42 1B 47 01 43 44 1B 4A 00 1D 21 00", 4},
      {"plain", 1, "70 6C 61 69 6E", 5},
      {"", 1, "", 0},
      // Feeds.
      {"~|300lF", 1, "1B 64 FE 1B 64 2E", 0},
      {"~|254lF", 1, "1B 64 FE", 0},
      {"~|508lF", 1, "1B 64 FE 1B 64 FE", 0},
      {"~|lF", 1, "1B 64 01", 0},
      {"~|0lF", 1, "1B 64 01", 0},
      {"~|100uF", 4, "1B 4A 08", 0},
      {"~|100uF", 2, "1B 4A 0E", 0},
      {"~|100uF", 3, "1B 4A 14", 0},
      {"~|100uF", 1, "1B 4A 64", 0},
      {"~|300uF", 1, "1B 4A FE 1B 4A 2E", 0},
      {"~|uF", 1, "", 0},
      {"~|-5uF", 4, "", 0},  // -0.4 dots: nothing to feed, no error
      {"~|5rF", 1, "", 0},
      // Cuts.
      {"~|P", 1, "", 0},
      {"~|100P", 1, "1B 69", 0},
      {"~|50P", 1, "1B 6D", 0},
      {"~|0P", 1, "1B 6D", 0},
      {"~|3fP", 1, "0A 0A 0A 1B 69", 0},
      {"~|3sP", 1, "0A 0A 0A 1B 69", 0},
      {"~|fP", 1, "0D 0A 0D 0A 0D 0A 0D 0A 0D 0A 1B 69", 0},
      {"~|xP", 1, "", 0},
      // Fonts, logos, alignment.
      {"~|T", 1, "", 0},
      {"~|1T", 1, "1B 4D 01", 0},
      {"~|2fT", 1, "1B 4D 02", 0},
      {"~|tL~|bL~|xL", 1, "", 0},
      {"~|cA", 1, "1B 61 01", 0},
      {"~|lA", 1, "1B 61 00", 0},
      {"~|rA", 1, "1B 61 02", 0},
      {"~|A~|xA", 1, "", 0},
      // Character attributes.
      {"~|bC", 1, "1B 47 01", 0},
      {"~|!bC", 1, "1B 47 00", 0},
      {"~|tbC~|!tbC", 1, "", 0},
      {"~|uC", 1, "1B 2D 01", 0},
      {"~|0uC", 1, "1B 2D 01", 0},
      {"~|2uC", 1, "1B 2D 02", 0},
      {"~|!uC", 1, "1B 2D 00", 0},
      {"~|1C", 1, "1D 21 00", 0},
      {"~|2C", 1, "1D 21 10", 0},
      {"~|3C", 1, "1D 21 01", 0},
      {"~|4C", 1, "1D 21 11", 0},
      {"~|3hC", 1, "1D 21 20", 0},
      {"~|hC", 1, "1D 21 00", 0},
      {"~|17hC", 1, "1D 21 00", 0},  // (16 x 16) mod 256
      {"~|9vC", 1, "1D 21 08", 0},
      {"~|17vC", 1, "1D 21 00", 0},
      {"~|vC", 1, "", 0},
      {"~|rvC", 1, "", 0},
      {"~|iC~|!iC~|C~|xC", 1, "", 0},
      // Unknown letters do nothing.
      {"~|3D~|E~|zZ", 1, "", 0},
      // Stored bitmaps: 5 is empty.
      {"~|5B", 1, "", 0},
      {"~|21B~|0B", 1, "", 0},
      // Text around sequences is counted.
      {"x~|bCyy~|!bCzzz", 1, "78 1B 47 01 79 79 1B 47 00 7A 7A 7A", 6},
      // Stray ESC: text before it goes out, the rest is dropped, result 0.
      {"AB~xCD", 1, "41 42", 0},
      {"AB~", 1, "41 42", 0},
      {"~|bCAB~~|N", 1, "1B 47 01 41 42", 0},
      // No capital letter after the bar: the rest is dropped.
      {"AB~|12cd", 1, "41 42", 2},
      // Numbers saturate at the 32-bit range.
      {"~|99999999999hC", 1, "1D 21 E0", 0},
      {"~|99999999999vC", 1, "1D 21 0E", 0},
      {"~|-99999999999hC", 1, "1D 21 00", 0},
      {"~|+3hC", 1, "1D 21 20", 0},
  };
  for (const TranslateCase& tc : cases) {
    CEscapeTranslator translator(tc.map_mode, &m_host);
    EscCmd cmd;
    LONG count = translator.Translate(T(tc.text), cmd);
    EXPECT_EQ(Hex(cmd.Bytes()), tc.bytes) << tc.text << " (map mode " << tc.map_mode << ")";
    EXPECT_EQ(count, tc.count) << tc.text;
  }
}

TEST_F(TranslatorTest, LongFeedsRepeatTheLargestStep) {
  // 10,000,000 = 39370 x 254 + 20: more copies than one block holds.
  auto expected = [](char command, int64_t copies, int remainder) {
    std::string one = {'\x1B', command, '\xFE'};
    std::string out;
    out.reserve(size_t(copies + 1) * 3);
    for (int64_t i = 0; i < copies; ++i) out += one;
    if (remainder != 0) out += std::string{'\x1B', command, static_cast<char>(remainder)};
    return out;
  };
  struct Case {
    const char* text;
    char command;
    int64_t copies;
    int remainder;
  };
  const std::vector<Case> cases = {
      {"~|10000000lF", 'd', 39370, 20},
      {"~|10000000uF", 'J', 39370, 20},
      {"~|21845lF", 'd', 86, 1},             // 21845 = 86 x 254 + 1
      {"~|99999999999lF", 'd', 8454660, 7},  // saturated: 2147483647
  };
  for (const Case& tc : cases) {
    CEscapeTranslator translator;
    EscCmd cmd;
    translator.Translate(T(tc.text), cmd);
    ASSERT_EQ(cmd.Length(), 3 * (tc.copies + (tc.remainder != 0 ? 1 : 0))) << tc.text;
    EXPECT_TRUE(cmd.Bytes() == expected(tc.command, tc.copies, tc.remainder)) << tc.text;
  }
}

TEST_F(TranslatorTest, SequencesUpTo31BytesAreExecuted) {
  // 31 bytes after the bar: 29 digits, h, C.
  std::string executed = "~|" + std::string(28, '0') + "3hC";
  ASSERT_EQ(executed.size(), 2u + 31);
  std::string ignored = "~|" + std::string(29, '0') + "3hC";
  ASSERT_EQ(ignored.size(), 2u + 32);

  CEscapeTranslator translator;
  EscCmd cmd;
  EXPECT_EQ(translator.Translate(T(executed), cmd), 0);
  EXPECT_EQ(Hex(cmd.Bytes()), "1D 21 20");
  cmd.Clear();
  CEscapeTranslator fresh;
  EXPECT_EQ(fresh.Translate(T("a" + ignored + "b~|bC"), cmd), 2);
  EXPECT_EQ(Hex(cmd.Bytes()), "61 62 1B 47 01") << "skipped, and the walk goes on";
  EXPECT_FALSE(fresh.HorizontalScale());
}

TEST_F(TranslatorTest, StoredBitmapBytesGoOutUnchanged) {
  m_host.m_bitmaps[5] = std::string("\x1B\x61\x01\x1D\x76\x30\x00", 7);
  m_host.m_bitmaps[20] = "Z";
  CEscapeTranslator translator(1, &m_host);
  EscCmd cmd;
  translator.Translate(T("~|5B~|20B~|3B"), cmd);
  EXPECT_EQ(Hex(cmd.Bytes()), "1B 61 01 1D 76 30 00 5A");

  CEscapeTranslator no_host;
  EscCmd none;
  no_host.Translate(T("~|5B"), none);
  EXPECT_EQ(none.Length(), 0);
}

TEST_F(TranslatorTest, LogoRequestsReachTheHost) {
  CEscapeTranslator translator(1, &m_host);
  EscCmd cmd;
  translator.Translate(T("~|tL~|bL~|tL"), cmd);
  EXPECT_EQ(m_host.m_top, 2);
  EXPECT_EQ(m_host.m_bottom, 1);
  EXPECT_EQ(cmd.Length(), 0);
}

TEST_F(TranslatorTest, NextTranslationSwitchesOffWhatThePreviousLeftOn) {
  CEscapeTranslator translator;
  EscCmd cmd;
  translator.Translate(T("~|bC~|uC~|2C~|cAx"), cmd);
  EXPECT_TRUE(translator.Bold());
  EXPECT_TRUE(translator.Underline());
  EXPECT_TRUE(translator.Size());
  EXPECT_TRUE(translator.AlignmentSet());
  EXPECT_EQ(translator.Alignment(), 1);

  cmd.Clear();
  EXPECT_EQ(translator.Translate("y", cmd), 1);
  EXPECT_EQ(Hex(cmd.Bytes()), "1B 47 00 1B 2D 00 1D 21 00 1B 61 00 79");
  EXPECT_FALSE(translator.Bold() || translator.Underline() || translator.Size() ||
               translator.AlignmentSet());

  cmd.Clear();
  translator.Translate("z", cmd);
  EXPECT_EQ(Hex(cmd.Bytes()), "7A") << "nothing left on";
}

TEST_F(TranslatorTest, ResetStepPerAttribute) {
  struct Case {
    const char* first;
    const char* reset;
  };
  const std::vector<Case> cases = {
      {"~|bC", "1B 47 00"},       {"~|!bC", ""}, {"~|uC", "1B 2D 00"},  {"~|!uC", ""},
      {"~|2C", "1D 21 00"},       {"~|1C", ""},  {"~|3hC", "1D 21 00"}, {"~|3vC", "1D 21 00"},
      {"~|3hC~|3vC", "1D 21 00"}, {"~|vC", ""},  {"~|rA", "1B 61 00"},  {"~|lA", ""},
      {"~|cA~|lA", "1B 61 00"},   {"~|iC", ""},
  };
  for (const Case& tc : cases) {
    CEscapeTranslator translator;
    EscCmd cmd;
    translator.Translate(T(tc.first), cmd);
    cmd.Clear();
    translator.Translate("", cmd);
    EXPECT_EQ(Hex(cmd.Bytes()), tc.reset) << tc.first;
  }
}

TEST_F(TranslatorTest, ClearAttributesSendsNothing) {
  CEscapeTranslator translator;
  EscCmd cmd;
  translator.Translate(T("~|bC~|uC"), cmd);
  translator.ClearAttributes();
  cmd.Clear();
  translator.Translate("", cmd);
  EXPECT_EQ(cmd.Length(), 0);
}

TEST_F(TranslatorTest, NegativeFeedIsAnErrorAndChangesNothing) {
  const std::vector<std::pair<const char*, LONG>> cases = {{"ok~|bC~|-5lF", 1},
                                                           {"ok~|bC~|-1lF", 4},
                                                           {"ok~|bC~|-100uF", 1},
                                                           {"ok~|bC~|-100uF", 2},
                                                           {"ok~|bC~|-99999999999uF", 4}};
  for (auto [text, map_mode] : cases) {
    CEscapeTranslator translator(map_mode);
    EscCmd cmd;
    translator.Translate(T("~|uC"), cmd);  // underline on
    cmd.Clear();
    cmd.Initialize();
    try {
      translator.Translate(T(text), cmd);
      ADD_FAILURE() << text << ": no error";
    } catch (const OposError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("FreeCmd\xA3\xBAInvalid Data")) << text;
    }
    EXPECT_EQ(Hex(cmd.Bytes()), "1B 40") << text << ": the buffer is as it was";
    EXPECT_TRUE(translator.Underline()) << text << ": the record is as it was";
    EXPECT_FALSE(translator.Bold()) << text;
  }
}

TEST_F(TranslatorTest, UnitFeedConversion) {
  struct Case {
    LONG map_mode, count;
    int64_t dots;
  };
  const std::vector<Case> cases = {
      {1, 100, 100},  {2, 100, 14},   {2, 1440, 203}, {3, 100, 20},
      {3, 1000, 203}, {4, 100, 8},    {4, 12, 0},     {7, 100, 8},
      {1, -3, -3},    {2, -100, -14}, {4, -5, 0},     {1, 2147483647, 2147483647},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CEscapeTranslator::UnitFeedDots(c.map_mode, c.count), c.dots)
        << "mode " << c.map_mode << " count " << c.count;
  }
}

TEST_F(TranslatorTest, TraceLines) {
  CEscapeTranslator translator(2);
  EscCmd cmd;
  translator.Translate(T("AB~|300lF~|1uFCD"), cmd, 12);
  const std::vector<std::string> expected = {
      ">>>OposCmdAndDataParing",
      " PrintNormal data Len 16",
      " PrintNormal data Len 12",
      " OposCmdAndDataParing",
      " Feed300",
      " OposCmdAndDataParing",
      " Feed PTR_MM_TWIPS",
      " PrintNormal dataIndex2",
      "<<<OposCmdAndDataParing",
  };
  EXPECT_EQ(m_log.Texts(), expected);
  for (const Line& line : m_log.m_lines) {
    EXPECT_EQ(line.level, 5) << line.text;
    EXPECT_EQ(line.source, "QVCOposPrinter") << line.text;
  }
}

TEST_F(TranslatorTest, UnitTraceLinePerMapMode) {
  const std::vector<std::pair<LONG, const char*>> cases = {{1, " Feed PTR_MM_DOTS"},
                                                           {2, " Feed PTR_MM_TWIPS"},
                                                           {3, " Feed inch"},
                                                           {4, " Feed millimeter"},
                                                           {0, " Feed millimeter"}};
  for (auto [mode, line] : cases) {
    m_log.m_lines.clear();
    CEscapeTranslator translator(mode);
    EXPECT_EQ(translator.Check(T("~|5uF")), 0);
    EXPECT_EQ(m_log.Texts(), std::vector<std::string>{line}) << mode;
  }
}

struct CheckCase {
  const char* text;
  LONG verdict;
};

TEST_F(TranslatorTest, CheckVerdicts) {
  m_host.m_bitmaps[3] = "bitmap";
  const std::vector<CheckCase> cases = {
      {"", 0},
      {"plain text", 0},
      {"~|N", 0},
      {"~|cA", 0},
      {"~|A", 0},
      // Stray ESC and overlong sequences.
      {"ab~c", 111},
      {"ab~", 111},
      {"~|12ab", 0},  // no capital letter: the walk ends
      // P
      {"~|P", 111},
      {"~|100P", 0},
      {"~|101P", 106},
      {"~|-5P", 0},
      {"~|255fP", 0},
      {"~|256fP", 106},
      {"~|256sP", 106},
      {"~|xP", 0},
      // T
      {"~|T", 0},
      {"~|1T", 0},
      {"~|2T", 106},
      // B
      {"~|5B", 106},
      {"~|3B", 0},
      {"~|0B", 106},
      {"~|21B", 106},
      // C
      {"~|uC", 0},
      {"~|2uC", 0},
      {"~|3uC", 106},
      {"~|!uC", 0},
      {"~|!9uC", 0},
      {"~|8hC", 0},
      {"~|9hC", 106},
      {"~|8vC", 0},
      {"~|9vC", 106},
      {"~|vC", 0},
      {"~|rvC", 111},
      {"~|1C", 0},
      {"~|4C", 0},
      {"~|11C", 111},
      {"~|bC", 0},
      {"~|!bC", 0},
      {"~|tbC", 111},
      {"~|!tbC", 111},
      {"~|iC", 111},
      {"~|!iC", 111},
      {"~|pC", 111},
      {"~|rC", 111},
      {"~|sC", 111},
      {"~|fC", 111},
      {"~|C", 0},
      {"~|xC", 0},
      // F
      {"~|5lF", 0},
      {"~|-1lF", 106},
      {"~|5uF", 0},
      {"~|-5uF", 106},
      {"~|rF", 111},
      {"~|F", 0},
      {"~|xF", 0},
      // L is not supported, logos included.
      {"~|tL", 111},
      {"~|bL", 111},
      // The first non-zero verdict wins.
      {"~|bCx~|9vC~|tL", 106},
      {"~|tL~|9vC", 111},
  };
  for (const CheckCase& tc : cases) {
    CEscapeTranslator translator(1, &m_host);
    EXPECT_EQ(translator.Check(T(tc.text)), tc.verdict) << tc.text;
  }
}

TEST_F(TranslatorTest, CheckRejectsUnsupportedLetters) {
  CEscapeTranslator translator(1, &m_host);
  for (char letter : std::string("DEGHIJKLMOQRSUVWXYZ")) {
    EXPECT_EQ(translator.Check(T(std::string("~|1") + letter)), 111) << letter;
    EXPECT_EQ(translator.Check(T(std::string("~|") + letter)), 111) << letter;
  }
  for (char letter : std::string("ABCFNPT")) {
    EXPECT_NE(translator.Check(T(std::string("~|1") + letter)), 111) << letter;
  }
}

TEST_F(TranslatorTest, CheckReportsOverlongSequences) {
  CEscapeTranslator translator;
  // 31 bytes after the bar pass, 32 do not.
  EXPECT_EQ(translator.Check(T("~|" + std::string(29, '0') + "bC")), 0);
  EXPECT_EQ(translator.Check(T("~|" + std::string(30, '0') + "bC")), 111);
  EXPECT_EQ(translator.Check(T("~|" + std::string(40, 'x') + "bCok")), 111);
}

TEST_F(TranslatorTest, CheckUsesTheRecordsMapMode) {
  CEscapeTranslator metric(4);
  EXPECT_EQ(metric.Check(T("~|-5uF")), 0) << "-0.4 dots truncate to 0";
  CEscapeTranslator dots(1);
  EXPECT_EQ(dots.Check(T("~|-5uF")), 106);
  dots.SetMapMode(4);
  EXPECT_EQ(dots.Check(T("~|-5uF")), 0);
}

TEST_F(TranslatorTest, CheckChangesNothing) {
  CEscapeTranslator translator(1, &m_host);
  EXPECT_EQ(translator.Check(T("~|bC~|uC~|2C~|cA~|tL")), 111);
  EXPECT_FALSE(translator.Bold() || translator.Underline() || translator.Size() ||
               translator.AlignmentSet());
  EXPECT_EQ(m_host.m_top, 0);
}

}  // namespace
