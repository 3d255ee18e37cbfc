// Feeds arbitrary bytes to the escape translator and the check.
//
// Input: byte 0 selects the map mode (0 to 4), byte 1 which stored bitmaps
// hold data, the rest is the print text. Both walks must finish without a
// crash or leak; a rejected text (negative feed) must leave the command
// object as it was. Inputs are capped at 128 bytes: a single sequence may
// legitimately ask for 2^31 line feeds (25 MB of commands), and the cap keeps
// the total within the fuzzer's memory limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/escape_translator.h"

namespace {

constexpr size_t kMaxInput = 128;

class DroppingLog : public CLog {
 public:
  void SetLevel(int32_t) override {}
  void Log(int32_t, int32_t, std::string, std::string) override {}
  void Log(int32_t, std::string, std::string) override {}
};

class Host : public CEscapeHost {
 public:
  explicit Host(uint8_t mask) : m_mask(mask) {}
  std::string StoredBitmap(LONG number) const override {
    if (number < 1 || number > 20) std::abort();  // the translator checks the range
    if ((m_mask >> (number % 8)) & 1) return "\x1B\x61\x01" + std::string(size_t(number), 'b');
    return {};
  }
  void RequestLogo(bool) override {}

 private:
  uint8_t m_mask;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static DroppingLog log;
  static bool installed = (SetLogForTesting(&log), true);
  (void)installed;
  if (size < 2 || size > kMaxInput) return 0;

  Host host(data[1]);
  CEscapeTranslator translator(static_cast<LONG>(data[0] % 5), &host);
  std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  LONG verdict = translator.Check(text);
  if (verdict != 0 && verdict != 106 && verdict != 111) std::abort();

  EscCmd cmd;
  cmd.Initialize();
  // Twice with the same record: the second call goes through the reset step.
  for (int round = 0; round < 2; ++round) {
    const std::string before(cmd.Bytes());
    try {
      LONG count = translator.Translate(text, cmd);
      if (count < 0 || static_cast<size_t>(count) > text.size()) std::abort();
    } catch (const OposError&) {
      // A negative feed: the check said so, and the call left nothing behind.
      if (verdict == 0) std::abort();
      if (cmd.Bytes() != before) std::abort();
      break;
    }
  }
  return 0;
}
