// The COM runtime (ole32's Co* functions), exported with C linkage.
//
// - CoInitialize/CoInitializeEx make the calling thread an apartment: it gets
//   its message queue (message_queue.h). The first call on a thread returns
//   S_OK, later ones S_FALSE; each successful call is balanced by
//   CoUninitialize. Only the apartment (single-threaded) model exists;
//   COINIT_MULTITHREADED is accepted and treated the same.
// - CoCreateInstance/CoGetClassObject need an initialised thread
//   (CO_E_NOTINITIALIZED otherwise). They read the library path from the
//   default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, load it
//   with dlopen (once: libraries stay cached per process) and call its
//   DllGetClassObject. A missing key gives REGDB_E_CLASSNOTREG, a library
//   that does not load CO_E_DLLNOTFOUND, one without DllGetClassObject
//   CO_E_ERRORINDLL. Only CLSCTX_INPROC_SERVER is served.
// - CoFreeUnusedLibraries unloads each cached library whose DllCanUnloadNow
//   returns S_OK. No lock is held while a library's exports run.
// - CLSIDFromProgID reads HKEY_CLASSES_ROOT\<ProgID>\CLSID; when the ProgID
//   has no CLSID key it follows <ProgID>\CurVer. An unknown ProgID gives
//   CO_E_CLASSSTRING.
#ifndef QV_PLATFORM_COM_RUNTIME_H_
#define QV_PLATFORM_COM_RUNTIME_H_

#include "platform/com/interfaces.h"
#include "platform/com/types.h"

extern "C" {

HRESULT CoInitialize(void* pvReserved);
HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit);
void CoUninitialize();

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                         void** ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);
void CoFreeUnusedLibraries();

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);

}  // extern "C"

namespace qvplatform {

// True when the calling thread has called CoInitialize and not yet balanced
// it.
bool IsComInitialized();

// The number of server libraries the runtime holds loaded.
size_t LoadedServerLibraryCount();

}  // namespace qvplatform

#endif  // QV_PLATFORM_COM_RUNTIME_H_
