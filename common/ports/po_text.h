// Fixed message texts of the tools in English and Simplified Chinese, looked
// up by key. Each tool program has its own table: the configuration tool's
// (twelve rows) and the test application's (thirteen: its printer row reads
// "Please Select Printer!" and a drawer row follows it).
//
// BaseGetPOText answers from the program's table (SelectPOTextTable, the
// configuration tool's unless chosen otherwise) in the language latched on
// its first call: Chinese when the system default language is 0x0804,
// English otherwise. A change of language takes effect when the program
// starts again.
//
// Threads: the table choice and the language are process-wide and are set
// once; select the table before the first lookup.
#ifndef QV_COMMON_PORTS_PO_TEXT_H_
#define QV_COMMON_PORTS_PO_TEXT_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "common/ports/system_language.h"

namespace qvports {

struct POTextRow {
  const char* key;
  const char16_t* english;
  const char16_t* chinese;
};

enum class POTextTable { kConfigTool, kTestApp };

std::span<const POTextRow> POTextRows(POTextTable table);

// The buffer BaseGetPOText writes must hold the longest text with its
// terminator; every caller passes at least kPOTextBufferUnits.
inline constexpr size_t kPOTextBufferUnits = 260;

// The lookup of BaseGetPOText with the table and language given: copies the
// row's text with its terminator into `out` and returns `out`; null (and
// `out` untouched) when `key` is not in the table (byte-wise, case-sensitive).
char16_t* GetPOText(POTextTable table, bool chinese, const char* key, char16_t* out);

// The language choice of a program: reads the language identifier through
// `read` on the first IsChinese() call and keeps the answer.
class POTextLanguage {
 public:
  explicit POTextLanguage(std::function<LANGID()> read) : m_read(std::move(read)) {}

  bool IsChinese();
  LANGID LangId() const { return m_langId.load(std::memory_order_relaxed); }

 private:
  std::function<LANGID()> m_read;
  std::atomic<LANGID> m_langId{0};
  std::atomic<bool> m_chinese{false};
};

// Chooses the program's table for BaseGetPOText.
void SelectPOTextTable(POTextTable table);

}  // namespace qvports

extern "C" {

// The program's text for `key` (8-bit) in the system language, copied into
// `out`; null when the key is not in the table. Stands for the standard-call
// export _BaseGetPOText@8 of the Windows tools.
char16_t* BaseGetPOText(const char* key, char16_t* out);

}  // extern "C"

#endif  // QV_COMMON_PORTS_PO_TEXT_H_
