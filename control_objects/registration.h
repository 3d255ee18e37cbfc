// COM registration of the stand-in control objects under HKEY_CLASSES_ROOT:
//
//   CLSID\{CCB90152-B81E-11D2-AB74-0040054C3719}   POSPrinter, ProgID "OPOS.POSPrinter"
//   CLSID\{CCB90042-B81E-11D2-AB74-0040054C3719}   CashDrawer, ProgID "OPOS.CashDrawer"
//
// each with InprocServer32 = the control server library (which exports
// DllGetClassObject for both classes) and ThreadingModel "Apartment", and
// <ProgID>\CLSID. Returns S_OK or the HRESULT of the first registry
// failure; unregistering keys that are not there is not a failure. Any
// thread.
#ifndef QV_CONTROL_OBJECTS_REGISTRATION_H_
#define QV_CONTROL_OBJECTS_REGISTRATION_H_

#include <filesystem>

#include "platform/com/types.h"

namespace qvcontrols {

inline constexpr CLSID CLSID_OposPOSPrinter = {
    0xCCB90152, 0xB81E, 0x11D2, {0xAB, 0x74, 0x00, 0x40, 0x05, 0x4C, 0x37, 0x19}};
inline constexpr CLSID CLSID_OposCashDrawer = {
    0xCCB90042, 0xB81E, 0x11D2, {0xAB, 0x74, 0x00, 0x40, 0x05, 0x4C, 0x37, 0x19}};
inline constexpr char16_t kProgIdPOSPrinter[] = u"OPOS.POSPrinter";
inline constexpr char16_t kProgIdCashDrawer[] = u"OPOS.CashDrawer";
inline constexpr char kControlServerFileName[] = "libqvopos_controls_server.so";

// The control server library beside the library holding this code.
std::filesystem::path DefaultControlServerPath();

HRESULT RegisterControlObjects(const std::filesystem::path& serverPath);
HRESULT UnregisterControlObjects();

}  // namespace qvcontrols

#endif  // QV_CONTROL_OBJECTS_REGISTRATION_H_
