// CControlObject: a stand-in OPOS control object for POSPrinter or
// CashDrawer, reached through IDispatch like the ActiveX controls it stands
// in for.
//
// Open(DeviceName) reads the logical device's key
// (HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<DeviceName>), creates the
// service object by the ProgID stored as its default value, resolves the
// service object's methods by name and calls OpenService with this
// object's own IDispatch. A missing LDN, an unknown ProgID or a service
// object that cannot be created gives 104 (OPOS_E_NOSERVICE); OpenResult
// then tells which (302, 303, 304, 305). Close calls CloseService and
// releases the service object.
//
// Members (opos_members.h): methods are forwarded to the service object's
// method of the same name; properties go through GetPropertyNumber /
// GetPropertyString / SetPropertyNumber / SetPropertyString with their
// property indexes. Every method returns the ResultCode, which the object
// keeps: the service object's result parameter where it has one, otherwise
// its ResultCode property read right after the call. ResultCode and
// ResultCodeExtended are answered from what the last call left; after a
// property access they hold the code the service object set for it. (The
// service object clears both codes when either is read, so after a method
// without a result parameter ResultCodeExtended reads 0.) While closed,
// methods give 101 (OPOS_E_CLOSED) and properties 0 or empty, State 1.
//
// Events: the service object's callbacks (SOData, SODirectIO, SOError,
// SOOutputComplete, SOStatusUpdate) may arrive on any thread. They are
// queued and delivered as DataEvent, DirectIOEvent, ErrorEvent,
// OutputCompleteEvent and StatusUpdateEvent (dispids 1 to 5) on the thread
// that created the object, while that thread pumps its apartment, to every
// advised IDispatch sink and every listener. Events still queued when the
// device is closed are dropped. The responses of DirectIOEvent and
// ErrorEvent do not travel back to the service object (it never raises
// them).
//
// Threads: create, call and release the object on one apartment thread
// (CoInitialize); only the SO* callbacks may come from other threads.
// Reference counting is atomic. A receiver may close the device while it
// handles an event, but must not release the last reference there.
#ifndef QV_CONTROL_OBJECTS_CONTROL_OBJECT_H_
#define QV_CONTROL_OBJECTS_CONTROL_OBJECT_H_

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control_objects/opos_members.h"
#include "platform/com/interfaces.h"

namespace qvcontrols {

// One event as delivered. Which fields are used depends on the event:
//   DataEvent(Status=number)      DirectIOEvent(EventNumber=number, pData=data, pString=text)
//   ErrorEvent(ResultCode=number, ResultCodeExtended=data, ErrorLocus=locus,
//              pErrorResponse=response)
//   OutputCompleteEvent(OutputID=number)   StatusUpdateEvent(Data=number)
struct OposEvent {
  DISPID dispid = 0;
  int32_t number = 0;
  int32_t data = 0;
  int32_t locus = 0;
  int32_t response = 0;
  std::u16string text;
};

// "DataEvent", "DirectIOEvent", ...; null for another dispid.
const char16_t* EventName(DISPID dispid);

class OposEventListener {
 public:
  virtual void OnOposEvent(const OposEvent& event) = 0;

 protected:
  ~OposEventListener() = default;
};

class EventWindow;

class CControlObject final : public IDispatch {
 public:
  // A new object with one reference, bound to the calling thread (which
  // gets a message queue if it has none). Null when its window cannot be
  // created.
  static CControlObject* Create(DeviceClass deviceClass);

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override;
  ULONG Release() override;
  // IDispatch
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                        DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // Event receivers. Sinks are held with a reference until unadvised or
  // until the object goes; listeners are not owned and must outlive their
  // registration.
  void AdviseSink(IDispatch* sink);
  void UnadviseSink(IDispatch* sink);
  void AddListener(OposEventListener* listener);
  void RemoveListener(OposEventListener* listener);

  DeviceClass deviceClass() const { return m_deviceClass; }
  bool IsOpen() const { return m_so != nullptr; }

  // Delivers the queued events now (the window does this when pumped).
  void DeliverEvents();

 private:
  explicit CControlObject(DeviceClass deviceClass);
  ~CControlObject();

  LONG OpenDevice(const std::u16string& deviceName);
  LONG CloseDevice();
  HRESULT InvokeMethod(const MethodDef& def, DISPPARAMS* params, VARIANT* result, UINT* argErr);
  HRESULT GetProperty(const PropertyDef& def, VARIANT* result);
  HRESULT PutProperty(const PropertyDef& def, DISPPARAMS* params, UINT* argErr);
  HRESULT QueueCallback(DISPID dispid, DISPPARAMS* params);

  // Calls the service object's method `name` with `args` in declared order.
  HRESULT CallSo(const char16_t* name, std::vector<VARIANT>& args, VARIANT* result);
  LONG ReadSoNumber(LONG pidx);
  void ReleaseSo();

  const DeviceClass m_deviceClass;
  std::atomic<ULONG> m_refs{1};
  std::unique_ptr<EventWindow> m_window;

  IDispatch* m_so = nullptr;
  std::map<std::u16string, DISPID> m_soDispids;
  LONG m_resultCode = 101;  // OPOS_E_CLOSED
  LONG m_resultCodeExtended = 0;
  LONG m_openResult = 0;

  std::vector<IDispatch*> m_sinks;
  std::vector<OposEventListener*> m_listeners;

  std::mutex m_queueMutex;
  std::deque<std::pair<uint64_t, OposEvent>> m_queue;  // (session, event)
  std::atomic<uint64_t> m_session{0};                  // bumped by Close
  bool m_deliveryPosted = false;
};

// The number of control objects alive in the process.
size_t LiveControlObjects();

}  // namespace qvcontrols

#endif  // QV_CONTROL_OBJECTS_CONTROL_OBJECT_H_
