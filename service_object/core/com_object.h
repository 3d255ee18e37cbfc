// The COM object plumbing of the service objects: reference counting,
// interface table, creation in plain and aggregated form.
//
// A service-object class T derives from CComObjectRoot and from its dual
// interface, and provides:
//   static const IID& InterfaceId();         its own interface
//   IDispatch* DispatchPointer();           `this` as that interface
//   HRESULT FinalConstruct();               after the constructors (window)
//   void FinalRelease();                    before the destructors
// It does not implement the IUnknown methods: CComObject<T> (plain form) or
// CComContainedObject<T> (inside an aggregate) does. The interface table is
// IUnknown, the class's interface and IDispatch, nothing else.
//
// Reference counts use plain arithmetic: an object and all calls on it
// belong to the thread that created it (apartment model). Every object holds
// one module lock from construction to destruction.
#ifndef QV_SERVICE_OBJECT_CORE_COM_OBJECT_H_
#define QV_SERVICE_OBJECT_CORE_COM_OBJECT_H_

#include <exception>
#include <new>

#include "platform/com/interfaces.h"
#include "platform/com/types.h"
#include "service_object/core/module.h"

class CComObjectRoot {
 public:
  CComObjectRoot() = default;
  CComObjectRoot(const CComObjectRoot&) = delete;
  CComObjectRoot& operator=(const CComObjectRoot&) = delete;

  ULONG InternalAddRef() { return ++m_refCount; }
  ULONG InternalRelease() { return --m_refCount; }
  // The outer unknown when the object lives in an aggregate, else null.
  IUnknown* OuterUnknown() const { return m_outerUnknown; }
  void SetOuterUnknown(IUnknown* outer) { m_outerUnknown = outer; }

 protected:
  ULONG m_refCount = 0;
  IUnknown* m_outerUnknown = nullptr;
};

// The interface table lookup shared by both forms; no reference is taken.
template <class T>
HRESULT FindComInterface(T* object, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == T::InterfaceId()) {
    *ppv = object->DispatchPointer();
    return S_OK;
  }
  return E_NOINTERFACE;
}

// The plain form.
template <class T>
class CComObject final : public T {
 public:
  CComObject() { ModuleLock(); }
  ~CComObject() {
    // Final release first (window, timers), then the module lock, then the
    // class's and the base's destructors.
    T::FinalRelease();
    ModuleUnlock();
  }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    HRESULT hr = FindComInterface<T>(this, riid, ppv);
    if (SUCCEEDED(hr)) AddRef();
    return hr;
  }
  ULONG AddRef() override { return T::InternalAddRef(); }
  ULONG Release() override {
    ULONG count = T::InternalRelease();
    if (count == 0) delete this;
    return count;
  }
};

// The object inside an aggregate: its IUnknown methods delegate to the
// outer unknown.
template <class T>
class CComContainedObject final : public T {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return T::OuterUnknown()->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return T::OuterUnknown()->AddRef(); }
  ULONG Release() override { return T::OuterUnknown()->Release(); }
};

// The aggregatable form: its own IUnknown answers for the object's identity
// and owns the contained object.
template <class T>
class CComAggObject final : public IUnknown {
 public:
  explicit CComAggObject(IUnknown* outer) {
    ModuleLock();
    m_contained.SetOuterUnknown(outer);
  }
  ~CComAggObject() {
    m_contained.FinalRelease();
    ModuleUnlock();
  }
  CComAggObject(const CComAggObject&) = delete;
  CComAggObject& operator=(const CComAggObject&) = delete;

  HRESULT FinalConstruct() { return m_contained.FinalConstruct(); }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    HRESULT hr = FindComInterface<T>(&m_contained, riid, ppv);
    if (SUCCEEDED(hr)) m_contained.AddRef();  // through the outer unknown
    return hr;
  }
  ULONG AddRef() override { return ++m_refCount; }
  ULONG Release() override {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
  }
  ULONG InternalAddRef() { return ++m_refCount; }
  ULONG InternalRelease() { return --m_refCount; }

  T& contained() { return m_contained; }

 private:
  ULONG m_refCount = 0;
  CComContainedObject<T> m_contained;
};

// Creates an object of class T (the creatable-class support). With an outer
// unknown the aggregatable form is made and `riid` must be IID_IUnknown
// (else CLASS_E_NOAGGREGATION). Allocation failure gives E_OUTOFMEMORY; a
// failing FinalConstruct or QueryInterface destroys the object and is
// returned.
template <class T>
HRESULT CreateComInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  try {
    if (outer != nullptr) {
      auto* object = new (std::nothrow) CComAggObject<T>(outer);
      if (object == nullptr) return E_OUTOFMEMORY;
      object->InternalAddRef();  // nothing inside may destroy it
      HRESULT hr = object->FinalConstruct();
      object->InternalRelease();
      if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
      if (FAILED(hr)) delete object;
      return hr;
    }
    auto* object = new (std::nothrow) CComObject<T>();
    if (object == nullptr) return E_OUTOFMEMORY;
    object->InternalAddRef();
    HRESULT hr = object->FinalConstruct();
    object->InternalRelease();
    if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete object;
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

#endif  // QV_SERVICE_OBJECT_CORE_COM_OBJECT_H_
