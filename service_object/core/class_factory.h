// The class objects of the server: one cached class factory per coclass.
//
// CComClassFactory creates objects through a creator function (normally
// CreateComInstance<T>, com_object.h). A factory kept in the cache holds one
// reference of its own; while a client holds further references, the module
// stays locked, as does every LockServer(TRUE) until its LockServer(FALSE).
//
// GetClassObjectFrom answers DllGetClassObject from a table of classes: the
// factory of a class is created on its first request and kept until the
// library unloads; an unknown CLSID gives CLASS_E_CLASSNOTAVAILABLE. Calls
// may come from any thread; the cache is guarded.
//
// FreeClassFactories runs when the library unloads (a destructor function of
// the module): it frees every cached factory that no client holds and empties
// its slot. It touches only the cache and the heap, so it is safe whichever
// of the library's other statics are already gone. A factory a client still
// holds is left allocated rather than freed under its user.
#ifndef QV_SERVICE_OBJECT_CORE_CLASS_FACTORY_H_
#define QV_SERVICE_OBJECT_CORE_CLASS_FACTORY_H_

#include <atomic>
#include <cstddef>

#include "platform/com/interfaces.h"
#include "platform/com/types.h"

using ComCreatorFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

class CComClassFactory final : public IClassFactory {
 public:
  explicit CComClassFactory(ComCreatorFn creator) : m_creator(creator) {}
  CComClassFactory(const CComClassFactory&) = delete;
  CComClassFactory& operator=(const CComClassFactory&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT LockServer(BOOL fLock) override;

  // Only the cache's own reference is left.
  bool HeldOnlyByCache() const { return m_refCount.load() == 1; }

 private:
  ComCreatorFn m_creator;
  std::atomic<ULONG> m_refCount{1};  // the cache's own reference
};

struct ComClassEntry {
  const CLSID* clsid;
  ComCreatorFn creator;
};

// The class object of `rclsid` among `classes`, queried for `riid`.
// `cache` has one slot per class entry and keeps the factories.
HRESULT GetClassObjectFrom(const ComClassEntry* classes, CComClassFactory** cache, size_t count,
                           REFCLSID rclsid, REFIID riid, void** ppv);

// Frees the factories of `cache` that no client holds; see above.
void FreeClassFactories(CComClassFactory** cache, size_t count);

#endif  // QV_SERVICE_OBJECT_CORE_CLASS_FACTORY_H_
