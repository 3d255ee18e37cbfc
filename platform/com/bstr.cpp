#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

// Largest byte length the 4-byte prefix and the allocation can hold.
constexpr size_t kMaxBytes = 0x7FFFFFF0u;

// Allocates room for `bytes` of string data plus the prefix and a
// two-byte NUL, writes the prefix and the terminator, and returns the string
// start. Copies `data` when given, else zeroes.
BSTR Allocate(const void* data, size_t bytes) {
  if (bytes > kMaxBytes) return nullptr;
  // Rounded up so that the terminator is always a whole, aligned OLECHAR.
  size_t storage = sizeof(uint32_t) + bytes + sizeof(OLECHAR) + 1;
  auto* block = static_cast<unsigned char*>(std::malloc(storage));
  if (block == nullptr) return nullptr;
  uint32_t length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &length, sizeof(length));
  unsigned char* text = block + sizeof(uint32_t);
  if (data != nullptr) {
    std::memcpy(text, data, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  std::memset(text + bytes, 0, sizeof(OLECHAR) + 1);
  return reinterpret_cast<BSTR>(text);
}

size_t WideLength(const OLECHAR* psz) {
  size_t n = 0;
  while (psz[n] != 0) ++n;
  return n;
}

unsigned char* BlockOf(BSTR b) { return reinterpret_cast<unsigned char*>(b) - sizeof(uint32_t); }

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  return Allocate(psz, WideLength(psz) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  return Allocate(pch, static_cast<size_t>(cch) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) { return Allocate(psz, len); }

void SysFreeString(BSTR bstrString) {
  if (bstrString != nullptr) std::free(BlockOf(bstrString));
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (pbstr == nullptr) return 0;
  BSTR fresh = SysAllocString(psz);
  if (fresh == nullptr && psz != nullptr) return 0;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return 1;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (pbstr == nullptr) return 0;
  BSTR fresh = SysAllocStringLen(psz, len);
  if (fresh == nullptr) return 0;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return 1;
}

UINT SysStringByteLen(BSTR pbstr) {
  if (pbstr == nullptr) return 0;
  uint32_t length;
  std::memcpy(&length, BlockOf(pbstr), sizeof(length));
  return length;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

}  // extern "C"
