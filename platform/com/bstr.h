// The BSTR allocator (oleaut32's Sys* functions), exported with C linkage.
//
// A BSTR is a pointer to UTF-16 characters preceded by a 4-byte byte length
// and followed by a NUL character. A null BSTR is the empty string: every
// function here accepts it. Lengths count characters unless the name says
// bytes. Allocation failure (or a length too large for the 32-bit prefix)
// gives a null result. Thread-safe; a BSTR may be freed on any thread.
//
// On Windows these are oleaut32's own functions: the declarations bind to
// its exports, which take the same arguments (OLECHAR is a UTF-16 unit there
// too, spelt wchar_t), so a BSTR crosses to and from Windows clients as is.
#ifndef QV_PLATFORM_COM_BSTR_H_
#define QV_PLATFORM_COM_BSTR_H_

#include <string>
#include <string_view>

#include "platform/com/types.h"

extern "C" {

// Copies a NUL-terminated string; null gives null.
BSTR SysAllocString(const OLECHAR* psz);
// Copies `cch` characters (embedded NULs kept); `pch` null gives a zeroed
// string of that length.
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
// Copies `len` bytes (odd lengths allowed); `psz` null gives zeroed bytes.
BSTR SysAllocStringByteLen(const char* psz, UINT len);
void SysFreeString(BSTR bstrString);
// Replaces *pbstr by a copy of `psz`; TRUE on success.
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR pbstr);

}  // extern "C"

namespace qvplatform {

// A BSTR holding `text`; null on allocation failure.
inline BSTR AllocBstr(std::u16string_view text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// The characters of a BSTR (its full length, embedded NULs included).
inline std::u16string_view BstrView(BSTR b) { return std::u16string_view(b, SysStringLen(b)); }

// RAII owner of a BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text) : b_(AllocBstr(text)) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(Bstr&& other) noexcept : b_(other.Detach()) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return b_; }
  BSTR* receive() {
    Attach(nullptr);
    return &b_;
  }
  void Attach(BSTR b) {
    SysFreeString(b_);
    b_ = b;
  }
  BSTR Detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  std::u16string_view view() const { return BstrView(b_); }

 private:
  BSTR b_ = nullptr;
};

}  // namespace qvplatform

#endif  // QV_PLATFORM_COM_BSTR_H_
