#include "service_object/core/device_event.h"

#include <utility>

#include "service_object/core/errors.h"

CDeviceEvent CDeviceEvent::Data(int32_t status, std::string bytes) {
  CDeviceEvent e;
  e.kind = kEventData;
  e.number1 = status;
  e.data = std::move(bytes);
  return e;
}

CDeviceEvent CDeviceEvent::Error(int32_t resultCode, int32_t resultCodeExtended,
                                 int32_t errorLocus) {
  CDeviceEvent e;
  e.kind = kEventError;
  e.number1 = resultCode;
  e.number2 = resultCodeExtended;
  e.number3 = errorLocus;
  return e;
}

CDeviceEvent CDeviceEvent::OutputComplete(int32_t outputId) {
  CDeviceEvent e;
  e.kind = kEventOutputComplete;
  e.number1 = outputId;
  return e;
}

CDeviceEvent CDeviceEvent::StatusUpdate(int32_t status) {
  CDeviceEvent e;
  e.kind = kEventStatusUpdate;
  e.number1 = status;
  return e;
}

void CDeviceEvent::ReadDataEvent(int32_t* status, std::string* bytes) const {
  if (kind != kEventData) throw OposEventError("Invalid Data Event");
  *status = number1;
  *bytes = data;
}

void CDeviceEvent::ReadErrorEvent(int32_t* resultCode, int32_t* resultCodeExtended,
                                  int32_t* errorLocus) const {
  if (kind != kEventError) throw OposEventError("Invalid Error Event");
  *resultCode = number1;
  *resultCodeExtended = number2;
  *errorLocus = number3;
}

int32_t CDeviceEvent::ReadOutputCompleteEvent() const {
  if (kind != kEventOutputComplete) throw OposEventError("Invalid OutputComplete Event");
  return number1;
}

int32_t CDeviceEvent::ReadStatusUpdateEvent() const {
  if (kind != kEventStatusUpdate) throw OposEventError("Invalid StatusUpdate Event");
  return number1;
}
