// libFuzzer target: the qvopos shell's line parser on arbitrary bytes. It
// must give tokens or a reason for every input, and a line it accepts must
// parse the same way again after its tokens are written back quoted.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/shell_parser.h"

namespace {

// Writes a token back as a quoted string whose parse yields the same text.
std::string Quote(const std::u16string& text) {
  std::string out = "\"";
  for (char16_t unit : text) {
    if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit < 0x20 || (unit >= 0x80 && unit < 0x100)) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(unit));
      out += hex;
    } else if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else {
      // Anything else as UTF-8 (surrogate pairs come through as a pair).
      return {};
    }
  }
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const qvcli::ParsedLine parsed = qvcli::ParseShellLine(line);
  if (!parsed.ok) {
    if (parsed.error.empty() || !parsed.tokens.empty()) std::abort();
    return 0;
  }
  std::string again;
  for (const qvcli::ShellToken& token : parsed.tokens) {
    const std::string quoted = Quote(token.text);
    if (quoted.empty()) return 0;  // characters beyond U+00FF: not re-encoded here
    again += quoted + " ";
  }
  const qvcli::ParsedLine reparsed = qvcli::ParseShellLine(again);
  if (!reparsed.ok || reparsed.tokens.size() != parsed.tokens.size()) std::abort();
  for (size_t i = 0; i < parsed.tokens.size(); ++i) {
    if (reparsed.tokens[i].text != parsed.tokens[i].text) std::abort();
  }
  return 0;
}
