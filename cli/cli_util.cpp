#include "cli/cli_util.h"

#include <cstdio>

#include "platform/text/codepage.h"

namespace qvcli {

void Out(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Err(std::string_view reason) {
  std::fputs("qvopos: ", stderr);
  std::fwrite(reason.data(), 1, reason.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

int Usage(std::string_view reason) {
  Err(reason);
  return kExitUsage;
}

int Failed(std::string_view reason) {
  Err(reason);
  return kExitFailed;
}

std::string Narrow(std::u16string_view text) { return qvplatform::WideToUtf8(text); }
std::u16string Widen(std::string_view text) { return qvplatform::Utf8ToWide(text); }

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseNumber(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string_view digits = text.substr(2);
    if (digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string Printable(std::u16string_view text) {
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] >= 0x20) continue;
    out += Narrow(text.substr(start, i - start));
    if (i < text.size()) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(text[i]));
      out += hex;
    }
    start = i + 1;
  }
  return out;
}

bool WantsHelp(const Args& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

bool TakeOptions(Args* args, const std::vector<OptionSpec>& specs, std::string* reason) {
  Args positional;
  for (size_t i = 0; i < args->size(); ++i) {
    const std::string& arg = (*args)[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& candidate : specs) {
      if (arg == candidate.name) spec = &candidate;
    }
    if (spec == nullptr) {
      *reason = "unknown option " + arg;
      return false;
    }
    if (i + 1 >= args->size()) {
      *reason = "option " + arg + " needs a value";
      return false;
    }
    *spec->value = (*args)[++i];
  }
  *args = std::move(positional);
  return true;
}

}  // namespace qvcli
