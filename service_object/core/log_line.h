// The layout of one trace line, kept apart from the file writer so that a
// whole line can be checked byte for byte:
//
//   "12/08/2026 20:53:18.123  4   CDevice         >>> FreezeEvents"
//
// date and time (month/day/year hour:minute:second.milliseconds, zero
// padded), two spaces, the level left-aligned in 2 columns, two spaces, the
// source tag left-aligned in 15 columns (a longer tag is written in full),
// one space, "    | " per unit of depth, the text. No line end.
//
// Pure functions; any thread.
#ifndef QV_SERVICE_OBJECT_CORE_LOG_LINE_H_
#define QV_SERVICE_OBJECT_CORE_LOG_LINE_H_

#include <cstdint>
#include <string>
#include <string_view>

// A broken-down local time with its millisecond part.
struct LogTime {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;  // 0 to 999
};

// The current local time (the time source a CFileLog uses by default).
LogTime LocalLogTime();

std::string FormatLogLine(const LogTime& time, int32_t level, std::string_view source,
                          int32_t depth, std::string_view text);

#endif  // QV_SERVICE_OBJECT_CORE_LOG_LINE_H_
