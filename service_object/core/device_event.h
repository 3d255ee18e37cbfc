// CDeviceEvent: one queued OPOS event. A new record has kind 0, every number
// 0 and empty data. The typed readers check the kind and raise
// OposEventError ("Invalid Data Event", "Invalid Error Event",
// "Invalid OutputComplete Event", "Invalid StatusUpdate Event") when the
// record is of another kind. A plain value type; copy freely.
#ifndef QV_SERVICE_OBJECT_CORE_DEVICE_EVENT_H_
#define QV_SERVICE_OBJECT_CORE_DEVICE_EVENT_H_

#include <cstdint>
#include <string>

// Event kinds: bit values, so a set of kinds is their sum (0 to 31).
constexpr int32_t kEventData = 1;
constexpr int32_t kEventDirectIO = 2;
constexpr int32_t kEventError = 4;
constexpr int32_t kEventOutputComplete = 8;
constexpr int32_t kEventStatusUpdate = 16;
constexpr int32_t kEventAllKinds = 31;
// Internal: the queue's worker asks the device to disable itself.
constexpr int32_t kEventAutoDisable = -1;

class CDeviceEvent {
 public:
  static CDeviceEvent Data(int32_t status, std::string bytes);
  static CDeviceEvent Error(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus);
  static CDeviceEvent OutputComplete(int32_t outputId);
  static CDeviceEvent StatusUpdate(int32_t status);

  void ReadDataEvent(int32_t* status, std::string* bytes) const;
  void ReadErrorEvent(int32_t* resultCode, int32_t* resultCodeExtended, int32_t* errorLocus) const;
  int32_t ReadOutputCompleteEvent() const;  // the OutputID
  int32_t ReadStatusUpdateEvent() const;    // the status value

  int32_t kind = 0;
  int32_t number1 = 0;
  int32_t number2 = 0;
  int32_t number3 = 0;
  std::string data;
};

#endif  // QV_SERVICE_OBJECT_CORE_DEVICE_EVENT_H_
