#include "config_tool/printer_summary.h"

#include <array>

#include "common/toolreg/opos_tool_reg_key.h"

namespace qvconfig {
namespace {

// The text of item `number` of `names`; nothing for a number outside them.
template <size_t N>
std::u16string NameOf(const std::array<const char16_t*, N>& names, int32_t number) {
  if (number < 0 || static_cast<size_t>(number) >= N) return {};
  return names[static_cast<size_t>(number)];
}

constexpr std::array<const char16_t*, 3> kParityNames = {u"None", u"ODD", u"EVEN"};
constexpr std::array<const char16_t*, 3> kStopBitsNames = {u"1", u"1.5", u"2"};
constexpr std::array<const char16_t*, 3> kFlowControlNames = {u"NONE", u"HardWard", u"Xon/Xoff"};

}  // namespace

std::u16string PrinterSummaryText(int itemNumber, const std::u16string& itemText,
                                  const PendingPortSettings& pending) {
  using qvtoolreg::NumberText;
  std::u16string text = u"Interface Type:";
  if (itemNumber < 0) return text;
  text += itemText;
  switch (itemNumber) {
    case 0: {
      const qvtoolreg::SerialSettings& serial = pending.serial;
      text += u"\r\nPort: " + serial.portName;
      text += u"\r\nBaudRate: " + NumberText(serial.baudRate);
      text += u"\r\nByteSizes: " + NumberText(serial.byteSize);
      text += u"\r\nParity: " + NameOf(kParityNames, serial.parity);
      text += u"\r\nStopBits: " + NameOf(kStopBitsNames, serial.stopBits);
      text += u"\r\nFlowControl: " + NameOf(kFlowControlNames, serial.flowControl);
      break;
    }
    case 1: text += u"\r\nIP Address: " + pending.network.address + u"\r\nPort: 9100"; break;
    case 2: text += u"\r\nLPT Port: " + pending.lptPort; break;
    case 3: text += u"\r\nUSB Port: " + pending.usb.shortName; break;
    default: break;
  }
  return text;
}

}  // namespace qvconfig
