// CCashDrawer: construction, the COM and window plumbing, the event handler,
// the lifecycle (open, claim, enable, release, close) and the
// device-management methods.
#include "service_object/drawer/cash_drawer.h"

#include <utility>

#include "common/reg_names.h"
#include "platform/apartment/window.h"
#include "platform/base/clock.h"
#include "platform/com/bstr.h"
#include "platform/text/codepage.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/device_channel.h"
#include "service_object/core/claim.h"
#include "service_object/core/device_event.h"
#include "service_object/core/errors.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/core/opos_reg_key.h"
#include "service_object/printer/cmd.h"

namespace {

using qvplatform::DispMethod;
using qvplatform::kDispRetval;
using D = CCashDrawer;

constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
constexpr VARTYPE kBstrRef = VT_BYREF | VT_BSTR;

const qvplatform::DispMember kDrawerMembers[] = {
    DispMethod<&D::OpenService>(u"OpenService", 1, {VT_BSTR, VT_BSTR, VT_DISPATCH, kLongRef},
                                kDispRetval),
    DispMethod<&D::CheckHealth>(u"CheckHealth", 2, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&D::ClaimDevice>(u"ClaimDevice", 3, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&D::ClearInput>(u"ClearInput", 4, {kLongRef}, kDispRetval),
    DispMethod<&D::CloseService>(u"CloseService", 5, {kLongRef}, kDispRetval),
    DispMethod<&D::COFreezeEvents>(u"COFreezeEvents", 6, {VT_BOOL, kLongRef}, kDispRetval),
    DispMethod<&D::DirectIO>(u"DirectIO", 7, {VT_I4, kLongRef, kBstrRef, kLongRef}, kDispRetval),
    DispMethod<&D::GetOpenResult>(u"GetOpenResult", 8, {kLongRef}, kDispRetval),
    DispMethod<&D::ReleaseDevice>(u"ReleaseDevice", 9, {kLongRef}, kDispRetval),
    DispMethod<&D::GetPropertyNumber>(u"GetPropertyNumber", 10, {VT_I4, kLongRef}, kDispRetval),
    DispMethod<&D::GetPropertyString>(u"GetPropertyString", 11, {VT_I4, kBstrRef}, kDispRetval),
    DispMethod<&D::SetPropertyNumber>(u"SetPropertyNumber", 12, {VT_I4, VT_I4}),
    DispMethod<&D::SetPropertyString>(u"SetPropertyString", 13, {VT_I4, VT_BSTR}),
    DispMethod<&D::ResetStatistics>(u"ResetStatistics", 14, {VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&D::RetrieveStatistics>(u"RetrieveStatistics", 15, {kBstrRef, kLongRef}),
    DispMethod<&D::UpdateStatistics>(u"UpdateStatistics", 16, {VT_BSTR, kLongRef}, kDispRetval),
    DispMethod<&D::OpenDrawer>(u"OpenDrawer", 17, {}),
    DispMethod<&D::WaitForDrawerClose>(u"WaitForDrawerClose", 18, {VT_I4, VT_I4, VT_I4, VT_I4}),
};

// The source of the two channel-closing lines of ReleaseDevice.
constexpr char kClosingTraceTag[] = "QVCOposPrinter";

void DeliverEvent(void* context, const CDeviceEvent& event) {
  static_cast<CCashDrawer*>(context)->ProcessEvent(event);
}

std::string ToAnsi(BSTR text) { return qvplatform::WideToAnsi(qvplatform::BstrView(text)); }

}  // namespace

CCashDrawer::CCashDrawer() : CDevice(kTraceTag) {
  m_deviceName = "QV Printer/CashDrawer";
  m_deviceDescription = "QV Norvale/2xxx Single-Cable Printer/CashDrawer";
  m_eventQueue.SetCallback(this, &DeliverEvent);
}

CCashDrawer::~CCashDrawer() {
  // Nothing may reach a half-destroyed object: no channel calls it any more,
  // the event worker stops, then the window (and its timers) goes.
  TheCommArbiter().DetachReceiver(*this);
  m_eventQueue.Stop();
  Destroy();
}

HRESULT CCashDrawer::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateComInstance<CCashDrawer>(outer, riid, ppv);
}

HRESULT CCashDrawer::FinalConstruct() {
  qvplatform::WindowPlacement placement{0, 0, 100, 100};
  DWORD error = Create(kWindowTitle, WS_POPUP, 0, placement);
  if (error != 0) return HRESULT_FROM_WIN32(static_cast<int32_t>(error));
  return S_OK;
}

void CCashDrawer::FinalRelease() { Destroy(); }

const qvplatform::DispatchTable& CCashDrawer::DispTable() {
  static const qvplatform::DispatchTable table(kDrawerMembers);
  return table;
}

HRESULT CCashDrawer::GetTypeInfoCount(UINT* pctinfo) {
  return qvplatform::DispatchTable::GetTypeInfoCount(pctinfo);
}

HRESULT CCashDrawer::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
  return qvplatform::DispatchTable::GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT CCashDrawer::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                   DISPID* rgDispId) {
  return DispTable().GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT CCashDrawer::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
  return DispTable().Invoke(static_cast<CCashDrawer*>(this), dispIdMember, riid, lcid, wFlags,
                            pDispParams, pVarResult, pExcepInfo, puArgErr);
}

// ---------------------------------------------------------------------------
// Dispatch boundary.

void CCashDrawer::Guarded(const char* method, LONG* pRC, const std::function<void()>& body) {
  int32_t result;
  std::string text;
  try {
    body();
    return;
  } catch (const OposError& e) {
    result = OPOS_E_ILLEGAL;
    text = e.what();
  } catch (const std::exception& e) {
    result = OPOS_E_FAILURE;
    text = e.what();
  } catch (...) {
    result = OPOS_E_FAILURE;
    text = "unknown error";
  }
  try {
    TraceError(std::string("Error: ") + method + ": " + text);
  } catch (...) {
  }
  m_resultCode = result;
  if (pRC != nullptr) *pRC = result;
}

// ---------------------------------------------------------------------------
// Window and events.

LRESULT CCashDrawer::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER: OnReadTimeout(static_cast<UINT_PTR>(wParam)); return 0;
    case kMsgDataEvent:
    case kMsgErrorEvent: return 0;  // the drawer raises neither; handled without effect
    default: return MessageWindow::WindowProc(msg, wParam, lParam);
  }
}

void CCashDrawer::ProcessEvent(const CDeviceEvent& event) {
  switch (event.kind) {
    case kEventStatusUpdate: try { m_eventSink.FireStatusUpdateEvent(event.number1);
      } catch (const std::exception& e) {
        TraceError(std::string("Error: HandleStatusUpdateEvent") + e.what());
      }
      break;
    case kEventData:
      DataEventEnable(false);
      SendMessage(hwnd(), kMsgDataEvent, 0, 0);
      break;
    case kEventError:
      m_state = OPOS_S_ERROR;
      SendMessage(hwnd(), kMsgErrorEvent, 0, 0);
      break;
    case kEventAutoDisable: DeviceEnable(false); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// OpenService.

void CCashDrawer::ReadDrawerSettings(const std::string& deviceName) {
  // Every value must be present; the first missing one fails the open and
  // nothing of an incomplete configuration is kept.
  COposRegKey key(qvreg::kClassDrawer, deviceName);
  std::string uses = key.GetString(qvreg::kUses);
  int32_t connectPin = key.GetNumber(qvreg::kConnectPin);
  int32_t pulseOffTime = key.GetNumber(qvreg::kPulseOffTime);
  int32_t pulseOnTime = key.GetNumber(qvreg::kPulseOnTime);
  m_uses = std::move(uses);
  m_connectPin = connectPin;
  m_pulseOffTime = pulseOffTime;
  m_pulseOnTime = pulseOnTime;
}

HRESULT CCashDrawer::OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch,
                                 LONG* pRC) {
  Guarded("OpenService", pRC, [&] {
    const std::string deviceClass = ToAnsi(DeviceClass);
    const std::string deviceName = ToAnsi(DeviceName);
    int32_t result = OPOS_SUCCESS;
    try {
      ReadDrawerSettings(deviceName);
      ApplyLogVerbosity(COposRegKey(qvreg::kClassDrawer, deviceName));
      Trace(4, std::string(60, '-'));
      TraceEnter("OpenService");
      TraceValue("DeviceClass", deviceClass);
      TraceValue("DeviceName", deviceName);
      // The drawer talks over the connection of the printer it uses.
      COposRegKey printerKey(qvreg::kClassPrinter, m_uses);
      m_ioTypeIndex = kInterfaceSerial;
      ReadIoType(printerKey);
      ReadInterfaceSettings(qvreg::kClassPrinter, m_uses);
      if (!m_claimMutex) OpenClaimMutex(kCashDrawerClaimMutexName);
      m_eventSink.Attach(pDispatch);
      m_checkHealthText = "[Error]";
      uint32_t flags = m_flags.load();
      flags |= kFlagOpen;
      flags = (flags & ~kFlagsBinaryConversion) | kFlagBinaryNone;
      flags &= ~(kFlagClaimed | kFlagDeviceEnabled | kFlagDataEventEnabled | kFlagAutoDisable);
      m_flags = flags;
      m_capStatus = 1;
      m_capStatusMultiDrawerDetect = 1;
      m_drawerOpened = 0;
      for (auto& value : m_lastStatus) value = 0;
      m_state = OPOS_S_IDLE;
    } catch (const QVError& e) {
      TraceError(std::string("Error: OpenService: ") + e.what());
      result = OPOS_ORS_CONFIG;
    } catch (const StringError& e) {
      TraceError(std::string("Error: OpenService: ") + e.what());
      result = OPOS_ORS_CONFIG;
    }
    m_openResult = result;
    m_resultCode = result;
    if (pRC != nullptr) *pRC = result;
    if (result == OPOS_SUCCESS) {
      TraceValue("pRC", static_cast<long long>(result));
      TraceLeave("OpenService");
    }
  });
  return S_OK;
}

// ---------------------------------------------------------------------------
// Claim and release.

DeviceChannelSettings CCashDrawer::ChannelSettings() const {
  DeviceChannelSettings settings;
  settings.interfaceIndex = m_ioTypeIndex;
  settings.serialPort = m_serialPort;
  settings.baudRate = m_baudRate;
  settings.byteSize = m_byteSizes;
  settings.parity = m_parity;
  settings.stopBits = m_stopBits;
  settings.flowControl = m_flowControl;
  settings.usbPort = m_usbPort;
  settings.lptPort = m_lptPort;
  settings.clientIP = m_clientIP;
  settings.clientPort = m_clientPort;
  return settings;
}

HRESULT CCashDrawer::ClaimDevice(LONG Timeout, LONG* pRC) {
  Guarded("ClaimDevice", pRC, [&] {
    TraceEnter("ClaimDevice");
    TraceValue("Timeout", static_cast<long long>(Timeout));
    m_resultCode = OPOS_SUCCESS;
    if ((m_flags.load() & kFlagClaimed) != 0) {
      CompleteMethod("ClaimDevice", OPOS_SUCCESS, pRC);
      return;
    }
    try {
      OpenDeviceChannel(TheCommArbiter(), ChannelSettings(), *this, kTraceTag);
    } catch (const CommPortOpenError& e) {
      TraceError(std::string("Error: ClaimDevice: ") + e.what());
      CompleteMethod("ClaimDevice", OPOS_E_NOHARDWARE, pRC);
      return;
    } catch (const QVError& e) {
      TraceError(std::string("Error: ClaimDevice: ") + e.what());
      CompleteMethod("ClaimDevice", OPOS_E_FAILURE, pRC);
      return;
    }
    int32_t result = AcquireClaim(Timeout);
    if (result != OPOS_SUCCESS) {
      // A refused claim leaves no channel of ours behind: a channel that no
      // claimed device of the process uses would keep calling this object.
      ReleaseDeviceChannel(TheCommArbiter(), m_ioTypeIndex, ClaimedDeviceCount.load() == 0,
                           kClosingTraceTag);
      TheCommArbiter().DetachReceiver(*this);
    }
    CompleteMethod("ClaimDevice", result, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::ReleaseDevice(LONG* pRC) {
  Guarded("ReleaseDevice", pRC, [&] {
    TraceEnter("ReleaseDevice");
    if ((m_flags.load() & kFlagClaimed) == 0) {
      TraceWarning("Warning: ReleaseDevice: Cannot release a device that has not been claimed.");
      CompleteMethod("ReleaseDevice", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((m_flags.load() & kFlagDeviceEnabled) != 0) DeviceEnable(false);
    m_eventQueue.SetAllowableEvents(0);
    m_eventQueue.ClearEvents();
    // The channel goes with the last claim of the process; the network
    // client's users are counted, so it stays while another device uses it.
    const bool last = ReleaseClaim();
    ReleaseDeviceChannel(TheCommArbiter(), m_ioTypeIndex, last, kClosingTraceTag);
    // A channel that lives on for the other device no longer calls us.
    TheCommArbiter().DetachReceiver(*this);
    CompleteMethod("ReleaseDevice", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::CloseService(LONG* pRC) {
  Guarded("CloseService", pRC, [&] {
    TraceEnter("CloseService");
    if ((m_flags.load() & kFlagClaimed) != 0) {
      LONG ignored = 0;
      ReleaseDevice(&ignored);
    }
    // A drawer may be enabled without a claim; its timers must not outlive
    // the open.
    if ((m_flags.load() & kFlagDeviceEnabled) != 0) DeviceEnable(false);
    CloseClaimMutex();
    m_flags &= ~kFlagOpen;
    m_state = OPOS_S_CLOSED;
    CompleteMethod("CloseService", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

// ---------------------------------------------------------------------------
// Enable and disable.

void CCashDrawer::DeviceEnable(bool enable) {
  qvplatform::CriticalSectionLock lock(m_enableLock);
  Trace(5, std::string("    | Enable: ") + (enable ? "True" : "False"));
  m_resultCode = OPOS_SUCCESS;
  const bool enabled = (m_flags.load() & kFlagDeviceEnabled) != 0;
  if (enable && !enabled) {
    m_eventQueue.SetAllowableEvents(kEventAllKinds);
    int32_t kinds = kEventError | kEventStatusUpdate;
    if ((m_flags.load() & kFlagDataEventEnabled) != 0) kinds |= kEventData;
    m_eventQueue.SetEnabledEvents(kinds);
    if (::DeviceCommEnable(TheCommArbiter(), true, ClaimedDeviceCount.load(), kTraceTag)) {
      m_flags |= kFlagDeviceEnabled;
      const UINT period = static_cast<UINT>(qvplatform::ScaledMs(1000));
      SetTimer(hwnd(), kStatusPollTimerId, period);
      SetTimer(hwnd(), kStatusReplayTimerId, period);
    } else {
      m_resultCode = OPOS_E_FAILURE;
      m_eventQueue.SetAllowableEvents(0);
      m_eventQueue.SetEnabledEvents(0);
    }
  } else if (!enable && enabled) {
    m_eventQueue.SetAllowableEvents(0);
    // Only the last claimed device switches the traffic off; an unclaimed
    // drawer must not switch off the printer's.
    const bool claimed = (m_flags.load() & kFlagClaimed) != 0;
    if (::DeviceCommEnable(TheCommArbiter(), false, claimed ? ClaimedDeviceCount.load() : 0,
                           kTraceTag)) {
      m_flags &= ~kFlagDeviceEnabled;
      KillTimer(hwnd(), kStatusPollTimerId);
      KillTimer(hwnd(), kStatusReplayTimerId);
    }
    Trace(5, "    | Waiting for device to be claimed by other applications...");
  }
}

// ---------------------------------------------------------------------------
// Device management.

HRESULT CCashDrawer::CheckHealth(LONG Level, LONG* pRC) {
  Guarded("CheckHealth", pRC, [&] {
    TraceEnter("CheckHealth");
    TraceValue("Level", static_cast<long long>(Level));
    int32_t result = OPOS_SUCCESS;
    switch (Level) {
      case OPOS_CH_INTERNAL: m_checkHealthText = "Internal HCheck: Complete"; break;
      case OPOS_CH_EXTERNAL: m_checkHealthText = "External HCheck: Complete"; break;
      case OPOS_CH_INTERACTIVE: m_checkHealthText = "Interactive HCheck: Complete"; break;
      default:
        TraceWarning("Warning: Invalid CheckHealth level specified.");
        m_checkHealthText = "[Error]";
        result = OPOS_E_ILLEGAL;
        break;
    }
    CompleteMethod("CheckHealth", result, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::ClearInput(LONG* pRC) {
  Guarded("ClearInput", pRC, [&] {
    TraceEnter("ClearInput");
    m_eventQueue.PurgeEvents(kEventData);
    m_eventQueue.PurgeEvents(kEventError);
    CompleteMethod("ClearInput", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) {
  Guarded("COFreezeEvents", pRC, [&] {
    TraceEnter("COFreezeEvents");
    const bool freeze = static_cast<uint16_t>(Freeze) != 0;
    TraceValue("Freeze", freeze ? "True" : "False");
    if (freeze) {
      m_flags |= kFlagControlFreeze;
    } else {
      m_flags &= ~kFlagControlFreeze;
    }
    FreezeEvents();
    CompleteMethod("COFreezeEvents", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::DirectIO(LONG /*Command*/, LONG* /*pData*/, BSTR* /*pString*/, LONG* /*pRC*/) {
  // No direct I/O commands: nothing is sent and no result is written.
  return S_OK;
}

HRESULT CCashDrawer::GetOpenResult(LONG* pRC) {
  Guarded("GetOpenResult", pRC, [&] {
    TraceEnter("GetOpenResult");
    CompleteMethod("GetOpenResult", m_openResult, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::ResetStatistics(BSTR statisticsBuffer, LONG* pRC) {
  Guarded("ResetStatistics", nullptr, [&] {
    TraceEnter("ResetStatistics");
    Trace(5, "    | statisticsBuffer = " + ToAnsi(statisticsBuffer));
    if (pRC != nullptr) TraceValue("pRC", static_cast<long long>(*pRC));
    TraceLeave("ResetStatistics");
  });
  return S_OK;
}

HRESULT CCashDrawer::RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* /*pRC*/) {
  Guarded("RetrieveStatistics", nullptr, [&] {
    TraceEnter("RetrieveStatistics");
    TraceValue("String", pStatisticsBuffer != nullptr ? ToAnsi(*pStatisticsBuffer) : "");
    TraceLeave("RetrieveStatistics");
  });
  return S_OK;
}

HRESULT CCashDrawer::UpdateStatistics(BSTR statisticsBuffer, LONG* pRC) {
  Guarded("UpdateStatistics", pRC, [&] {
    TraceEnter("UpdateStatistics");
    TraceValue("statisticsBuffer", ToAnsi(statisticsBuffer));
    m_resultCodeExtended = 0;
    CompleteMethod("UpdateStatistics", OPOS_E_ILLEGAL, pRC);
  });
  return S_OK;
}

HRESULT CCashDrawer::WaitForDrawerClose(LONG /*BeepTimeout*/, LONG /*BeepFrequency*/,
                                        LONG /*BeepDuration*/, LONG /*BeepDelay*/) {
  TraceEnter("WaitForDrawerClose");
  m_resultCode = OPOS_E_ILLEGAL;
  TraceLeave("WaitForDrawerClose");
  return S_OK;
}
