// The trace log: one process-wide CFileLog writing "C:\QV_Opos_Driver.log"
// (mapped into the prefix). Callers hand a line with a level and a source
// tag; lines at or below the threshold are queued and written, stamped with
// the time, by the log's writer thread. Log() never waits for the file.
//
// Any thread may call Log(). TheLog() is constructed on first use (in
// practice when the library loads) and lives until the library unloads.
#ifndef QV_SERVICE_OBJECT_CORE_LOG_H_
#define QV_SERVICE_OBJECT_CORE_LOG_H_

#include <cstdint>
#include <string>
#include <string_view>

class CLog {
 public:
  virtual ~CLog() = default;
  virtual void SetLevel(int32_t level) = 0;
  // The same as the three-argument form; `flag` is ignored.
  virtual void Log(int32_t level, int32_t flag, std::string source, std::string text) = 0;
  virtual void Log(int32_t level, std::string source, std::string text) = 0;
};

// The one instance of the process.
CLog& TheLog();

// Makes TheLog() return `log` (null restores the file log) and returns the
// previous replacement. For tests that check trace lines; call it while no
// other thread is logging.
CLog* SetLogForTesting(CLog* log);

// Decimal text of an integer, no grouping (raises StringError "NumToString"
// if the conversion fails).
std::string NumToString(long long value);
std::string NumToString(unsigned long long value);
inline std::string NumToString(int value) { return NumToString(static_cast<long long>(value)); }
inline std::string NumToString(long value) { return NumToString(static_cast<long long>(value)); }
inline std::string NumToString(short value) { return NumToString(static_cast<long long>(value)); }
inline std::string NumToString(unsigned value) {
  return NumToString(static_cast<unsigned long long>(value));
}
inline std::string NumToString(unsigned long value) {
  return NumToString(static_cast<unsigned long long>(value));
}

// Bytes with control characters named: 0x1B 0x21 0x0A 0xF5 0x41 gives
// "<ESC>!<LF><F5>A".
std::string ControlCharText(std::string_view bytes);

// Bytes as upper-case hexadecimal pairs separated by one space: "1B 40".
std::string HexText(std::string_view bytes);

#endif  // QV_SERVICE_OBJECT_CORE_LOG_H_
