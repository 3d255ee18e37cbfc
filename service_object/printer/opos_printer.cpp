// QVCOposPrinter: construction, the COM and window plumbing, the lifecycle
// (open, claim, enable, release, close) and the device-management methods.
#include "service_object/printer/opos_printer.h"

#include <clocale>
#include <cstdint>
#include <utility>

#include "platform/apartment/window.h"
#include "platform/base/clock.h"
#include "platform/com/bstr.h"
#include "platform/text/codepage.h"
#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/serial_comm.h"
#include "service_object/comm/usb_comm.h"
#include "service_object/core/claim.h"
#include "service_object/core/device_event.h"
#include "service_object/core/errors.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/core/opos_reg_key.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/printer_constants.h"
#include "service_object/printer/printer_tables.h"

std::atomic<int32_t> StatusPollCounter{0};

namespace {

void DeliverEvent(void* context, const CDeviceEvent& event) {
  static_cast<QVCOposPrinter*>(context)->ProcessEvent(event);
}

std::string HandleText(const void* handle) {
  return NumToString(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
}

}  // namespace

QVCOposPrinter::QVCOposPrinter() : CDevice(kTraceTag) {
  m_eventQueue.SetCallback(this, &DeliverEvent);
  m_bufferedTranslator.SetHost(this);
}

QVCOposPrinter::~QVCOposPrinter() {
  // Nothing may reach a half-destroyed object: no channel calls it any more,
  // the event worker stops, then the window goes.
  TheCommArbiter().DetachReceiver(*this);
  m_eventQueue.Stop();
  Destroy();
}

const CLSID& QVCOposPrinter::ClassId() { return CLSID_QVOposPrinter; }

HRESULT QVCOposPrinter::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateComInstance<QVCOposPrinter>(outer, riid, ppv);
}

HRESULT QVCOposPrinter::FinalConstruct() {
  qvplatform::WindowPlacement placement{0, 0, 100, 100};
  DWORD error = Create(kWindowTitle, WS_POPUP, 0, placement);
  if (error != 0) return HRESULT_FROM_WIN32(static_cast<int32_t>(error));
  return S_OK;
}

void QVCOposPrinter::FinalRelease() { Destroy(); }

// ---------------------------------------------------------------------------
// Dispatch boundary.

void QVCOposPrinter::Guarded(const char* method, LONG* pRC, const std::function<void()>& body) {
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

std::string QVCOposPrinter::ToAnsi(BSTR text) const {
  return qvplatform::WideToAnsi(qvplatform::BstrView(text));
}

// ---------------------------------------------------------------------------
// Window.

LRESULT QVCOposPrinter::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kStatusTimerId) {
        OnStatusTimer();
      } else if (wParam == kHeartbeatTimerId) {
        Trace(4, ">>> On_Timeout");
      }
      return 0;
    case kMsgDataEvent: try { m_eventSink.FireDataEvent(0);
      } catch (const std::exception& e) {
        TraceError(std::string("Error: OnDataEvent") + e.what());
      }
      return 0;
    case kMsgErrorEvent:
      m_errorLevel = PTR_EL_NONE;
      m_errorString.clear();
      return 0;
    case kMsgOutputComplete: OnOutputComplete(); return 0;
    default: return MessageWindow::WindowProc(msg, wParam, lParam);
  }
}

void QVCOposPrinter::OnOutputComplete() {
  if ((m_flags.load() & kFlagAsyncMode) == 0) return;
  qvplatform::CriticalSectionLock lock(m_outputCompleteLock);
  try {
    int32_t id = ++m_outputId;
    CDeviceEvent event;
    event.kind = kEventOutputComplete;
    event.number1 = id;
    m_eventQueue.QueueEvent(event);
  } catch (const std::exception& e) {
    Trace(1, std::string("OnOutputCompleteEvent") + e.what());
  }
}

// ---------------------------------------------------------------------------
// Events.

void QVCOposPrinter::ProcessEvent(const CDeviceEvent& event) {
  Trace(4, ">>> ProcessEvent" + NumToString(event.kind));
  switch (event.kind) {
    case kEventData:
      Trace(4, ">>> HandleDataEvent");
      DataEventEnable(false);
      SendMessage(hwnd(), kMsgDataEvent, 0, 0);
      Trace(4, "<<< HandleDataEvent");
      break;
    case kEventError:
      Trace(4, ">>> HandleErrorEvent");
      m_state = OPOS_S_ERROR;
      SendMessage(hwnd(), kMsgErrorEvent, 0, reinterpret_cast<LPARAM>(&event));
      Trace(4, "<<< HandleErrorEvent");
      break;
    case kEventOutputComplete:
      Trace(4, ">>> HandleOutputCompleteEvent");
      try {
        m_eventSink.FireOutputCompleteEvent(event.number1);
      } catch (const std::exception& e) {
        TraceError(std::string("Error: HandleOutputCompleteEvent") + e.what());
      }
      Trace(4, "<<< HandleOutputCompleteEvent");
      break;
    case kEventStatusUpdate:
      Trace(4, ">>>HandleStatusUpdateEvent");
      try {
        m_eventSink.FireStatusUpdateEvent(event.number1);
      } catch (const std::exception& e) {
        TraceError(std::string("Error: HandleStatusUpdateEvent") + e.what());
      }
      Trace(4, "<<<HandleStatusUpdateEvent");
      break;
    case kEventAutoDisable: EnableDevice(false); break;
    default: break;
  }
  Trace(4, "<<< ProcessEvent");
}

// ---------------------------------------------------------------------------
// OpenService.

HRESULT QVCOposPrinter::OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch,
                                    LONG* pRC) {
  Guarded("OpenService", pRC, [&] {
    std::setlocale(LC_ALL, "");
    std::string deviceClass = ToAnsi(DeviceClass);
    std::string deviceName = ToAnsi(DeviceName);
    COposRegKey key(deviceClass, deviceName);
    ApplyLogVerbosity(key);
    Trace(4, std::string(60, '-'));
    TraceEnter("OpenService");
    Trace(5, "    | DeviceClass: " + deviceClass);
    Trace(5, "    | DeviceName:  " + deviceName);
    int32_t result = OPOS_SUCCESS;
    try {
      m_modelNumber = key.GetString("Model");
      Trace(5, "    | ModelNumber: " + m_modelNumber);
      ReadIoType(key);
      ReadInterfaceSettings(deviceClass, deviceName);
      m_deviceName = "QV " + m_modelNumber + " Printer";
      m_deviceDescription = "QV " + m_modelNumber + " POS Printer";
      InitProperties();
      if (!m_claimMutex) OpenClaimMutex(kPrinterClaimMutexName);
      m_eventSink.Attach(pDispatch);
      uint32_t flags = m_flags.load();
      flags |= kFlagOpen;
      flags = (flags & ~kFlagsBinaryConversion) | kFlagBinaryNone;
      flags &= ~(kFlagClaimed | kFlagDeviceEnabled | kFlagDataEventEnabled | kFlagAutoDisable |
                 kFlagAsyncMode | kFlagFreezeEvents);
      m_flags = flags;
      m_state = OPOS_S_IDLE;
    } catch (const QVError& e) {
      TraceError(std::string("Error: OpenService: ") + e.what());
      result = OPOS_ORS_CONFIG;
    } catch (const StringError& e) {
      TraceError(std::string("Error: OpenService: ") + e.what());
      result = OPOS_ORS_CONFIG;
    }
    m_openResult = result;
    CompleteMethod("OpenService", result, pRC);
  });
  return S_OK;
}

void QVCOposPrinter::InitProperties() {
  m_characterSet = 998;
  m_coverOpen = 0;
  m_flagWhenIdle = 0;
  m_mapMode = PTR_MM_DOTS;
  m_recEmpty = 0;
  m_recLineChars = 42;
  m_recLineHeight = 0;
  m_recLineSpacing = 0;
  m_recLinesToPaperCut = 5;
  m_recLineWidth = 576;
  m_recNearEnd = 0;
  m_recSidewaysMaxChars = 0;
  m_recSidewaysMaxLines = 0;
  m_errorLevel = PTR_EL_NONE;
  m_rotateSpecial = 1;
  m_jrnCartridgeState = 0x10000000;
  m_mapCharacterSet = 1;
  m_pageModeHorizontalPosition = 0;
  m_pageModePrintDirection = 0;
  m_pageModeStation = 0;
  m_pageModeVerticalPosition = 0;
  m_outputId = 0;
  m_errorString.clear();
  m_pageModeArea.clear();
  m_pageModePrintArea.clear();
  m_lastPageModeControl = 3;
  m_checkHealthText.clear();
  m_outputMode = 0;
  m_rotation = 0;
  m_widestText = 0;
  m_bufferedTranslator = CEscapeTranslator(PTR_MM_DOTS, this);
  for (auto& value : m_lastStatus) value = 0;
}

// ---------------------------------------------------------------------------
// Claim and release.

void QVCOposPrinter::OpenReportChannel() {
  CCommArbiter& arbiter = TheCommArbiter();
  switch (m_ioTypeIndex) {
    case kInterfaceNetwork:
      Trace(5, "    | Creating  Report Channel (client sockets)...");
      if (!m_holdsNetworkChannel) {
        arbiter.OpenReportChannel(m_clientIP, m_clientPort, *this);
        m_holdsNetworkChannel = true;
      }
      break;
    case kInterfaceUsb:
      Trace(5, "    | Creating  Report Channel (USB port)...");
      arbiter.AddUsbDevice2(m_ioTypeIndex, m_usbPort, *this);
      break;
    case kInterfaceParallel:
      Trace(5, "    | Creating  Report Channel (LPT port)...");
      arbiter.AddLPTDevice(m_ioTypeIndex, m_lptPort, *this);
      break;
    default:
      Trace(5, "    | Creating  Report Channel (serial port)...");
      arbiter.AddSerialDevice(m_ioTypeIndex, m_serialPort, m_baudRate, m_byteSizes, m_parity,
                              m_stopBits, m_flowControl, *this);
      break;
  }
}

void QVCOposPrinter::CloseReportChannel() {
  CCommArbiter& arbiter = TheCommArbiter();
  switch (m_ioTypeIndex) {
    case kInterfaceNetwork: break;  // balanced per object, see ReleaseNetworkChannel
    case kInterfaceUsb: arbiter.RemoveIbmUsbDevice(m_ioTypeIndex); break;
    case kInterfaceParallel: arbiter.RemoveLPTDevice(); break;
    default:
      Trace(5, "    | Closing  Report Channel (Serial)...");
      arbiter.RemoveSerialDevice1(m_ioTypeIndex);
      break;
  }
}

void QVCOposPrinter::ReleaseNetworkChannel() {
  if (!m_holdsNetworkChannel) return;
  Trace(5, "    | Closing  Report Channel (client sockets)...");
  TheCommArbiter().CloseReportChannel();
  m_holdsNetworkChannel = false;
}

HRESULT QVCOposPrinter::ClaimDevice(LONG Timeout, LONG* pRC) {
  Guarded("ClaimDevice", pRC, [&] {
    TraceEnter("ClaimDevice");
    TraceValue("Timeout", static_cast<long long>(Timeout));
    Trace(5, "    | Mutex:   " + HandleText(m_claimMutex.get()));
    m_resultCode = OPOS_SUCCESS;
    if ((m_flags.load() & kFlagClaimed) != 0) {
      Trace(5, "    | Device claimed already by this app.");
      CompleteMethod("ClaimDevice", OPOS_SUCCESS, pRC);
      return;
    }
    if (m_ioTypeIndex == kInterfaceSerial && !IsSerialPortPresent(m_serialPort)) {
      CompleteMethod("ClaimDevice", OPOS_E_NOHARDWARE, pRC);
      return;
    }
    if (m_ioTypeIndex == kInterfaceUsb && !IsUsbPortPresent(m_usbPort)) {
      CompleteMethod("ClaimDevice", OPOS_E_NOHARDWARE, pRC);
      return;
    }
    try {
      OpenReportChannel();
    } catch (const CommPortOpenError& e) {
      TraceError(std::string("Error: ClaimDevice: ") + e.what());
      CompleteMethod("ClaimDevice", OPOS_E_NOHARDWARE, pRC);
      return;
    } catch (const QVError& e) {
      TraceError(std::string("Error: ClaimDevice: ") + e.what());
      CompleteMethod("ClaimDevice", OPOS_E_FAILURE, pRC);
      return;
    }
    qvplatform::Sleep(150);
    int32_t result = AcquireClaim(Timeout);
    CompleteMethod("ClaimDevice", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::ReleaseDevice(LONG* pRC) {
  Guarded("ReleaseDevice", pRC, [&] {
    TraceEnter("ReleaseDevice");
    Trace(5, "    | Mutex:   " + HandleText(m_claimMutex.get()));
    if ((m_flags.load() & kFlagClaimed) == 0) {
      TraceWarning("Warning: ReleaseDevice: Cannot release a device that has not been claimed.");
      CompleteMethod("ReleaseDevice", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((m_flags.load() & kFlagDeviceEnabled) != 0) EnableDevice(false);
    m_eventQueue.SetAllowableEvents(0);
    m_eventQueue.ClearEvents();
    bool last = ReleaseClaim();
    if (m_ioTypeIndex == kInterfaceNetwork) {
      ReleaseNetworkChannel();
    } else if (last) {
      CloseReportChannel();
    }
    // A channel that lives on for the other device no longer calls us.
    TheCommArbiter().DetachReceiver(*this);
    CompleteMethod("ReleaseDevice", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::CloseService(LONG* pRC) {
  Guarded("CloseService", pRC, [&] {
    TraceEnter("CloseService");
    if ((m_flags.load() & kFlagOpen) != 0) {
      if ((m_flags.load() & kFlagClaimed) != 0) {
        LONG ignored = 0;
        ReleaseDevice(&ignored);
      }
      ReleaseNetworkChannel();  // a claim that failed after opening it
      TheCommArbiter().DetachReceiver(*this);
      CloseClaimMutex();
      m_flags &= ~kFlagOpen;
      m_state = OPOS_S_CLOSED;
    }
    ClearPrinterTables();
    CompleteMethod("CloseService", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

// ---------------------------------------------------------------------------
// Enable and disable.

bool QVCOposPrinter::DeviceCommEnable(bool enable) {
  Trace(4, ">>> DeviceCommEnable");
  bool ok = true;
  try {
    if (enable) {
      TheCommArbiter().SetCommEnabled(1);
    } else if (ClaimedDeviceCount.load() == 1) {
      TheCommArbiter().SetCommEnabled(0);
    }
  } catch (const QVError& e) {
    TraceError(std::string("Error: DeviceCommEnable ") + e.what());
    ok = false;
  }
  Trace(4, "<<< DeviceCommEnable");
  return ok;
}

void QVCOposPrinter::EnableDevice(bool enable) {
  qvplatform::CriticalSectionLock lock(m_enableLock);
  m_resultCode = OPOS_SUCCESS;
  TraceEnter("DeviceEnable");
  Trace(5, std::string("    | Enable:       ") + (enable ? "True" : "False"));
  Trace(5, "    | IOTypeIdx: " + NumToString(m_ioTypeIndex));
  Trace(5, "    | ModelNumber:  " + m_modelNumber);
  bool enabled = (m_flags.load() & kFlagDeviceEnabled) != 0;
  if (enable && !enabled) {
    if (m_ioTypeIndex == kInterfaceNetwork) {
      Trace(5, "    | Waiting for device to be released by other applications...");
      qvplatform::Sleep(4000);
    }
    m_eventQueue.SetAllowableEvents(kEventAllKinds);
    m_eventQueue.SetEnabledEvents(kEventError | kEventOutputComplete | kEventStatusUpdate);
    if ((m_flags.load() & kFlagDataEventEnabled) != 0) {
      m_eventQueue.SetEnabledEvents(m_eventQueue.GetEnabledEvents() | kEventData);
    }
    if (DeviceCommEnable(true)) {
      m_flags |= kFlagDeviceEnabled;
      SetTimer(hwnd(), kStatusTimerId, static_cast<UINT>(qvplatform::ScaledMs(1000)));
      SetTimer(hwnd(), kHeartbeatTimerId, static_cast<UINT>(qvplatform::ScaledMs(1000)));
    } else {
      m_resultCode = OPOS_E_FAILURE;
      m_eventQueue.SetAllowableEvents(0);
      m_eventQueue.SetEnabledEvents(0);
    }
  } else if (!enable && enabled) {
    m_eventQueue.SetAllowableEvents(0);
    if (DeviceCommEnable(false)) m_flags &= ~kFlagDeviceEnabled;
    KillTimer(hwnd(), kStatusTimerId);
    KillTimer(hwnd(), kHeartbeatTimerId);
    Trace(5, "    | Waiting for device to be claimed by other applications...");
    qvplatform::Sleep(1000);
  }
  TraceLeave("DeviceEnable");
}

// ---------------------------------------------------------------------------
// Device management.

HRESULT QVCOposPrinter::CheckHealth(LONG Level, LONG* pRC) {
  Guarded("CheckHealth", pRC, [&] {
    TraceEnter("CheckHealth");
    TraceValue("Level", static_cast<long long>(Level));
    m_resultCode = OPOS_SUCCESS;
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

HRESULT QVCOposPrinter::ClearInput(LONG* pRC) {
  Guarded("ClearInput", pRC, [&] {
    TraceEnter("ClearInput");
    m_eventQueue.PurgeEvents(kEventData);
    m_eventQueue.PurgeEvents(kEventError);
    CompleteMethod("ClearInput", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::ClearOutput(LONG* pRC) {
  Guarded("ClearOutput", pRC, [&] {
    TraceEnter("ClearOutput");
    m_cmd->Clear();
    if (pRC != nullptr) *pRC = OPOS_SUCCESS;
    TraceLeave("ClearOutput");
  });
  return S_OK;
}

HRESULT QVCOposPrinter::COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) {
  Guarded("COFreezeEvents", pRC, [&] {
    TraceEnter("COFreezeEvents");
    if ((static_cast<uint16_t>(Freeze)) != 0) {
      m_flags |= kFlagControlFreeze;
    } else {
      m_flags &= ~kFlagControlFreeze;
    }
    FreezeEvents();
    CompleteMethod("COFreezeEvents", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::GetOpenResult(LONG* pRC) {
  Guarded("GetOpenResult", pRC, [&] {
    TraceEnter("GetOpenResult");
    CompleteMethod("GetOpenResult", m_openResult, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::DirectIO(LONG /*Command*/, LONG* /*pData*/, BSTR* pString, LONG* pRC) {
  Guarded("DirectIO", pRC, [&] {
    std::string text = pString != nullptr ? ToAnsi(*pString) : std::string();
    Trace(4, ">>> DirectIO");
    Trace(4, ">>> DirectIO" + text);
    // The bytes go out on their own: a job being collected in the device
    // buffer stays collected.
    EscCmd command;
    std::string bytes = DecodeBinary(text);
    if (command.Append(bytes) != OPOS_SUCCESS) throw QVError("DirectIO: out of memory");
    int32_t result = OPOS_SUCCESS;
    if (WriteCmd(command)) {
      SendMessage(hwnd(), kMsgOutputComplete, 0, 0);
    } else {
      result = OPOS_E_FAILURE;
      m_resultCode = result;
    }
    if (pRC != nullptr) *pRC = result;
    Trace(4, "<<< DirectIO");
  });
  return S_OK;
}

HRESULT QVCOposPrinter::ResetStatistics(BSTR statisticsBuffer, LONG* pRC) {
  Guarded("ResetStatistics", pRC, [&] {
    TraceEnter("ResetStatistics");
    Trace(5, "    | statisticsBuffer: " + ToAnsi(statisticsBuffer));
    if (pRC != nullptr) *pRC = OPOS_SUCCESS;
    TraceLeave("ResetStatistics");
  });
  return S_OK;
}

HRESULT QVCOposPrinter::RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) {
  Guarded("RetrieveStatistics", pRC, [&] {
    TraceEnter("RetrieveStatistics");
    std::string text = pStatisticsBuffer != nullptr ? ToAnsi(*pStatisticsBuffer) : std::string();
    Trace(5, "    | pStatisticsBuffer: " + text);
    if (pRC != nullptr) *pRC = OPOS_SUCCESS;
    TraceLeave("RetrieveStatistics");
  });
  return S_OK;
}

HRESULT QVCOposPrinter::UpdateStatistics(BSTR /*statisticsBuffer*/, LONG* pRC) {
  Guarded("UpdateStatistics", pRC, [&] {
    TraceEnter("UpdateStatistics");
    m_resultCodeExtended = 0;
    CompleteMethod("UpdateStatistics", OPOS_E_ILLEGAL, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::BeginInsertion(LONG /*Timeout*/, LONG* pRC) {
  TraceEnter("BeginInsertion");
  CompleteMethod("BeginInsertion", OPOS_E_ILLEGAL, pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::BeginRemoval(LONG /*Timeout*/, LONG* pRC) {
  TraceEnter("BeginRemoval");
  CompleteMethod("BeginRemoval", OPOS_E_ILLEGAL, pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::EndInsertion(LONG* pRC) {
  TraceEnter("EndInsertion");
  CompleteMethod("EndInsertion", OPOS_E_ILLEGAL, pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::EndRemoval(LONG* pRC) {
  TraceEnter("EndRemoval");
  CompleteMethod("EndRemoval", OPOS_E_ILLEGAL, pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::ChangePrintSide(LONG* pRC) {
  TraceEnter("ChangePrintSide");
  CompleteMethod("ChangePrintSide", OPOS_E_ILLEGAL, pRC);
  return S_OK;
}

HRESULT QVCOposPrinter::CompareFirmwareVersion(BSTR, LONG*, LONG*) { return S_OK; }

HRESULT QVCOposPrinter::UpdateFirmware(BSTR, LONG*) { return S_OK; }

HRESULT QVCOposPrinter::SetLogo(LONG /*Location*/, BSTR /*Data*/, LONG* pRC) {
  Guarded("SetLogo", pRC, [&] {
    TraceEnter("SetLogo");
    throw OposError("SetLogo location error");
  });
  return S_OK;
}

// ---------------------------------------------------------------------------
// Writing.

bool QVCOposPrinter::WriteCmd(const Cmd& command) {
  return WriteCmdByInterface(TheCommArbiter(), m_ioTypeIndex, command);
}

int32_t QVCOposPrinter::WriteDeviceBuffer() {
  bool written = WriteCmd(*m_cmd);
  m_cmd->Clear();
  if (!written) return OPOS_E_FAILURE;
  SendMessage(hwnd(), kMsgOutputComplete, 0, 0);
  return OPOS_SUCCESS;
}

std::string QVCOposPrinter::StoredBitmap(LONG number) const { return GetStoredBitmap(number); }

void QVCOposPrinter::RequestLogo(bool top) { SetLogoRequest(top); }
