// USB printer enumeration: the present USB printers as device interfaces of
// the class GUID_DEVINTERFACE_USB_DEVICE, each with its interface path
//   \\?\usb#vid_xxxx&pid_xxxx#<instance>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
// (vendor and product id in lower-case hexadecimal) and the device node the
// path maps back to (ResolveDevicePath in device_map.h).
//
// Printers come from the device map's usb#vid_xxxx&pid_xxxx#<instance>
// links whose target exists, from the stable links the package's udev rules
// make (/dev/qvopos/usb-<vvvv>-<pppp>-<instance>), and from the usblp nodes
// udev knows (/dev/usb/lpN), whose instance is UsbPrinterInstance of the
// device. A node reached through a link is listed once, under the first
// link. Any thread.
//
// On Windows the list is SetupAPI's: every present device interface of
// that class (as the system names it, with its device description), whose
// node is the interface path itself. The stable links are Linux only.
#ifndef QV_PLATFORM_DEVICES_USB_PRINTERS_H_
#define QV_PLATFORM_DEVICES_USB_PRINTERS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvplatform {

struct UsbPrinterInfo {
  std::string devicePath;  // the interface path above
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string instance;
  std::string description;  // the product string, or "USB Printing Support"
  std::filesystem::path node;
  bool mapped = false;  // true when it comes from a device-map link
};

std::vector<UsbPrinterInfo> EnumerateUsbPrinters();

// The vendor id, product id and instance of a USB link name or interface
// path ("usb#vid_0fe6&pid_811e#A1B2", with or without "\\?\" in front and
// the class GUID behind). Nothing when the text is not of that form.
struct UsbDeviceId {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string instance;
};
std::optional<UsbDeviceId> ParseUsbDeviceName(std::string_view name);

// A vendor or product id written as four hexadecimal digits (either case).
bool ParseUsbId(std::string_view text, uint16_t* value);

// The instance part of a USB printer's names: its serial number without
// trailing blanks when that is a plain word (letters, digits and + - . : = @
// _), otherwise its USB port path ("1-1.2"). The udev rules make their links
// with the same choice, so both name a printer alike.
std::string UsbPrinterInstance(std::string_view serial, std::string_view port_path);

// The folder of the stable links (/dev/qvopos); tests point it elsewhere
// (an empty path restores the default). Set it before starting threads.
std::filesystem::path StableUsbLinkDirectory();
void SetStableUsbLinkDirectoryForTesting(const std::filesystem::path& dir);

// "usb-0fe6-811e-<instance>": a stable link's name, and back.
std::string StableUsbLinkName(uint16_t vendor_id, uint16_t product_id, std::string_view instance);
std::optional<UsbDeviceId> ParseStableUsbLinkName(std::string_view name);

// The node of a present USB printer: its stable link when there is one, else
// the usblp node udev reports for it. The device map's links are not
// consulted (ResolveDevicePath does that first).
std::optional<std::filesystem::path> FindUsbPrinterNode(const UsbDeviceId& id);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_USB_PRINTERS_H_
