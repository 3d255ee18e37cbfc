// QVCOposPrinter: the four property methods (numbers and strings by their
// published OPOS indexes).
#include <cstdint>
#include <string>

#include "platform/com/bstr.h"
#include "platform/text/codepage.h"
#include "service_object/core/binary_conversion.h"
#include "service_object/core/device_event.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/printer_constants.h"

namespace {

constexpr char kNotClaimedText[] =
    "Cannot check the device enabled property before it has been claimed.";

// The name that ends the property methods' entry and exit lines.
const char* TraceName(int32_t index) {
  switch (index) {
    case PIDX_Claimed: return "Claimed";
    case PIDX_DataEventEnabled: return "DataEventEnabled";
    case PIDX_DeviceEnabled: return "DeviceEnabled";
    case PIDX_FreezeEvents: return "FreezeEvents";
    case PIDX_ResultCode: return "ResultCode";
    case PIDX_ResultCodeExtended: return "ResultCodeExtended";
    case PIDX_ServiceObjectVersion: return "ServiceObjectVersion";
    case PIDX_State: return "State";
    case PIDX_AutoDisable: return "AutoDisable";
    case PIDX_BinaryConversion: return "BinaryConversion";
    case PIDX_DataCount: return "DataCount";
    case PIDX_PowerNotify: return "PowerNotify";
    case PIDX_PowerState: return "PowerState";
    case PIDX_CapPowerReporting: return "CapPowerReporting";
    case PIDX_CapStatisticsReporting: return "CapStatisticsReporting";
    case PIDX_CapUpdateStatistics: return "CapUpdateStatistics";
    case PIDXPtr_AsyncMode: return "AsyncMode";
    case PIDXPtr_FlagWhenIdle: return "FlagWhenIdle";
    case PIDX_CheckHealthText: return "CheckHealthText";
    case PIDX_DeviceDescription: return "DeviceDescription";
    case PIDX_DeviceName: return "DeviceName";
    case PIDX_ServiceObjectDescription: return "DeviceName";
    default: return "Unknown";
  }
}

std::string Titled(const char* line, int32_t index) {
  return std::string(line) + "\t " + TraceName(index);
}

// Capabilities and fixed values: true with *value set when `index` is one.
bool FixedNumber(int32_t index, int32_t* value) {
  switch (index) {
    case PIDX_ServiceObjectVersion: *value = 1014001; return true;
    case PIDX_PowerNotify: *value = 0; return true;
    case PIDX_PowerState: *value = OPOS_PS_UNKNOWN; return true;
    case PIDX_CapPowerReporting: *value = 0; return true;
    case PIDX_CapStatisticsReporting: *value = 1; return true;
    case PIDX_CapUpdateStatistics: *value = 0; return true;
    case PIDXPtr_CapCoverSensor:
    case PIDXPtr_CapRecBarCode:
    case PIDXPtr_CapRecBitmap:
    case PIDXPtr_CapRecBold:
    case PIDXPtr_CapRecDhigh:
    case PIDXPtr_CapRecDwide:
    case PIDXPtr_CapRecDwideDhigh:
    case PIDXPtr_CapRecEmptySensor:
    case PIDXPtr_CapRecLeft90:
    case PIDXPtr_CapRecNearEndSensor:
    case PIDXPtr_CapRecPapercut:
    case PIDXPtr_CapRecPresent:
    case PIDXPtr_CapRecRight90:
    case PIDXPtr_CapRecRotate180:
    case PIDXPtr_CapRecUnderline:
    case PIDXPtr_CapTransaction:
    case PIDXPtr_CapRecColor:
    case PIDXPtr_CapMapCharacterSet:
    case PIDXPtr_CapRecPageMode: *value = 1; return true;
    case PIDXPtr_CapCharacterSet: *value = 11; return true;
    default: return false;
  }
}

}  // namespace

int32_t QVCOposPrinter::RecLineWidthInMapMode() const {
  if (m_mapMode == PTR_MM_DOTS) return m_recLineWidth;
  double mm = m_recLineWidth * 0.125;
  double value;
  if (m_mapMode == PTR_MM_TWIPS) {
    value = mm / 25.4 * 1440;
  } else if (m_mapMode == PTR_MM_ENGLISH) {
    value = mm / 25.4 * 1000;
  } else {
    value = mm * 100;
  }
  return static_cast<int32_t>(value);
}

HRESULT QVCOposPrinter::GetPropertyNumber(LONG PropIndex, LONG* pNumber) {
  Guarded("GetPropertyNumber", nullptr, [&] {
    const int32_t previousResult = m_resultCode.exchange(OPOS_SUCCESS);
    const int32_t previousExtended = m_resultCodeExtended.exchange(0);
    const int32_t entryLevel = PropIndex == PIDX_DataCount ? 6 : 4;
    const int32_t detailLevel = PropIndex == PIDX_DataCount ? 6 : 5;
    Trace(entryLevel, Titled(">>> GetPropertyNumber", PropIndex));
    Trace(detailLevel, "    | PropIndex: " + NumToString(PropIndex));

    const uint32_t flags = m_flags.load();
    const bool claimed = (flags & kFlagClaimed) != 0;
    // Claim-only values read 0 with 103 (or 106) and a warning before the
    // claim.
    auto notClaimed = [&](const std::string& tag, const std::string& text, int32_t code) {
      TheLog().Log(2, tag, text);
      m_resultCode = code;
      return 0;
    };
    int32_t number = 0;
    switch (PropIndex) {
      case PIDX_Claimed: number = claimed ? 1 : 0; break;
      case PIDX_DataEventEnabled: number = (flags & kFlagDataEventEnabled) ? 1 : 0; break;
      case PIDX_DeviceEnabled:
        number = claimed ? ((flags & kFlagDeviceEnabled) ? 1 : 0)
                         : notClaimed(kTraceTag, std::string("Warning: ") + kNotClaimedText,
                                      OPOS_E_ILLEGAL);
        break;
      case PIDX_FreezeEvents: number = (flags & kFlagFreezeEvents) ? 1 : 0; break;
      case PIDX_OutputID:
        number = m_outputId.load();
        Trace(2, "Get Output ID" + NumToString(number));
        break;
      case PIDX_ResultCode: number = previousResult; break;
      case PIDX_ResultCodeExtended: number = previousExtended; break;
      case PIDX_State: number = m_state.load(); break;
      case PIDX_AutoDisable: number = (flags & kFlagAutoDisable) ? 1 : 0; break;
      case PIDX_BinaryConversion: number = GetBinaryConversion(flags); break;
      case PIDX_DataCount: number = m_eventQueue.GetEventCount(kEventData); break;
      case PIDXPtr_AsyncMode: number = (flags & kFlagAsyncMode) ? 1 : 0; break;
      case PIDXPtr_CharacterSet: number = m_characterSet; break;
      case PIDXPtr_CoverOpen:
        number =
            claimed ? m_coverOpen.load()
                    : notClaimed(kTraceTag, std::string("Warning RecLineChars: ") + kNotClaimedText,
                                 OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_FlagWhenIdle: number = m_flagWhenIdle; break;
      case PIDXPtr_MapMode: number = m_mapMode; break;
      case PIDXPtr_RecEmpty:
        number =
            claimed ? m_recEmpty.load()
                    : notClaimed(kTraceTag, std::string("Warning RecLineChars: ") + kNotClaimedText,
                                 OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecLineChars:
        number =
            claimed ? m_recLineChars
                    : notClaimed(kTraceTag, std::string("Warning RecLineChars: ") + kNotClaimedText,
                                 OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecLineHeight:
        number = claimed ? m_recLineHeight
                         : notClaimed(kTraceTag,
                                      std::string("Warning RecLineHeight: ") + kNotClaimedText,
                                      OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecLineSpacing:
        number = claimed ? m_recLineSpacing
                         : notClaimed(kTraceTag,
                                      std::string("Warning RecLineSpacing: ") + kNotClaimedText,
                                      OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecLinesToPaperCut:
        number = claimed ? m_recLinesToPaperCut
                         : notClaimed(kTraceTag,
                                      std::string("Warning RecLinesToPaperCut: ") + kNotClaimedText,
                                      OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecLineWidth: number = RecLineWidthInMapMode(); break;
      case PIDXPtr_RecNearEnd:
        number = claimed
                     ? m_recNearEnd.load()
                     : notClaimed(kTraceTag, std::string("Warning RecNearEnd: ") + kNotClaimedText,
                                  OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecSidewaysMaxChars:
        number = claimed
                     ? m_recSidewaysMaxChars
                     : notClaimed(kTraceTag,
                                  std::string("Warning RecSidewaysMaxChars: ") + kNotClaimedText,
                                  OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_RecSidewaysMaxLines:
        number = claimed
                     ? m_recSidewaysMaxLines
                     : notClaimed(std::string(kTraceTag) + " RecSidewaysMaxLines",
                                  std::string("Warning: ") + kNotClaimedText, OPOS_E_NOTCLAIMED);
        break;
      case PIDXPtr_ErrorLevel: number = m_errorLevel.load(); break;
      case PIDXPtr_RotateSpecial: number = m_rotateSpecial; break;
      case PIDXPtr_JrnCartridgeState: number = m_jrnCartridgeState; break;
      case PIDXPtr_SlpCurrentCartridge:
        number = claimed ? 0
                         : notClaimed(std::string(kTraceTag) + " SlpCurrentCartridge",
                                      std::string("Warning: ") + kNotClaimedText, OPOS_E_ILLEGAL);
        break;
      case PIDXPtr_MapCharacterSet: number = m_mapCharacterSet; break;
      case PIDXPtr_PageModeHorizontalPosition: number = m_pageModeHorizontalPosition; break;
      case PIDXPtr_PageModePrintDirection: number = m_pageModePrintDirection; break;
      case PIDXPtr_PageModeStation: number = m_pageModeStation; break;
      case PIDXPtr_PageModeVerticalPosition: number = m_pageModeVerticalPosition; break;
      default:
        if (!FixedNumber(PropIndex, &number)) {
          TraceWarning("Warning: Invalid property number specified.");
          number = 0;
          m_resultCode = OPOS_E_ILLEGAL;
        }
        break;
    }
    if (pNumber != nullptr) *pNumber = number;
    Trace(entryLevel, Titled("<<< GetPropertyNumber", PropIndex));
    Trace(detailLevel, "    | PropIndex: " + NumToString(PropIndex));
    Trace(detailLevel, "    | Number: " + NumToString(number));
  });
  return S_OK;
}

HRESULT QVCOposPrinter::SetPropertyNumber(LONG PropIndex, LONG Number) {
  Guarded("SetPropertyNumber", nullptr, [&] {
    m_resultCode = OPOS_SUCCESS;
    m_resultCodeExtended = 0;
    Trace(4, Titled(">>> SetPropertyNumber", PropIndex));
    Trace(5, "    | PropIndex: " + NumToString(PropIndex));
    Trace(5, "    | Number: " + NumToString(Number));
    switch (PropIndex) {
      case PIDX_DataEventEnabled: DataEventEnable(Number != 0); break;
      case PIDX_DeviceEnabled:
        if ((m_flags.load() & kFlagClaimed) != 0) {
          EnableDevice(Number != 0);
        } else {
          TraceWarning("Warning: The device must be claimed before it can be enabled.");
          m_resultCode = OPOS_E_NOTCLAIMED;
        }
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
      case PIDX_BinaryConversion: m_flags = SetBinaryConversion(m_flags.load(), Number); break;
      case PIDX_PowerNotify:
        if (Number == OPOS_PN_DISABLED || Number == OPOS_PN_ENABLED) m_powerNotify = Number;
        break;
      case PIDXPtr_AsyncMode:
        if (Number != 0) {
          m_flags |= kFlagAsyncMode;
        } else {
          m_flags &= ~kFlagAsyncMode;
        }
        break;
      case PIDXPtr_FlagWhenIdle: m_flagWhenIdle = Number; break;
      case PIDXPtr_MapMode: m_mapMode = Number; break;
      case PIDXPtr_RotateSpecial: m_rotateSpecial = Number; break;
      case PIDXPtr_PageModeHorizontalPosition: m_pageModeHorizontalPosition = Number; break;
      case PIDXPtr_PageModePrintDirection: m_pageModePrintDirection = Number; break;
      case PIDXPtr_PageModeStation:
        if (Number == PTR_S_RECEIPT || Number == PTR_S_SLIP) {
          m_pageModeStation = Number;
          if (m_pageModePrintDirection == 0) m_pageModePrintDirection = 1;
        } else {
          m_pageModeStation = 0;
        }
        break;
      case PIDXPtr_PageModeVerticalPosition: m_pageModeVerticalPosition = Number; break;
      default:
        TraceWarning("Warning: An invalid property number was specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    Trace(4, Titled("<<< SetPropertyNumber", PropIndex));
    Trace(5, "    | PropIndex: " + NumToString(PropIndex));
    Trace(5, "    | Number: " + NumToString(Number));
  });
  return S_OK;
}

HRESULT QVCOposPrinter::GetPropertyString(LONG PropIndex, BSTR* pString) {
  Guarded("GetPropertyString", nullptr, [&] {
    m_resultCode = OPOS_SUCCESS;
    m_resultCodeExtended = 0;
    Trace(4, Titled(">>> GetPropertyString", PropIndex));
    Trace(5, "    | PropIndex: " + NumToString(PropIndex));
    std::string value;
    switch (PropIndex) {
      case PIDX_CheckHealthText: value = m_checkHealthText; break;
      case PIDX_DeviceDescription: value = m_deviceDescription; break;
      case PIDX_DeviceName: value = m_deviceName; break;
      case PIDX_ServiceObjectDescription: value = "QV OPOS Service Object"; break;
      case PIDXPtr_CharacterSetList:
        value = "255,437,850,852,860,863,865,866,936,998,999,1252";
        break;
      case PIDXPtr_JrnLineCharsList:
      case PIDXPtr_SlpLineCharsList:
        value = "71,70,69,68,67,66,65,64,63,62,61,60,59,58,57,56,55";
        break;
      case PIDXPtr_RecLineCharsList: value = "42,56"; break;
      case PIDXPtr_ErrorString: value = m_errorString; break;
      case PIDXPtr_RecBarCodeRotationList:
      case PIDXPtr_RecBitmapRotationList: value = "0,R90,L90,180"; break;
      case PIDXPtr_SlpBarCodeRotationList:
      case PIDXPtr_SlpBitmapRotationList: break;
      case PIDXPtr_PageModeArea: value = m_pageModeArea; break;
      case PIDXPtr_PageModePrintArea: value = m_pageModePrintArea; break;
      default:
        TraceWarning("Warning: An invalid property number was specified.");
        value = "[Error]";
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    std::string encoded = EncodeBinary(value);
    if (pString != nullptr) {
      SysFreeString(*pString);
      *pString = qvplatform::AllocBstr(qvplatform::AnsiToWide(encoded));
    }
    Trace(4, Titled("<<< GetPropertyString", PropIndex));
    Trace(5, "    | String: " + encoded);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::SetPropertyString(LONG PropIndex, BSTR String) {
  Guarded("SetPropertyString", nullptr, [&] {
    m_resultCode = OPOS_SUCCESS;
    m_resultCodeExtended = 0;
    std::string text = ToAnsi(String);
    Trace(4, Titled(">>> SetPropertyString", PropIndex));
    Trace(5, "    | PropIndex: " + NumToString(PropIndex));
    Trace(5, "    | String: " + text);
    switch (PropIndex) {
      case PIDXPtr_PageModeArea: m_pageModeArea = text; break;
      case PIDXPtr_PageModePrintArea: m_pageModePrintArea = text; break;
      default:
        TraceWarning("Warning: An invalid property number was specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    Trace(4, Titled("<<<  SetPropertyString", PropIndex));
  });
  return S_OK;
}
