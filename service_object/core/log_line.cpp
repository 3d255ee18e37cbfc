#include "service_object/core/log_line.h"

#include <time.h>

#include <chrono>

namespace {

// Appends `value` in decimal, right-aligned and padded with '0' to `width`
// digits; wider values are written in full.
void AppendPadded(std::string& out, long long value, size_t width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (value < 0) out.push_back('-');
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

// Appends `text` left-aligned in a field of `width`, padded with spaces.
void AppendLeft(std::string& out, std::string_view text, size_t width) {
  out.append(text);
  if (text.size() < width) out.append(width - text.size(), ' ');
}

}  // namespace

LogTime LocalLogTime() {
  auto now = std::chrono::system_clock::now();
  time_t seconds = std::chrono::system_clock::to_time_t(now);
  struct tm local {};
  localtime_r(&seconds, &local);
  auto since_epoch = now.time_since_epoch();
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000;
  if (ms < 0) ms += 1000;

  LogTime time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.millisecond = static_cast<int>(ms);
  return time;
}

std::string FormatLogLine(const LogTime& time, int32_t level, std::string_view source,
                          int32_t depth, std::string_view text) {
  std::string line;
  line.reserve(48 + source.size() + text.size());
  AppendPadded(line, time.month, 2);
  line.push_back('/');
  AppendPadded(line, time.day, 2);
  line.push_back('/');
  AppendPadded(line, time.year, 4);
  line.push_back(' ');
  AppendPadded(line, time.hour, 2);
  line.push_back(':');
  AppendPadded(line, time.minute, 2);
  line.push_back(':');
  AppendPadded(line, time.second, 2);
  line.push_back('.');
  AppendPadded(line, time.millisecond, 3);
  line.append("  ");
  AppendLeft(line, std::to_string(level), 2);
  line.append("  ");
  AppendLeft(line, source, 15);
  line.push_back(' ');
  for (int32_t i = 0; i < depth; ++i) line.append("    | ");
  line.append(text);
  return line;
}
