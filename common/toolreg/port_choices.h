// What the configuration tool's port dialogs offer, so that any front end
// (dialogs, the command line) offers and accepts the same choices:
//
// - serial: the port names of the serial enumeration (only when the spooler
//   lists any port at all), the four baud rates, 8 data bits, and the item
//   numbers of parity, stop bits and flow control;
// - parallel: the spooler's port names that pass isLPT ("LPT1:");
// - USB: the present USB printers whose device-interface path names one of
//   the supported vendor/product pairs, both in upper case (VID_0FE6 and
//   PID_811E) or both in lower case (vid_0fe6 and pid_811e);
// - network: an address in dotted decimal, four numbers 0 to 255, and a
//   port from 1024 to 49151 other than 4000.
//
// Any thread; the enumerations read the present devices on every call.
#ifndef QV_COMMON_TOOLREG_PORT_CHOICES_H_
#define QV_COMMON_TOOLREG_PORT_CHOICES_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvtoolreg {

inline constexpr std::array<int32_t, 4> kOfferedBaudRates = {9600, 19200, 38400, 115200};
inline constexpr int32_t kOfferedByteSize = 8;
// List items; the stored value is the item number.
inline constexpr std::array<const char16_t*, 3> kParityItems = {u"NONE", u"ODD", u"EVEN"};
inline constexpr std::array<const char16_t*, 3> kStopBitsItems = {u"1", u"1.5", u"2"};
inline constexpr std::array<const char16_t*, 3> kFlowControlItems = {u"NONE", u"Hardware",
                                                                     u"Xon/Xoff"};
// The log dialog's levels; the stored value is the item number.
inline constexpr std::array<const char16_t*, 7> kLogLevelItems = {
    u"None", u"Critical", u"Warnings", u"Info", u"FunctionTrace", u"FunctionData", u"FunctionAll"};

bool IsOfferedBaudRate(int32_t baudRate);

// The serial dialog's port list: the port names of the serial enumeration in
// its order, or nothing when the spooler lists no port.
std::vector<std::u16string> SerialPortChoices();

// The parallel dialog's list: spooler port names passing isLPT, in order.
std::vector<std::u16string> LptPortChoices();

struct UsbPrinterChoice {
  std::u16string shortName;   // "vid_0fe6&pid_811e"
  std::u16string devicePath;  // the whole interface path
};

// True when the path names a supported vendor/product pair.
bool PassesUsbPrinterFilter(std::u16string_view devicePath);

// The 17 characters after the path's first '#' (the vendor and product
// part); what there is when the path is shorter, empty without a '#'.
std::u16string UsbShortName(std::u16string_view devicePath);

// The USB dialog's list: present USB printers passing the filter.
std::vector<UsbPrinterChoice> UsbPrinterChoices();

// The network dialog's port rule: decimal digits only, 1024 to 49151, and
// not 4000.
bool IsValidNetworkPort(std::u16string_view text);

// True for "A.B.C.D" with four decimal numbers 0 to 255 written without
// leading zeros (as the address control formats them).
bool IsDottedQuad(std::u16string_view text);

}  // namespace qvtoolreg

#endif  // QV_COMMON_TOOLREG_PORT_CHOICES_H_
