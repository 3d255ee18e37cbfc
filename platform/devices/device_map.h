// The device map: how Windows device names reach Linux device nodes, as in
// Wine. The prefix's dosdevices/ folder holds symbolic links:
//   com7 -> /dev/ttyUSB0          serial port COM7
//   lpt1 -> /dev/usb/lp0          parallel port LPT1
//   usb#vid_0fe6&pid_811e#A1B2 -> /dev/usb/lp1
//                                 a USB printer whose interface path is
//                                 \\?\usb#vid_0fe6&pid_811e#A1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
// Anything can be attached this way, a pseudo-terminal included. Names are
// compared without regard to case.
//
// Ports without a link get a stable default name from their node:
//   /dev/ttyS<k>   COM<k+1>   (k 0..31)
//   /dev/ttyUSB<k> COM<k+33>  (k 0..31)
//   /dev/ttyACM<k> COM<k+65>  (k 0..31)
//   /dev/lp<k>     LPT<k+1>
// A link wins over the default: its name is used, and its node gets no
// default name.
//
// All functions read the prefix on every call (no cache) and are safe to
// call from any thread; errors are errno values (0 is success).
//
// On Windows the system maps device names itself: ResolveDevicePath gives
// "\\.\COMn" and "\\.\LPTn" for port names and any other path as it is,
// and the functions of the device map (the dosdevices links and the default
// Linux nodes) are not provided. The name functions (StripDevicePrefix,
// UsbPrinterLinkName, ParsePortNumber) are the same everywhere.
#ifndef QV_PLATFORM_DEVICES_DEVICE_MAP_H_
#define QV_PLATFORM_DEVICES_DEVICE_MAP_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvplatform {

// The interface class of USB devices, the last part of a USB interface path.
inline constexpr char kGuidDevInterfaceUsbDevice[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
// The interface class of serial ports.
inline constexpr char kGuidDevInterfaceComPort[] = "{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

struct DosDeviceLink {
  std::string name;              // the link's name as stored, e.g. "com7"
  std::filesystem::path target;  // where it points (not resolved further)
};

// Every link of the device map, sorted by name. Empty when there is no map.
std::vector<DosDeviceLink> QueryDosDevices();

// The target of the link called `name` (any case), if there is one; a
// relative target is returned relative to dosdevices/ made absolute.
std::optional<std::filesystem::path> QueryDosDevice(std::string_view name);

// Creates or replaces the link `name` -> `target` (creating dosdevices/ when
// missing). COMn and LPTn names are stored in lower case, as Wine does.
int DefineDosDevice(std::string_view name, const std::filesystem::path& target);

// Removes the link `name` (any case). ENOENT when there is none.
int RemoveDosDevice(std::string_view name);

// `path` without a "\\.\" or "\\?\" in front.
std::string_view StripDevicePrefix(std::string_view path);

// "usb#vid_0fe6&pid_811e#<instance>": the link name of a USB printer.
std::string UsbPrinterLinkName(uint16_t vendor_id, uint16_t product_id, std::string_view instance);

// The number n of "COMn" / "LPTn" (prefix in any case, n >= 1, digits only).
std::optional<int> ParsePortNumber(std::string_view name, std::string_view prefix);

// The default mapping above, in both directions. DefaultComNode does not
// look whether the node exists.
std::optional<std::filesystem::path> DefaultComNode(int number);
std::optional<int> DefaultComNumber(const std::filesystem::path& node);
std::optional<std::filesystem::path> DefaultLptNode(int number);
std::optional<int> DefaultLptNumber(const std::filesystem::path& node);

// The device node behind a Windows device name or path:
//   "COM3", "\\.\COM3"                the link com3, else the default node
//                                     when it exists
//   "LPT1", "\\.\LPT1"                the link lpt1, else /dev/lp0 when it
//                                     exists
//   "\\?\usb#vid_..&pid_..#inst#{..}" the link usb#vid_..&pid_..#inst, else
//                                     the stable link /dev/qvopos/usb-..-..-inst,
//                                     else the present usblp printer with
//                                     that path (usb_printers.h)
//   "/dev/..." (a Linux path)         itself
//   any other name                    the link of that name
// Nothing when the name maps to no node.
std::optional<std::filesystem::path> ResolveDevicePath(std::string_view path);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_DEVICE_MAP_H_
