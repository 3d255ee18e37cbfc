// GUID text conversion and the COM task allocator (ole32), exported with C
// linkage. The text form is "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with
// upper-case hexadecimal digits; parsing accepts either case and requires
// the braces. Thread-safe.
//
// On Windows the C functions are ole32's own: these declarations bind to
// its exports (OLECHAR is a UTF-16 unit on both sides); the qvplatform
// helpers are ours on every system.
#ifndef QV_PLATFORM_COM_GUID_H_
#define QV_PLATFORM_COM_GUID_H_

#include <string>
#include <string_view>

#include "platform/com/types.h"

extern "C" {

void* CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(void* pv);

// Writes the text form and its NUL into `lpsz`; returns the characters
// written including the NUL (39), or 0 when `cchMax` is too small.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// *lplpsz receives the text form in CoTaskMemAlloc memory.
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
// CO_E_CLASSSTRING when the text is not a braced GUID.
HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid);

}  // extern "C"

namespace qvplatform {

std::u16string GuidToString(REFGUID guid);
std::string GuidToNarrowString(REFGUID guid);
bool GuidFromString(std::u16string_view text, GUID* guid);

}  // namespace qvplatform

#endif  // QV_PLATFORM_COM_GUID_H_
