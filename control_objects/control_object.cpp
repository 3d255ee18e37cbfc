#include "control_objects/control_object.h"

#include <algorithm>

#include "common/toolreg/opos_tool_reg_key.h"
#include "platform/apartment/message_window.h"
#include "platform/apartment/window.h"
#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"
#include "platform/com/runtime.h"
#include "platform/com/variant.h"
#include "service_object/core/opos_constants.h"

namespace qvcontrols {
namespace {

constexpr UINT kWmDeliverEvents = WM_USER + 1;
constexpr LONG kControlObjectVersion = 1014000;
constexpr char16_t kControlObjectDescription[] = u"QV OPOS stand-in control object";

std::atomic<size_t> g_liveObjects{0};

struct CallbackName {
  const char16_t* name;
  DISPID dispid;
};
constexpr CallbackName kCallbacks[] = {
    {u"SOData", kDispidSOData},
    {u"SODirectIO", kDispidSODirectIO},
    {u"SOError", kDispidSOError},
    {u"SOOutputComplete", kDispidSOOutputComplete},
    {u"SOStatusUpdate", kDispidSOStatusUpdate},
};

VARIANT LongVariant(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

// Owns a vector of VARIANTs and clears them at the end.
struct VariantList {
  std::vector<VARIANT> items;
  ~VariantList() {
    for (VARIANT& v : items) VariantClear(&v);
  }
};

// The argument `index` (declared order) of `params`.
VARIANT* ArgAt(DISPPARAMS* params, UINT index) {
  return &params->rgvarg[params->cArgs - 1 - index];
}

HRESULT ToLong(const VARIANT* source, LONG* value) {
  qvplatform::Variant converted;
  HRESULT hr = VariantChangeType(converted.get(), source, 0, VT_I4);
  if (FAILED(hr)) return hr;
  *value = converted->lVal;
  return S_OK;
}

HRESULT ToText(const VARIANT* source, std::u16string* text) {
  qvplatform::Variant converted;
  HRESULT hr = VariantChangeType(converted.get(), source, 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  *text = std::u16string(qvplatform::BstrView(converted->bstrVal));
  return S_OK;
}

// Writes `value` back through a caller's by-reference argument.
void WriteBackLong(VARIANT* arg, LONG value) {
  if (arg->vt == (VT_BYREF | VT_I4)) {
    *arg->plVal = value;
  } else if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VariantClear(arg->pvarVal);
    *arg->pvarVal = LongVariant(value);
  }
}

void WriteBackText(VARIANT* arg, BSTR value) {
  if (arg->vt == (VT_BYREF | VT_BSTR)) {
    SysFreeString(*arg->pbstrVal);
    *arg->pbstrVal = SysAllocStringLen(value, SysStringLen(value));
  } else if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VariantClear(arg->pvarVal);
    arg->pvarVal->vt = VT_BSTR;
    arg->pvarVal->bstrVal = SysAllocStringLen(value, SysStringLen(value));
  }
}

}  // namespace

const char16_t* EventName(DISPID dispid) {
  switch (dispid) {
    case kDispidDataEvent: return u"DataEvent";
    case kDispidDirectIOEvent: return u"DirectIOEvent";
    case kDispidErrorEvent: return u"ErrorEvent";
    case kDispidOutputCompleteEvent: return u"OutputCompleteEvent";
    case kDispidStatusUpdateEvent: return u"StatusUpdateEvent";
    default: return nullptr;
  }
}

size_t LiveControlObjects() { return g_liveObjects.load(); }

// The hidden window through which queued events reach the owner thread.
class EventWindow : public qvplatform::MessageWindow {
 public:
  explicit EventWindow(CControlObject* owner) : m_owner(owner) {}
  ~EventWindow() override { Destroy(); }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kWmDeliverEvents) {
      m_owner->DeliverEvents();
      return 0;
    }
    return MessageWindow::WindowProc(msg, wParam, lParam);
  }

 private:
  CControlObject* m_owner;
};

CControlObject* CControlObject::Create(DeviceClass deviceClass) {
  auto* object = new CControlObject(deviceClass);
  object->m_window = std::make_unique<EventWindow>(object);
  qvplatform::WindowPlacement placement{0, 0, 100, 100};
  if (object->m_window->Create(u"CControlObjectWindow", WS_POPUP, 0, placement) != ERROR_SUCCESS) {
    object->Release();
    return nullptr;
  }
  return object;
}

CControlObject::CControlObject(DeviceClass deviceClass) : m_deviceClass(deviceClass) {
  ++g_liveObjects;
}

CControlObject::~CControlObject() {
  if (m_so != nullptr) CloseDevice();
  m_window.reset();
  for (IDispatch* sink : m_sinks) sink->Release();
  --g_liveObjects;
}

HRESULT CControlObject::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *ppvObject = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppvObject = nullptr;
  return E_NOINTERFACE;
}

ULONG CControlObject::AddRef() { return ++m_refs; }

ULONG CControlObject::Release() {
  ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT CControlObject::GetTypeInfoCount(UINT* pctinfo) {
  return qvplatform::DispatchTable::GetTypeInfoCount(pctinfo);
}

HRESULT CControlObject::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
  return qvplatform::DispatchTable::GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT CControlObject::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (cNames == 0 || rgszNames == nullptr || rgDispId == nullptr) return E_INVALIDARG;
  // Only member names are known; parameter names are not.
  for (UINT i = 1; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  std::u16string name = rgszNames[0] == nullptr ? u"" : rgszNames[0];
  if (const MethodDef* method = FindMethod(m_deviceClass, name)) {
    rgDispId[0] = method->dispid;
  } else if (const PropertyDef* property = FindProperty(m_deviceClass, name)) {
    rgDispId[0] = property->dispid;
  } else {
    rgDispId[0] = DISPID_UNKNOWN;
    for (const CallbackName& callback : kCallbacks) {
      if (qvplatform::DispNamesEqual(callback.name, name.c_str())) rgDispId[0] = callback.dispid;
    }
    if (rgDispId[0] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
  }
  return cNames > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT CControlObject::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                               UINT* puArgErr) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (pDispParams == nullptr) pDispParams = &none;
  if (dispIdMember >= kDispidSOData && dispIdMember <= kDispidSOStatusUpdate) {
    return QueueCallback(dispIdMember, pDispParams);
  }
  if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    const PropertyDef* property = FindProperty(m_deviceClass, dispIdMember);
    if (property == nullptr) return DISP_E_MEMBERNOTFOUND;
    return PutProperty(*property, pDispParams, puArgErr);
  }
  if (pDispParams->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if ((wFlags & DISPATCH_METHOD) != 0) {
    if (const MethodDef* method = FindMethod(m_deviceClass, dispIdMember)) {
      return InvokeMethod(*method, pDispParams, pVarResult, puArgErr);
    }
  }
  if ((wFlags & DISPATCH_PROPERTYGET) != 0) {
    if (const PropertyDef* property = FindProperty(m_deviceClass, dispIdMember)) {
      if (pDispParams->cArgs != 0) return DISP_E_BADPARAMCOUNT;
      return GetProperty(*property, pVarResult);
    }
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT CControlObject::InvokeMethod(const MethodDef& def, DISPPARAMS* params, VARIANT* result,
                                     UINT* argErr) {
  if (params->cArgs != def.params.size()) return DISP_E_BADPARAMCOUNT;

  // Convert the caller's arguments to the declared types first, so that a
  // bad argument reaches nobody.
  std::vector<LONG> longs(def.params.size(), 0);
  std::vector<std::u16string> texts(def.params.size());
  for (UINT i = 0; i < def.params.size(); ++i) {
    ArgType type = def.params[i].type;
    bool isLong = type == ArgType::kLong || type == ArgType::kLongRef;
    HRESULT hr = isLong ? ToLong(ArgAt(params, i), &longs[i]) : ToText(ArgAt(params, i), &texts[i]);
    if (FAILED(hr)) {
      if (argErr != nullptr) *argErr = params->cArgs - 1 - i;
      return DISP_E_TYPEMISMATCH;
    }
  }

  LONG rc = OPOS_SUCCESS;
  if (def.soResult == SoResult::kLocal) {
    rc = def.dispid == 37 ? OpenDevice(texts[0]) : CloseDevice();
  } else if (m_so == nullptr) {
    rc = OPOS_E_CLOSED;
    m_resultCode = rc;
    m_resultCodeExtended = 0;
  } else {
    // By-reference values live here while the service object runs.
    std::vector<BSTR> refTexts(def.params.size(), nullptr);
    VariantList args;
    for (UINT i = 0; i < def.params.size(); ++i) {
      VARIANT v;
      VariantInit(&v);
      switch (def.params[i].type) {
        case ArgType::kLong: v = LongVariant(longs[i]); break;
        case ArgType::kString:
          v.vt = VT_BSTR;
          v.bstrVal = qvplatform::AllocBstr(texts[i]);
          break;
        case ArgType::kLongRef:
          v.vt = VT_BYREF | VT_I4;
          v.plVal = &longs[i];
          break;
        case ArgType::kStringRef:
          refTexts[i] = qvplatform::AllocBstr(texts[i]);
          v.vt = VT_BYREF | VT_BSTR;
          v.pbstrVal = &refTexts[i];
          break;
      }
      args.items.push_back(v);
    }
    LONG rcPointer = OPOS_SUCCESS;
    if (def.soResult == SoResult::kRcPointer) {
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &rcPointer;
      args.items.push_back(v);
    }
    qvplatform::Variant soResult;
    HRESULT hr =
        CallSo(def.name, args.items, def.soResult == SoResult::kRetval ? soResult.get() : nullptr);
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
      rc = OPOS_E_NOSERVICE;  // the service object has no such method
      m_resultCodeExtended = 0;
    } else if (FAILED(hr)) {
      rc = OPOS_E_FAILURE;
      m_resultCodeExtended = 0;
    } else {
      switch (def.soResult) {
        case SoResult::kRetval:
          if (FAILED(ToLong(soResult.get(), &rc))) rc = OPOS_E_FAILURE;
          m_resultCodeExtended = ReadSoNumber(PIDX_ResultCodeExtended);
          break;
        case SoResult::kRcPointer:
          rc = rcPointer;
          m_resultCodeExtended = ReadSoNumber(PIDX_ResultCodeExtended);
          break;
        default:
          rc = ReadSoNumber(PIDX_ResultCode);
          m_resultCodeExtended = 0;
          break;
      }
      for (UINT i = 0; i < def.params.size(); ++i) {
        if (def.params[i].type == ArgType::kLongRef) WriteBackLong(ArgAt(params, i), longs[i]);
        if (def.params[i].type == ArgType::kStringRef) {
          WriteBackText(ArgAt(params, i), refTexts[i]);
        }
      }
    }
    for (BSTR text : refTexts) SysFreeString(text);
    m_resultCode = rc;
  }
  if (result != nullptr) {
    VariantClear(result);
    *result = LongVariant(rc);
  }
  return S_OK;
}

HRESULT CControlObject::GetProperty(const PropertyDef& def, VARIANT* result) {
  qvplatform::Variant value;
  if (def.kind == PropKind::kLocal) {
    if (def.localString) {
      value->vt = VT_BSTR;
      value->bstrVal = SysAllocString(kControlObjectDescription);
    } else if (def.pidx == PIDX_ResultCode) {
      *value.get() = LongVariant(m_resultCode);
    } else if (def.pidx == PIDX_ResultCodeExtended) {
      *value.get() = LongVariant(m_resultCodeExtended);
    } else if (std::u16string_view(def.name) == u"OpenResult") {
      *value.get() = LongVariant(m_openResult);
    } else {
      *value.get() = LongVariant(kControlObjectVersion);
    }
  } else if (m_so == nullptr) {
    if (def.pidx == 9) {
      *value.get() = LongVariant(OPOS_S_CLOSED);  // State
    } else {
      m_resultCode = OPOS_E_CLOSED;
      m_resultCodeExtended = 0;
      if (def.kind == PropKind::kString) {
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocString(u"");
      } else {
        *value.get() = LongVariant(0);
      }
    }
  } else {
    VariantList args;
    args.items.push_back(LongVariant(def.pidx));
    const char16_t* getter =
        def.kind == PropKind::kString ? u"GetPropertyString" : u"GetPropertyNumber";
    HRESULT hr = CallSo(getter, args.items, value.get());
    if (FAILED(hr)) {
      VariantClear(value.get());
      m_resultCode = OPOS_E_FAILURE;
      m_resultCodeExtended = 0;
      return hr;
    }
    m_resultCode = ReadSoNumber(PIDX_ResultCode);
    m_resultCodeExtended = 0;
  }
  if (result != nullptr) {
    VariantClear(result);
    *result = *value.get();
    value->vt = VT_EMPTY;  // ownership moved to the caller
  }
  return S_OK;
}

HRESULT CControlObject::PutProperty(const PropertyDef& def, DISPPARAMS* params, UINT* argErr) {
  if (!def.writable) return DISP_E_MEMBERNOTFOUND;
  if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  VARIANT* arg = &params->rgvarg[0];
  VariantList args;
  args.items.push_back(LongVariant(def.pidx));
  if (def.kind == PropKind::kString) {
    std::u16string text;
    if (FAILED(ToText(arg, &text))) {
      if (argErr != nullptr) *argErr = 0;
      return DISP_E_TYPEMISMATCH;
    }
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = qvplatform::AllocBstr(text);
    args.items.push_back(v);
  } else {
    LONG number = 0;
    if (FAILED(ToLong(arg, &number))) {
      if (argErr != nullptr) *argErr = 0;
      return DISP_E_TYPEMISMATCH;
    }
    args.items.push_back(LongVariant(number));
  }
  if (m_so == nullptr) {
    m_resultCode = OPOS_E_CLOSED;
    m_resultCodeExtended = 0;
    return S_OK;
  }
  const char16_t* setter =
      def.kind == PropKind::kString ? u"SetPropertyString" : u"SetPropertyNumber";
  HRESULT hr = CallSo(setter, args.items, nullptr);
  m_resultCode = FAILED(hr) ? OPOS_E_FAILURE : ReadSoNumber(PIDX_ResultCode);
  m_resultCodeExtended = 0;
  return S_OK;
}

LONG CControlObject::OpenDevice(const std::u16string& deviceName) {
  LONG rc = OPOS_SUCCESS;
  if (m_so != nullptr) {
    rc = OPOS_E_ILLEGAL;
  } else {
    std::u16string deviceClass = DeviceClassName(m_deviceClass);
    std::u16string progId = COposToolRegKey(deviceClass, deviceName).GetString(u"");
    CLSID clsid = GUID_NULL;
    IDispatch* so = nullptr;
    if (progId.empty()) {
      m_openResult = OPOS_OR_REGBADNAME;
    } else if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) {
      m_openResult = OPOS_OR_REGPROGID;
    } else if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&so))) ||
               so == nullptr) {
      m_openResult = OPOS_OR_CREATE;
    }
    if (so == nullptr) {
      rc = OPOS_E_NOSERVICE;
    } else {
      m_so = so;
      m_session.fetch_add(1);
      VariantList args;
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_BSTR;
      v.bstrVal = qvplatform::AllocBstr(deviceClass);
      args.items.push_back(v);
      v.bstrVal = qvplatform::AllocBstr(deviceName);
      args.items.push_back(v);
      v.vt = VT_DISPATCH;
      v.pdispVal = this;  // lent: the list must not release it
      args.items.push_back(v);
      qvplatform::Variant soResult;
      HRESULT hr = CallSo(u"OpenService", args.items, soResult.get());
      args.items.back().vt = VT_EMPTY;
      if (FAILED(hr)) {
        m_openResult = OPOS_OR_BADIF;
        rc = OPOS_E_NOSERVICE;
      } else if (FAILED(ToLong(soResult.get(), &rc))) {
        rc = OPOS_E_FAILURE;
      }
      if (rc == OPOS_SUCCESS) {
        m_openResult = OPOS_SUCCESS;
      } else {
        if (rc != OPOS_E_NOSERVICE) m_openResult = rc;
        ReleaseSo();
      }
    }
  }
  m_resultCode = rc;
  m_resultCodeExtended = 0;
  return rc;
}

LONG CControlObject::CloseDevice() {
  LONG rc = OPOS_E_CLOSED;
  if (m_so != nullptr) {
    VariantList args;
    qvplatform::Variant soResult;
    if (FAILED(CallSo(u"CloseService", args.items, soResult.get())) ||
        FAILED(ToLong(soResult.get(), &rc))) {
      rc = OPOS_E_FAILURE;
    }
    ReleaseSo();
  }
  m_resultCode = rc;
  m_resultCodeExtended = 0;
  return rc;
}

void CControlObject::ReleaseSo() {
  IDispatch* so = m_so;
  m_so = nullptr;
  m_soDispids.clear();
  // Events of the session that ends are not delivered.
  m_session.fetch_add(1);
  if (so != nullptr) so->Release();
}

HRESULT CControlObject::CallSo(const char16_t* name, std::vector<VARIANT>& args, VARIANT* result) {
  if (m_so == nullptr) return E_UNEXPECTED;
  auto found = m_soDispids.find(name);
  DISPID dispid = DISPID_UNKNOWN;
  if (found != m_soDispids.end()) {
    dispid = found->second;
  } else {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = m_so->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (FAILED(hr)) return DISP_E_UNKNOWNNAME;
    m_soDispids[name] = dispid;
  }
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO excep = {};
  UINT argErr = 0;
  HRESULT hr = m_so->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                            &excep, &argErr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

LONG CControlObject::ReadSoNumber(LONG pidx) {
  VariantList args;
  args.items.push_back(LongVariant(pidx));
  qvplatform::Variant value;
  LONG number = 0;
  if (FAILED(CallSo(u"GetPropertyNumber", args.items, value.get())) ||
      FAILED(ToLong(value.get(), &number))) {
    return OPOS_E_FAILURE;
  }
  return number;
}

HRESULT CControlObject::QueueCallback(DISPID dispid, DISPPARAMS* params) {
  static constexpr UINT kArgCounts[] = {1, 3, 4, 1, 1};
  UINT expected = kArgCounts[dispid - kDispidSOData];
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
  OposEvent event;
  LONG values[4] = {0, 0, 0, 0};
  for (UINT i = 0; i < expected; ++i) {
    if (dispid == kDispidSODirectIO && i == 2) {
      if (FAILED(ToText(ArgAt(params, i), &event.text))) return DISP_E_TYPEMISMATCH;
    } else if (FAILED(ToLong(ArgAt(params, i), &values[i]))) {
      return DISP_E_TYPEMISMATCH;
    }
  }
  event.number = values[0];
  switch (dispid) {
    case kDispidSOData: event.dispid = kDispidDataEvent; break;
    case kDispidSODirectIO:
      event.dispid = kDispidDirectIOEvent;
      event.data = values[1];
      break;
    case kDispidSOError:
      event.dispid = kDispidErrorEvent;
      event.data = values[1];
      event.locus = values[2];
      event.response = values[3];
      break;
    case kDispidSOOutputComplete: event.dispid = kDispidOutputCompleteEvent; break;
    default: event.dispid = kDispidStatusUpdateEvent; break;
  }
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_queue.emplace_back(m_session.load(), std::move(event));
    post = !m_deliveryPosted;
    m_deliveryPosted = true;
  }
  if (post) PostMessage(m_window->hwnd(), kWmDeliverEvents, 0, 0);
  return S_OK;
}

void CControlObject::DeliverEvents() {
  std::deque<std::pair<uint64_t, OposEvent>> events;
  {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    events.swap(m_queue);
    m_deliveryPosted = false;
  }
  // A receiver may release the object while it handles an event.
  AddRef();
  for (const auto& [session, event] : events) {
    if (session != m_session.load()) continue;
    std::vector<OposEventListener*> listeners = m_listeners;
    for (OposEventListener* listener : listeners) {
      // One removed by an earlier receiver of this event is not called.
      if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        continue;
      listener->OnOposEvent(event);
    }
    std::vector<IDispatch*> sinks = m_sinks;
    for (IDispatch* sink : sinks) sink->AddRef();
    for (IDispatch* sink : sinks) {
      VariantList args;
      LONG data = event.data;
      LONG response = event.response;
      BSTR text = qvplatform::AllocBstr(event.text);
      args.items.push_back(LongVariant(event.number));
      if (event.dispid == kDispidDirectIOEvent) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BYREF | VT_I4;
        v.plVal = &data;
        args.items.push_back(v);
        v.vt = VT_BYREF | VT_BSTR;
        v.pbstrVal = &text;
        args.items.push_back(v);
      } else if (event.dispid == kDispidErrorEvent) {
        args.items.push_back(LongVariant(event.data));
        args.items.push_back(LongVariant(event.locus));
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BYREF | VT_I4;
        v.plVal = &response;
        args.items.push_back(v);
      }
      std::vector<VARIANT> reversed(args.items.rbegin(), args.items.rend());
      DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
      sink->Invoke(event.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                   nullptr, nullptr);
      SysFreeString(text);
    }
    for (IDispatch* sink : sinks) sink->Release();
  }
  Release();
}

void CControlObject::AdviseSink(IDispatch* sink) {
  if (sink == nullptr) return;
  sink->AddRef();
  m_sinks.push_back(sink);
}

void CControlObject::UnadviseSink(IDispatch* sink) {
  auto found = std::find(m_sinks.begin(), m_sinks.end(), sink);
  if (found == m_sinks.end()) return;
  m_sinks.erase(found);
  sink->Release();
}

void CControlObject::AddListener(OposEventListener* listener) {
  if (listener != nullptr) m_listeners.push_back(listener);
}

void CControlObject::RemoveListener(OposEventListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                    m_listeners.end());
}

}  // namespace qvcontrols
