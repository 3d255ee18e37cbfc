// The device base's use of its event queue: FreezeEvents and
// DataEventEnable.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "gtest/gtest.h"
#include "service_object/core/capture_log.h"
#include "service_object/core/device.h"

namespace {

class CTestDevice : public CDevice {
 public:
  CTestDevice() : CDevice("CTestDevice") {
    m_eventQueue.SetCallback(this, &CTestDevice::ProcessEvent);
  }
  ~CTestDevice() override { m_eventQueue.Stop(); }

  static void ProcessEvent(void* context, const CDeviceEvent& record) {
    auto* self = static_cast<CTestDevice*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->delivered.push_back(record);
    self->cv.notify_all();
  }

  // What the device classes' enable does: every kind may be queued, and
  // error, output complete and status update (plus data) are delivered.
  void Enable() {
    m_eventQueue.SetAllowableEvents(kEventAllKinds);
    m_eventQueue.SetEnabledEvents(28 | (m_flags & kFlagDataEventEnabled ? kEventData : 0));
  }

  bool WaitForDelivered(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(5), [&] { return delivered.size() >= count; });
  }
  size_t DeliveredCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return delivered.size();
  }

  using CDevice::m_eventQueue;
  using CDevice::m_eventSink;
  using CDevice::m_flags;
  using CDevice::m_resultCode;

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<CDeviceEvent> delivered;
};

TEST(DeviceEventsTest, NewDeviceHasNoControlObjectAndClosedMasks) {
  CTestDevice device;
  EXPECT_EQ(device.m_eventSink.GetDispatch(), nullptr);
  EXPECT_EQ(device.m_eventSink.GetStatusUpdateDispid(), 0);
  EXPECT_EQ(device.m_eventQueue.GetAllowableEvents(), 0);
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 0);
}

TEST(DeviceEventsTest, FreezeEventsRecomputesTheEnabledKinds) {
  struct Case {
    uint32_t flags;
    int32_t expected;
  } cases[] = {
      {0, 0},
      {kFlagOpen, 6},
      {kFlagOpen | kFlagDataEventEnabled, 7},
      {kFlagOpen | kFlagAsyncMode, 14},
      {kFlagOpen | kFlagDataEventEnabled | kFlagAsyncMode, 15},
      {kFlagDataEventEnabled, 1},
      {kFlagOpen | kFlagDataEventEnabled | kFlagFreezeEvents, 0},
      {kFlagOpen | kFlagAsyncMode | kFlagControlFreeze, 0},
      {kFlagOpen | kFlagFreezeEvents | kFlagControlFreeze, 0},
  };
  CCaptureLog log;
  CTestDevice device;
  for (const auto& c : cases) {
    device.m_eventQueue.SetEnabledEvents(28);
    device.m_flags = c.flags;
    device.FreezeEvents();
    EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), c.expected) << "flags " << c.flags;
  }
  auto lines = log.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], (CCaptureLog::Line{4, "CDevice", ">>> FreezeEvents"}));
  EXPECT_EQ(lines[1], (CCaptureLog::Line{4, "CDevice", "<<< FreezeEvents"}));
}

TEST(DeviceEventsTest, UnfreezingLeavesStatusUpdatesHeldUntilTheNextEnable) {
  CTestDevice device;
  device.m_flags = kFlagOpen | kFlagClaimed | kFlagDeviceEnabled;
  device.Enable();
  // COFreezeEvents(true)
  device.m_flags |= kFlagControlFreeze;
  device.FreezeEvents();
  device.m_eventQueue.QueueEvent(CDeviceEvent::StatusUpdate(1));
  device.m_eventQueue.QueueEvent(CDeviceEvent::StatusUpdate(2));
  // COFreezeEvents(false): error and direct I/O only.
  device.m_flags &= ~kFlagControlFreeze;
  device.FreezeEvents();
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 6);
  // An error record queued after the held status updates is delivered,
  // which shows the worker has passed them by.
  device.m_eventQueue.QueueEvent(CDeviceEvent::Error(111, 0, 0));
  ASSERT_TRUE(device.WaitForDelivered(1));
  EXPECT_EQ(device.delivered[0].kind, kEventError);
  EXPECT_EQ(device.m_eventQueue.GetEventCount(kEventStatusUpdate), 2);
  // Disable and enable again: the held updates follow, oldest first.
  device.Enable();
  ASSERT_TRUE(device.WaitForDelivered(3));
  EXPECT_EQ(device.delivered[1].number1, 1);
  EXPECT_EQ(device.delivered[2].number1, 2);
}

TEST(DeviceEventsTest, PropertyFreezeUnderControlFreezeStaysFrozen) {
  CTestDevice device;
  device.m_flags = kFlagOpen | kFlagControlFreeze;
  device.FreezeEvents();
  device.m_flags |= kFlagFreezeEvents;
  device.FreezeEvents();
  device.m_flags &= ~kFlagFreezeEvents;
  device.FreezeEvents();
  EXPECT_TRUE(device.IsFrozen());
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 0);
}

TEST(DeviceEventsTest, DataEventEnableSwitchesDataAndTraces) {
  CCaptureLog log;
  CTestDevice device;
  device.m_flags = kFlagOpen;
  device.Enable();
  device.m_resultCode = 111;
  device.DataEventEnable(true);
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 29);
  EXPECT_NE(device.m_flags & kFlagDataEventEnabled, 0u);
  EXPECT_EQ(device.m_resultCode, 0);
  device.DataEventEnable(false);
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 28);
  EXPECT_EQ(device.m_flags & kFlagDataEventEnabled, 0u);

  // Frozen: enabling sets the flag but delivers nothing until unfrozen;
  // disabling removes data frozen or not.
  device.m_flags |= kFlagFreezeEvents;
  device.FreezeEvents();
  device.DataEventEnable(true);
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 0);
  device.m_flags &= ~kFlagFreezeEvents;
  device.FreezeEvents();
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 7);
  device.DataEventEnable(false);
  EXPECT_EQ(device.m_eventQueue.GetEnabledEvents(), 6);

  std::vector<CCaptureLog::Line> expected = {
      {4, "CDevice", ">>> DataEventEnable"}, {5, "CDevice", "    | Enable: True"},
      {4, "CDevice", "<<< DataEventEnable"}, {4, "CDevice", ">>> DataEventEnable"},
      {5, "CDevice", "    | Enable: False"}, {4, "CDevice", "<<< DataEventEnable"},
  };
  auto lines = log.Lines();
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<CCaptureLog::Line>(lines.begin(), lines.begin() + 6), expected);
}

TEST(DeviceEventsTest, DestroyingADeviceWithQueuedRecordsDeliversNone) {
  // The records are freed with the queue (the sanitizer builds check that
  // nothing leaks); none is handed to the device on the way out.
  auto device = std::make_unique<CTestDevice>();
  device->m_eventQueue.SetAllowableEvents(kEventAllKinds);
  for (int i = 0; i < 20; ++i) device->m_eventQueue.QueueEvent(CDeviceEvent::StatusUpdate(i));
  device->m_eventQueue.Stop();
  device->m_eventQueue.SetEnabledEvents(kEventAllKinds);
  EXPECT_EQ(device->DeliveredCount(), 0u);
  EXPECT_EQ(device->m_eventQueue.GetEventCount(kEventStatusUpdate), 20);
  device.reset();
}

}  // namespace
