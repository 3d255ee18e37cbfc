// CCashDrawer: the four property methods (numbers and strings by their
// published OPOS indexes).
#include <cstdint>
#include <string>

#include "platform/com/bstr.h"
#include "platform/text/codepage.h"
#include "service_object/core/binary_conversion.h"
#include "service_object/core/device_event.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/drawer/cash_drawer.h"
#include "service_object/drawer/cash_drawer_constants.h"
#include "service_object/printer/printer_constants.h"

namespace {

constexpr char kInvalidProperty[] = "Warning: Invalid property number specified.";
constexpr int32_t kServiceObjectVersion = 1008003;

}  // namespace

HRESULT CCashDrawer::GetPropertyNumber(LONG PropIndex, LONG* pNumber) {
  Guarded("GetPropertyNumber", nullptr, [&] {
    const int32_t previousResult = m_resultCode.exchange(OPOS_SUCCESS);
    const int32_t previousExtended = m_resultCodeExtended.exchange(0);
    TraceEnter("GetPropertyNumber");
    TraceValue("PropIndex", static_cast<long long>(PropIndex));
    const uint32_t flags = m_flags.load();
    int32_t number = 0;
    switch (PropIndex) {
      case PIDX_Claimed: number = (flags & kFlagClaimed) ? 1 : 0; break;
      case PIDX_DataEventEnabled: number = (flags & kFlagDataEventEnabled) ? 1 : 0; break;
      case PIDX_DeviceEnabled: number = (flags & kFlagDeviceEnabled) ? 1 : 0; break;
      case PIDX_FreezeEvents: number = (flags & kFlagFreezeEvents) ? 1 : 0; break;
      case PIDX_ResultCode: number = previousResult; break;
      case PIDX_ResultCodeExtended: number = previousExtended; break;
      case PIDX_ServiceObjectVersion: number = kServiceObjectVersion; break;
      case PIDX_State: number = m_state.load(); break;
      case PIDX_AutoDisable: number = (flags & kFlagAutoDisable) ? 1 : 0; break;
      case PIDX_BinaryConversion: number = GetBinaryConversion(flags); break;
      case PIDX_DataCount: number = m_eventQueue.GetEventCount(kEventData); break;
      case PIDX_PowerNotify: number = 0; break;
      case PIDX_PowerState: number = OPOS_PS_UNKNOWN; break;
      case PIDX_CapPowerReporting: number = 0; break;
      case PIDX_CapStatisticsReporting: number = 1; break;
      case PIDX_CapUpdateStatistics: number = 0; break;
      case PIDXCash_DrawerOpened: number = m_drawerOpened.load(); break;
      case PIDXCash_CapStatus: number = m_capStatus; break;
      case PIDXCash_CapStatusMultiDrawerDetect: number = m_capStatusMultiDrawerDetect; break;
      default:
        TraceWarning(kInvalidProperty);
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    if (pNumber != nullptr) *pNumber = number;
    TraceValue("pNumber", static_cast<long long>(number));
    TraceLeave("GetPropertyNumber");
  });
  return S_OK;
}

HRESULT CCashDrawer::GetPropertyString(LONG PropIndex, BSTR* pString) {
  Guarded("GetPropertyString", nullptr, [&] {
    m_resultCode = OPOS_SUCCESS;
    m_resultCodeExtended = 0;
    TraceEnter("GetPropertyString");
    TraceValue("PropIndex", static_cast<long long>(PropIndex));
    std::string value;
    switch (PropIndex) {
      case PIDX_CheckHealthText: value = m_checkHealthText; break;
      case PIDX_DeviceDescription: value = m_deviceDescription; break;
      case PIDX_DeviceName: value = m_deviceName; break;
      case PIDX_ServiceObjectDescription: value = "QV OPOS Service Object"; break;
      default:
        TraceWarning(kInvalidProperty);
        value = "[Error]";
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    const std::string encoded = EncodeBinary(value);
    if (pString != nullptr) {
      SysFreeString(*pString);
      *pString = qvplatform::AllocBstr(qvplatform::AnsiToWide(encoded));
    }
    TraceValue("String", encoded);
    TraceLeave("GetPropertyString");
  });
  return S_OK;
}

HRESULT CCashDrawer::SetPropertyNumber(LONG PropIndex, LONG Number) {
  Guarded("SetPropertyNumber", nullptr, [&] {
    TraceEnter("SetPropertyNumber");
    TraceValue("PropIndex", static_cast<long long>(PropIndex));
    TraceValue("Number", static_cast<long long>(Number));
    m_resultCode = OPOS_SUCCESS;
    m_resultCodeExtended = 0;
    switch (PropIndex) {
      case PIDX_DataEventEnabled: DataEventEnable(Number != 0); break;
      case PIDX_DeviceEnabled:
        // The drawer may be enabled without a claim.
        DeviceEnable(Number != 0);
        break;
      case PIDX_FreezeEvents:
        if (Number != 0) {
          m_flags |= kFlagFreezeEvents;
        } else {
          m_flags &= ~kFlagFreezeEvents;
        }
        FreezeEvents();
        break;
      case PIDX_AutoDisable:
        if (Number != 0) {
          m_flags |= kFlagAutoDisable;
        } else {
          m_flags &= ~kFlagAutoDisable;
        }
        m_eventQueue.SetAutoDisable(Number != 0);
        break;
      case PIDX_BinaryConversion:
        // Any value other than 0, 1, 2 selects no conversion (the property
        // then reads 0).
        m_flags = SetBinaryConversion(m_flags.load(), Number);
        break;
      case PIDX_PowerNotify:
        if (Number == OPOS_PN_DISABLED || Number == OPOS_PN_ENABLED) m_powerNotify = Number;
        break;
      default:
        TraceWarning(kInvalidProperty);
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    TraceLeave("SetPropertyNumber");
  });
  return S_OK;
}

HRESULT CCashDrawer::SetPropertyString(LONG PropIndex, BSTR String) {
  Guarded("SetPropertyString", nullptr, [&] {
    TraceEnter("SetPropertyString");
    TraceValue("PropIndex", static_cast<long long>(PropIndex));
    TraceValue("String", qvplatform::WideToAnsi(qvplatform::BstrView(String)));
    // No string property of the drawer is settable.
    TraceWarning(kInvalidProperty);
    m_resultCode = OPOS_E_ILLEGAL;
    TraceLeave("SetPropertyString");
  });
  return S_OK;
}
