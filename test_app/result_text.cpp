#include "test_app/result_text.h"

#include "common/ports/po_text.h"

namespace qvtestapp {

QString ResultText(int32_t resultCode) {
  switch (resultCode) {
    case 101:  // OPOS_E_CLOSED
      return QStringLiteral(
          "ErrorCode(Closed) \r\n Attempt was made to access a device that is closed");
    case 102:  // OPOS_E_CLAIMED
      return QStringLiteral(
          "ErrorCode(Claimed) \r\n Attempt was made to access a device that is claimed by "
          "another process");
    case 103:  // OPOS_E_NOTCLAIMED
      return QStringLiteral(
          "ErrorCode(NotClaimed) \r\nAttempt was made to access an exclusive-use device that "
          "must be claimed before the method or property set action can be used.");
    case 104:  // OPOS_E_NOSERVICE
      return QStringLiteral(
          "ErrorCode(NoService) \r\nThe Control cannot communicate with the Service Object. "
          "\r\n\t\t\tMost likely, a setup or configuration error must be corrected");
    case 105:  // OPOS_E_DISABLED
      return QStringLiteral(
          "ErrorCode(Disabled) \r\n Cannot perform operation while device is disabled.");
    case 106:  // OPOS_E_ILLEGAL
      return QStringLiteral(
          "ErrorCode(Illegal) \r\n  Attempt was made to perform an illegal or unsupported "
          "operation with the device, or an invalid.");
    case 107:  // OPOS_E_NOHARDWARE
      return QStringLiteral(
          "ErrorCode(NoHardware) \r\n The Physical Device is not connected to the system or "
          "is not powered on.");
    case 108:  // OPOS_E_OFFLINE
      return QStringLiteral("ErrorCode(Off Line) \r\n The Physical Device is off-line.");
    case 109:  // OPOS_E_NOEXIST
      return QStringLiteral(
          "ErrorCode(No Exist) \r\n The file name (or other specified value) does not exist");
    case 110:  // OPOS_E_EXISTS
      return QStringLiteral(
          "ErrorCode(Exist) \r\n  The file name (or other specified value) already "
          "exists.");
    case 111:  // OPOS_E_FAILURE
      return QStringLiteral(
          "ErrorCode(Failure) \r\n  The Device cannot perform the requested procedure.");
    case 112:  // OPOS_E_TIMEOUT
      return QStringLiteral(
          "ErrorCode(Timeout) \r\n  The Service timed out waiting for a response from the "
          "Physical Device.");
    case 113:  // OPOS_E_BUSY
      return QStringLiteral(
          "ErrorCode(Busy) \r\n   The current Service state does not allow this request.");
    case 115:  // OPOS_E_DEPRECATED
      return QStringLiteral(
          "ErrorCode(Deprecated) \r\n   The requested operation can not be performed since it "
          "has been deprecated.");
    default: return {};
  }
}

QString POText(const char* key) {
  char16_t text[qvports::kPOTextBufferUnits] = {};
  return BaseGetPOText(key, text) != nullptr ? QString::fromUtf16(text) : QString();
}

}  // namespace qvtestapp
