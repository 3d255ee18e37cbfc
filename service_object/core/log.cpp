#include "service_object/core/log.h"

#include <atomic>
#include <locale>
#include <sstream>

#include "platform/base/prefix.h"
#include "service_object/core/errors.h"
#include "service_object/core/file_log.h"

namespace {

const char kLogPath[] = "C:\\QV_Opos_Driver.log";

std::atomic<CLog*> g_replacement{nullptr};
std::atomic<CFileLog*> g_processLog{nullptr};  // trivially destructible: valid during unload

template <typename T>
std::string StreamNumber(T value) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());  // plain digits whatever the global locale
  stream << value;
  if (!stream) throw StringError("NumToString");
  return stream.str();
}

// Lines submitted after the process log was destroyed (from other objects'
// destructors at unload) are dropped here instead of reaching a freed log.
class CDiscardingLog : public CLog {
 public:
  void SetLevel(int32_t) override {}
  void Log(int32_t, int32_t, std::string, std::string) override {}
  void Log(int32_t, std::string, std::string) override {}
};

CLog& DiscardingLog() {
  static CDiscardingLog* log = new CDiscardingLog;  // never destroyed
  return *log;
}

// Owns the process log: created on first use, destroyed when the library is
// unloaded (or the program ends), which writes the pending lines.
class CProcessLogOwner {
 public:
  CProcessLogOwner() {
    std::filesystem::path path = qvplatform::MapWindowsPath(kLogPath);
    // The drive always exists on the system the paths come from; a fresh
    // prefix may not have it yet.
    if (path.parent_path() == qvplatform::DriveC()) qvplatform::EnsureDirectory(path.parent_path());
    g_processLog.store(new CFileLog(path), std::memory_order_release);
  }
  ~CProcessLogOwner() { delete g_processLog.exchange(nullptr, std::memory_order_acq_rel); }
};

}  // namespace

CLog& TheLog() {
  if (CLog* replacement = g_replacement.load(std::memory_order_acquire)) return *replacement;
  static CProcessLogOwner owner;
  if (CLog* log = g_processLog.load(std::memory_order_acquire)) return *log;
  return DiscardingLog();
}

CLog* SetLogForTesting(CLog* log) { return g_replacement.exchange(log, std::memory_order_acq_rel); }

std::string NumToString(long long value) { return StreamNumber(value); }

std::string NumToString(unsigned long long value) { return StreamNumber(value); }

std::string ControlCharText(std::string_view bytes) {
  static const char* const kNames[32] = {
      "<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEl>",
      "<BS>",  "<HT>",  "<LF>",  "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",
      "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>", "<SYN>", "<ETB>",
      "<CAN>", "<EN>",  "<SUB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>"};
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      out += kNames[byte];
    } else if (byte == 0x7F) {
      out += "<DEL>";
    } else if (byte >= 0xF0 && byte <= 0xF9) {
      out += "<F";
      out.push_back(static_cast<char>('0' + (byte - 0xF0)));
      out.push_back('>');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string HexText(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (i != 0) out.push_back(' ');
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}
