// Test support: a stand-in OPOS control object. It implements IDispatch
// through the dispatch helper with the five callbacks a service object
// resolves (SOData, SODirectIO, SOError, SOStatusUpdate, SOOutputComplete),
// and records every GetIDsOfNames call, every Invoke and every callback it
// receives, with the calling thread. Optionally it leaves out SOStatusUpdate
// or fails a callback. Safe to call from several threads; tests wait for
// callbacks with WaitForCallbacks (bounded).
#ifndef QV_SERVICE_OBJECT_CORE_STAND_IN_CONTROL_OBJECT_H_
#define QV_SERVICE_OBJECT_CORE_STAND_IN_CONTROL_OBJECT_H_

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/interfaces.h"

class CStandInControlObject final : public IDispatch {
 public:
  struct Callback {
    std::u16string name;
    LONG value;
    std::thread::id thread;
  };
  struct NameCall {
    std::u16string name;
    UINT count;
    LCID lcid;
    bool nullIid;
  };
  struct InvokeCall {
    DISPID dispid;
    LCID lcid;
    WORD flags;
    UINT args;
    UINT namedArgs;
    VARTYPE firstType;
    bool nullIid;
    bool hasResult;
    HRESULT hr;
  };

  // Dispids the stand-in gives its callbacks (not 1 to 5, so that a mix-up
  // of names and positions shows).
  static constexpr DISPID kSOData = 11;
  static constexpr DISPID kSODirectIO = 12;
  static constexpr DISPID kSOError = 13;
  static constexpr DISPID kSOStatusUpdate = 14;
  static constexpr DISPID kSOOutputComplete = 15;

  explicit CStandInControlObject(bool withStatusUpdate = true)
      : m_table(withStatusUpdate ? FullTable() : TableWithoutStatusUpdate()) {}

  // --- IUnknown (the object lives on the test's stack) ---
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  // --- IDispatch ---
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    return qvplatform::DispatchTable::GetTypeInfoCount(pctinfo);
  }
  HRESULT GetTypeInfo(UINT i, LCID lcid, ITypeInfo** pp) override {
    return qvplatform::DispatchTable::GetTypeInfo(i, lcid, pp);
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_nameCalls.push_back({count > 0 && names != nullptr ? std::u16string(names[0]) : u"", count,
                             lcid, IsEqualGUID(riid, IID_NULL)});
    }
    return m_table.GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    HRESULT hr = m_table.Invoke(this, id, riid, lcid, flags, params, result, excep, argErr);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_invokes.push_back({id, lcid, flags, params ? params->cArgs : 0,
                         params ? params->cNamedArgs : 0,
                         params && params->cArgs > 0 ? params->rgvarg[0].vt : VARTYPE(VT_EMPTY),
                         IsEqualGUID(riid, IID_NULL), result != nullptr, hr});
    m_cv.notify_all();
    return hr;
  }

  // --- the callbacks ---
  HRESULT SOData(LONG status) { return Record(u"SOData", status); }
  HRESULT SODirectIO(LONG number, LONG* pData, BSTR* pString) {
    (void)pData;
    (void)pString;
    return Record(u"SODirectIO", number);
  }
  HRESULT SOError(LONG resultCode, LONG resultCodeExtended, LONG errorLocus, LONG* pResponse) {
    (void)resultCodeExtended;
    (void)errorLocus;
    (void)pResponse;
    return Record(u"SOError", resultCode);
  }
  HRESULT SOStatusUpdate(LONG data) { return Record(u"SOStatusUpdate", data); }
  HRESULT SOOutputComplete(LONG outputId) { return Record(u"SOOutputComplete", outputId); }

  // Makes the named callback return E_FAIL from now on.
  void FailCallback(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failing = name;
  }

  std::vector<Callback> Callbacks() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_callbacks;
  }
  std::vector<NameCall> NameCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nameCalls;
  }
  std::vector<InvokeCall> Invokes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_invokes;
  }
  // Waits (at most `timeoutMs`) until `count` Invoke calls have returned.
  bool WaitForInvokes(size_t count, int64_t timeoutMs = 5000) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return m_invokes.size() >= count; });
  }

 private:
  HRESULT Record(const char16_t* name, LONG value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callbacks.push_back({name, value, std::this_thread::get_id()});
    return m_failing == name ? E_FAIL : S_OK;
  }

  static const qvplatform::DispatchTable& FullTable() {
    static const qvplatform::DispatchTable table(Members(true));
    return table;
  }
  static const qvplatform::DispatchTable& TableWithoutStatusUpdate() {
    static const qvplatform::DispatchTable table(Members(false));
    return table;
  }
  static std::vector<qvplatform::DispMember> Members(bool withStatusUpdate) {
    using C = CStandInControlObject;
    std::vector<qvplatform::DispMember> members = {
        qvplatform::DispMethod<&C::SOData>(u"SOData", kSOData, {VT_I4}),
        qvplatform::DispMethod<&C::SODirectIO>(u"SODirectIO", kSODirectIO,
                                               {VT_I4, VT_BYREF | VT_I4, VT_BYREF | VT_BSTR}),
        qvplatform::DispMethod<&C::SOError>(u"SOError", kSOError,
                                            {VT_I4, VT_I4, VT_I4, VT_BYREF | VT_I4}),
        qvplatform::DispMethod<&C::SOOutputComplete>(u"SOOutputComplete", kSOOutputComplete,
                                                     {VT_I4}),
    };
    if (withStatusUpdate) {
      members.push_back(
          qvplatform::DispMethod<&C::SOStatusUpdate>(u"SOStatusUpdate", kSOStatusUpdate, {VT_I4}));
    }
    return members;
  }

  const qvplatform::DispatchTable& m_table;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_cv;
  std::vector<Callback> m_callbacks;
  std::vector<NameCall> m_nameCalls;
  std::vector<InvokeCall> m_invokes;
  std::u16string m_failing;
};

#endif  // QV_SERVICE_OBJECT_CORE_STAND_IN_CONTROL_OBJECT_H_
