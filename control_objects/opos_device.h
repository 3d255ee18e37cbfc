// A C++ face of the stand-in control objects for applications that do not
// want to speak COM: OposDevice holds one control object and calls it
// through its IDispatch, exactly as a scripting client would, with typed
// methods for the common calls and by-name access to every method and
// property. Results are the OPOS result codes (0 success, 101 closed, 104 no
// service, 106 illegal, 111 failure, ...).
//
// Threads: construct, use and destroy a device on one thread that has
// called CoInitialize and pumps its apartment (qvplatform::PumpMessages,
// WaitAndPump, PumpUntil or the queue's file descriptor): events reach
// listeners only while that thread pumps.
#ifndef QV_CONTROL_OBJECTS_OPOS_DEVICE_H_
#define QV_CONTROL_OBJECTS_OPOS_DEVICE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "control_objects/control_object.h"
#include "control_objects/opos_members.h"

namespace qvopos {

using qvcontrols::OposEvent;
using qvcontrols::OposEventListener;

using OposValue = std::variant<int32_t, std::u16string>;

// Makes the constructing thread an apartment for its lifetime (CoInitialize
// and CoUninitialize), and pumps it, so a program need not call the COM
// runtime itself. Construct before the devices, destroy after them.
class Apartment {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  bool ok() const { return m_initialized; }
  // Delivers pending events for `milliseconds` (real time).
  void Pump(int64_t milliseconds);
  // Pumps until `done()` holds or `milliseconds` have passed; returns done().
  bool PumpUntil(const std::function<bool()>& done, int64_t milliseconds);

 private:
  bool m_initialized = false;
};

struct CallResult {
  HRESULT hr = S_OK;       // a dispatch failure: unknown member, bad argument
  int32_t resultCode = 0;  // the method's result when hr succeeded
  // The by-reference arguments as the call left them, by parameter name.
  std::vector<std::pair<std::u16string, OposValue>> outputs;
};

class OposDevice {
 public:
  explicit OposDevice(qvcontrols::DeviceClass deviceClass);
  ~OposDevice();
  OposDevice(const OposDevice&) = delete;
  OposDevice& operator=(const OposDevice&) = delete;

  int32_t Open(std::u16string_view deviceName);
  int32_t Close();
  int32_t ClaimDevice(int32_t timeout);
  int32_t ReleaseDevice();
  int32_t CheckHealth(int32_t level);

  // Sets DeviceEnabled and returns the ResultCode it left.
  int32_t SetDeviceEnabled(bool enabled);
  bool DeviceEnabled();
  int32_t ResultCode();
  int32_t ResultCodeExtended();
  int32_t State();
  int32_t OpenResult();

  // Any method by name; missing trailing by-reference arguments start as 0
  // or empty. Unknown method: hr DISP_E_UNKNOWNNAME.
  CallResult Call(std::u16string_view method, const std::vector<OposValue>& args);
  // Any property by name (number or string as the property is).
  HRESULT Get(std::u16string_view property, OposValue* value);
  int32_t GetNumber(std::u16string_view property);
  std::u16string GetString(std::u16string_view property);
  // Returns the dispatch status; the outcome is in ResultCode().
  HRESULT Set(std::u16string_view property, const OposValue& value);

  void AddListener(OposEventListener* listener);
  void RemoveListener(OposEventListener* listener);

  // The control object (not AddRef'd for the caller); null when it could
  // not be created.
  IDispatch* Dispatch() const { return m_object; }
  qvcontrols::DeviceClass deviceClass() const { return m_deviceClass; }

 protected:
  int32_t CallLongs(std::u16string_view method, std::vector<OposValue> args) {
    return Call(method, args).resultCode;
  }

 private:
  const qvcontrols::DeviceClass m_deviceClass;
  qvcontrols::CControlObject* m_object = nullptr;
};

class PosPrinter : public OposDevice {
 public:
  PosPrinter() : OposDevice(qvcontrols::DeviceClass::kPosPrinter) {}

  int32_t PrintNormal(int32_t station, std::u16string_view data);
  int32_t PrintImmediate(int32_t station, std::u16string_view data);
  int32_t CutPaper(int32_t percentage);
  int32_t PrintBarCode(int32_t station, std::u16string_view data, int32_t symbology, int32_t height,
                       int32_t width, int32_t alignment, int32_t textPosition);
  int32_t PrintBitmap(int32_t station, std::u16string_view fileName, int32_t width,
                      int32_t alignment);
  int32_t TransactionPrint(int32_t station, int32_t control);
  int32_t RotatePrint(int32_t station, int32_t rotation);
  int32_t ClearOutput();
};

class CashDrawer : public OposDevice {
 public:
  CashDrawer() : OposDevice(qvcontrols::DeviceClass::kCashDrawer) {}

  int32_t OpenDrawer();
  bool DrawerOpened();
};

}  // namespace qvopos

#endif  // QV_CONTROL_OBJECTS_OPOS_DEVICE_H_
