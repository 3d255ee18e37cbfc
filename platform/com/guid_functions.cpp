// ole32's GUID text functions and task allocator. On Windows ole32 itself
// exports them, so this file is built on Linux only.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com/guid.h"

extern "C" {

void* CoTaskMemAlloc(size_t cb) { return std::malloc(cb == 0 ? 1 : cb); }

void CoTaskMemFree(void* pv) { std::free(pv); }

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  std::u16string text = qvplatform::GuidToString(rguid);
  if (lpsz == nullptr || cchMax < static_cast<int>(text.size()) + 1) return 0;
  std::memcpy(lpsz, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  return static_cast<int>(text.size()) + 1;
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
  if (lplpsz == nullptr) return E_INVALIDARG;
  std::u16string text = qvplatform::GuidToString(rclsid);
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (out == nullptr) return E_OUTOFMEMORY;
  std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  *lplpsz = out;
  return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
  if (lpsz == nullptr || pclsid == nullptr) return E_INVALIDARG;
  std::u16string_view text(lpsz);
  if (!qvplatform::GuidFromString(text, pclsid)) return CO_E_CLASSSTRING;
  return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  HRESULT hr = CLSIDFromString(lpsz, lpiid);
  return hr == CO_E_CLASSSTRING ? E_INVALIDARG : hr;
}

}  // extern "C"
