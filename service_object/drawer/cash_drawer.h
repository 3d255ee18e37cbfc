// CCashDrawer: the service object of the OPOS device class CashDrawer,
// behind the dual dispatch interface ICCashDrawer.
//
// The drawer hangs on the drawer kick-out connector of a receipt printer and
// is driven over that printer's connection: its configuration value `Uses`
// names the printer logical device whose interface settings it borrows, and
// it opens or shares that channel through the channel arbiter. OpenDrawer
// sends the ESC p pulse; the drawer state is bit 2 of the printer status
// byte (set: closed), reported as status updates 1 (open) and 0 (closed).
//
// Composition, in base order, as the printer's: the device base, the hidden
// message window "CCashDrawerWindow" (timer 10 polls the printer status
// while the drawer is the only claimed device of the process, timer 11
// replays the arbiter's last status image), the COM object root, the
// interface with its dispatch table, and the receive interface CCommData.
//
// Threads: every interface method, the window and its timers belong to the
// thread that created the object. ProcessCommData also runs on the read
// thread of a channel the drawer created; it is serialised with the replay
// under the drawer's status lock and touches only atomic words, the event
// queue and the arbiter's last status. ProcessEvent runs on the event
// worker.
//
// Errors: every method returns S_OK; the OPOS outcome is in the result
// parameter and ResultCode. An exception that reaches a method is caught
// there (OposError 106, anything else 111, trace "Error: <method>: <text>").
// Pulse bytes that cannot be handed to an open, connected channel give 111.
#ifndef QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_H_
#define QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/apartment/message_window.h"
#include "platform/com/dispatch.h"
#include "platform/sync/critical_section.h"
#include "service_object/comm/comm.h"
#include "service_object/comm/device_channel.h"
#include "service_object/core/com_object.h"
#include "service_object/core/device.h"
#include "service_object/core/qvso_interfaces.h"

struct CDeviceEvent;

class CCashDrawer : public CDevice,
                    public qvplatform::MessageWindow,
                    public CComObjectRoot,
                    public ICCashDrawer,
                    public CCommData {
 public:
  static constexpr char kTraceTag[] = "CCashDrawer";
  static constexpr char16_t kWindowTitle[] = u"CCashDrawerWindow";

  // Window timers and private messages.
  static constexpr UINT_PTR kStatusPollTimerId = 10;
  static constexpr UINT_PTR kStatusReplayTimerId = 11;
  static constexpr UINT kMsgDataEvent = WM_USER + 101;
  static constexpr UINT kMsgErrorEvent = WM_USER + 102;

  CCashDrawer();
  ~CCashDrawer() override;

  // COM plumbing (com_object.h).
  static const IID& InterfaceId() { return IID_ICCashDrawer; }
  IDispatch* DispatchPointer() { return static_cast<ICCashDrawer*>(this); }
  HRESULT FinalConstruct();
  void FinalRelease();
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
  // The dispatch table of ICCashDrawer (dispids as the interface's order).
  static const qvplatform::DispatchTable& DispTable();

  // IDispatch.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                        DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ICCashDrawer.
  HRESULT OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch, LONG* pRC) override;
  HRESULT CheckHealth(LONG Level, LONG* pRC) override;
  HRESULT ClaimDevice(LONG Timeout, LONG* pRC) override;
  HRESULT ClearInput(LONG* pRC) override;
  HRESULT CloseService(LONG* pRC) override;
  HRESULT COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) override;
  HRESULT DirectIO(LONG Command, LONG* pData, BSTR* pString, LONG* pRC) override;
  HRESULT GetOpenResult(LONG* pRC) override;
  HRESULT ReleaseDevice(LONG* pRC) override;
  HRESULT GetPropertyNumber(LONG PropIndex, LONG* pNumber) override;
  HRESULT GetPropertyString(LONG PropIndex, BSTR* pString) override;
  HRESULT SetPropertyNumber(LONG PropIndex, LONG Number) override;
  HRESULT SetPropertyString(LONG PropIndex, BSTR String) override;
  HRESULT ResetStatistics(BSTR statisticsBuffer, LONG* pRC) override;
  HRESULT RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) override;
  HRESULT UpdateStatistics(BSTR statisticsBuffer, LONG* pRC) override;
  HRESULT OpenDrawer() override;
  HRESULT WaitForDrawerClose(LONG BeepTimeout, LONG BeepFrequency, LONG BeepDuration,
                             LONG BeepDelay) override;

  // CCommData: a status image, from a channel's read thread or the replay.
  void ProcessCommData(const std::string& data) override;

  // The event worker's callback.
  void ProcessEvent(const CDeviceEvent& event);

  // The window's timer handler (timers 10 and 11); public for tests.
  void OnReadTimeout(UINT_PTR timerId);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Runs `body` with the dispatch boundary's exception handling: an escaping
  // OposError gives 106, anything else 111, stored in ResultCode and *pRC.
  void Guarded(const char* method, LONG* pRC, const std::function<void()>& body);

  void ReadDrawerSettings(const std::string& deviceName);
  void DeviceEnable(bool enable);
  DeviceChannelSettings ChannelSettings() const;
  // Decodes one image; the caller holds m_statusLock.
  void ProcessStatusLocked(const std::string& data);

  qvplatform::CriticalSection m_enableLock;
  // Serialises the decoding of images from the read thread and the replay.
  std::mutex m_statusLock;

  // Configuration.
  std::string m_uses;
  int32_t m_connectPin = 2;
  int32_t m_pulseOffTime = 48;
  int32_t m_pulseOnTime = 48;

  // Properties.
  int32_t m_capStatus = 0;
  int32_t m_capStatusMultiDrawerDetect = 0;
  std::atomic<int32_t> m_drawerOpened{0};

  // The last status image, each byte sign-extended.
  std::atomic<int32_t> m_lastStatus[4] = {0, 0, 0, 0};
};

#endif  // QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_H_
