#include "service_object/core/event_queue.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "service_object/core/errors.h"

namespace {

constexpr auto kWait = std::chrono::seconds(5);

// Records what the worker delivers; an optional hook runs inside the
// callback (on the worker thread).
class Recorder {
 public:
  static void Callback(void* context, const CDeviceEvent& record) {
    static_cast<Recorder*>(context)->Deliver(record);
  }

  void Deliver(const CDeviceEvent& record) {
    if (hook) hook(record);
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back(record);
    threads_.push_back(std::this_thread::get_id());
    cv_.notify_all();
  }

  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, kWait, [&] { return records_.size() >= count; });
  }
  std::vector<CDeviceEvent> records() {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
  }
  std::vector<std::thread::id> threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

  std::function<void(const CDeviceEvent&)> hook;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<CDeviceEvent> records_;
  std::vector<std::thread::id> threads_;
};

class EventQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    queue_.SetCallback(&recorder_, &Recorder::Callback);
    queue_.SetAllowableEvents(kEventAllKinds);
  }
  // The recorder must outlive the worker: declared first, destroyed last.
  Recorder recorder_;
  CEventQueue queue_;
};

std::vector<int32_t> Kinds(const std::vector<CDeviceEvent>& records) {
  std::vector<int32_t> kinds;
  for (const auto& r : records) kinds.push_back(r.kind);
  return kinds;
}

TEST(DeviceEventTest, NewRecordIsEmptyAndReadersCheckTheKind) {
  CDeviceEvent blank;
  EXPECT_EQ(blank.kind, 0);
  EXPECT_EQ(blank.number1 | blank.number2 | blank.number3, 0);
  EXPECT_TRUE(blank.data.empty());

  CDeviceEvent status = CDeviceEvent::StatusUpdate(26);
  EXPECT_EQ(status.ReadStatusUpdateEvent(), 26);
  CDeviceEvent output = CDeviceEvent::OutputComplete(9);
  EXPECT_EQ(output.ReadOutputCompleteEvent(), 9);
  int32_t a = 0, b = 0, c = 0;
  CDeviceEvent::Error(111, 201, 3).ReadErrorEvent(&a, &b, &c);
  EXPECT_EQ(a, 111);
  EXPECT_EQ(b, 201);
  EXPECT_EQ(c, 3);
  std::string bytes;
  CDeviceEvent::Data(5, std::string("\x00\x41", 2)).ReadDataEvent(&a, &bytes);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(bytes, std::string("\x00\x41", 2));

  struct Case {
    std::function<void()> read;
    const char* text;
  } cases[] = {
      {[&] { status.ReadDataEvent(&a, &bytes); }, "Invalid Data Event"},
      {[&] { status.ReadErrorEvent(&a, &b, &c); }, "Invalid Error Event"},
      {[&] { status.ReadOutputCompleteEvent(); }, "Invalid OutputComplete Event"},
      {[&] { output.ReadStatusUpdateEvent(); }, "Invalid StatusUpdate Event"},
  };
  for (const auto& c : cases) {
    try {
      c.read();
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const OposEventError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
}

TEST_F(EventQueueTest, HeldRecordsWaitWithoutBlockingEnabledKinds) {
  queue_.SetEnabledEvents(kEventOutputComplete);
  for (int32_t status = 1; status <= 5; ++status) {
    queue_.QueueEvent(CDeviceEvent::StatusUpdate(status));
  }
  queue_.QueueEvent(CDeviceEvent::OutputComplete(77));
  // The output-complete record behind five held status updates comes first.
  ASSERT_TRUE(recorder_.WaitFor(1));
  EXPECT_EQ(recorder_.records()[0].kind, kEventOutputComplete);
  EXPECT_EQ(queue_.GetEventCount(kEventStatusUpdate), 5);
  EXPECT_EQ(queue_.GetEventCount(kEventOutputComplete), 0);

  // Enabled again: all five, oldest first.
  queue_.SetEnabledEvents(kEventStatusUpdate);
  ASSERT_TRUE(recorder_.WaitFor(6));
  auto records = recorder_.records();
  ASSERT_EQ(records.size(), 6u);
  for (int32_t i = 1; i <= 5; ++i) {
    EXPECT_EQ(records[i].kind, kEventStatusUpdate);
    EXPECT_EQ(records[i].number1, i);
  }
  EXPECT_EQ(queue_.GetEventCount(kEventStatusUpdate), 0);
  for (auto id : recorder_.threads()) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(EventQueueTest, PurgeRemovesAdjacentRecordsAndTheLastRecord) {
  queue_.QueueEvent(CDeviceEvent::Error(111, 0, 0));
  queue_.QueueEvent(CDeviceEvent::Error(112, 0, 0));
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(1));
  queue_.QueueEvent(CDeviceEvent::Error(113, 0, 0));  // the last record
  EXPECT_EQ(queue_.GetEventCount(kEventError), 3);
  queue_.PurgeEvents(kEventError);
  EXPECT_EQ(queue_.GetEventCount(kEventError), 0);
  EXPECT_EQ(queue_.GetEventCount(kEventStatusUpdate), 1);
  queue_.PurgeEvents(kEventError);         // nothing left of that kind
  queue_.PurgeEvents(kEventStatusUpdate);  // now the only record
  EXPECT_EQ(queue_.GetEventCount(kEventStatusUpdate), 0);

  queue_.QueueEvent(CDeviceEvent::StatusUpdate(2));
  queue_.SetEnabledEvents(kEventAllKinds);
  ASSERT_TRUE(recorder_.WaitFor(1));
  auto records = recorder_.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].number1, 2);
}

TEST_F(EventQueueTest, ClearDropsEverything) {
  queue_.QueueEvent(CDeviceEvent::Data(0, "x"));
  queue_.QueueEvent(CDeviceEvent::OutputComplete(1));
  queue_.ClearEvents();
  for (int32_t kind : {1, 2, 4, 8, 16}) EXPECT_EQ(queue_.GetEventCount(kind), 0);
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(3));
  queue_.SetEnabledEvents(kEventAllKinds);
  ASSERT_TRUE(recorder_.WaitFor(1));
  EXPECT_EQ(Kinds(recorder_.records()), std::vector<int32_t>{kEventStatusUpdate});
}

TEST_F(EventQueueTest, RejectedMasksAndKindsKeepTheirTexts) {
  queue_.SetEnabledEvents(20);
  struct Case {
    const char* label;
    std::function<void()> call;
    const char* text;
  } cases[] = {
      {"enabled 32", [&] { queue_.SetEnabledEvents(32); },
       "Invalid event type passed to SetEnabledEvents."},
      {"enabled -1", [&] { queue_.SetEnabledEvents(-1); },
       "Invalid event type passed to SetEnabledEvents."},
      {"allowable 32", [&] { queue_.SetAllowableEvents(32); },
       "Invalid event type passed to SetAllowableEvents."},
      {"count of 3", [&] { queue_.GetEventCount(3); }, "Invalid Event Type."},
      {"count of 0", [&] { queue_.GetEventCount(0); }, "Invalid Event Type."},
      {"queue kind 3",
       [&] {
         CDeviceEvent odd;
         odd.kind = 3;
         queue_.QueueEvent(odd);
       },
       "Unable to queue the specified event type."},
      {"queue kind -1",
       [&] {
         CDeviceEvent internal;
         internal.kind = kEventAutoDisable;
         queue_.QueueEvent(internal);
       },
       "Unable to queue the specified event type."},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no error for " << c.label;
    } catch (const OposQueueError& e) {
      EXPECT_STREQ(e.what(), c.text) << c.label;
    }
  }
  EXPECT_EQ(queue_.GetEnabledEvents(), 20);
  EXPECT_EQ(queue_.GetAllowableEvents(), kEventAllKinds);

  queue_.SetAllowableEvents(0);
  try {
    queue_.QueueEvent(CDeviceEvent::OutputComplete(1));
    ADD_FAILURE() << "queued a kind that is not allowable";
  } catch (const OposQueueError& e) {
    EXPECT_STREQ(e.what(), "Unable to queue the specified event type.");
  }
  EXPECT_EQ(queue_.GetEventCount(kEventOutputComplete), 0);
}

TEST_F(EventQueueTest, AutoDisableComesBeforeTheDataRecord) {
  queue_.SetAutoDisable(true);
  // The device disables itself on kind -1, which takes data out of the
  // enabled kinds; the data record then stays queued.
  recorder_.hook = [this](const CDeviceEvent& r) {
    if (r.kind == kEventAutoDisable) queue_.ChangeEnabledEvents(0, kEventData);
  };
  queue_.SetEnabledEvents(kEventData | kEventStatusUpdate);
  queue_.QueueEvent(CDeviceEvent::Data(0, "abc"));
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(4));
  ASSERT_TRUE(recorder_.WaitFor(2));
  EXPECT_EQ(Kinds(recorder_.records()),
            (std::vector<int32_t>{kEventAutoDisable, kEventStatusUpdate}));
  EXPECT_EQ(queue_.GetEventCount(kEventData), 1);
  EXPECT_EQ(queue_.GetEnabledEvents(), kEventStatusUpdate);

  // Without the hook's disable the data record follows the internal one.
  recorder_.hook = nullptr;
  queue_.ClearEvents();
  queue_.SetEnabledEvents(kEventAllKinds);
  queue_.QueueEvent(CDeviceEvent::Data(7, "z"));
  ASSERT_TRUE(recorder_.WaitFor(4));
  auto records = recorder_.records();
  EXPECT_EQ(records[2].kind, kEventAutoDisable);
  EXPECT_EQ(records[3].kind, kEventData);
  EXPECT_EQ(records[3].data, "z");
}

TEST_F(EventQueueTest, CallbackMayQueueAndChangeMasks) {
  recorder_.hook = [this](const CDeviceEvent& r) {
    if (r.kind == kEventStatusUpdate && r.number1 < 3) {
      queue_.QueueEvent(CDeviceEvent::StatusUpdate(r.number1 + 1));
      queue_.SetEnabledEvents(queue_.GetEnabledEvents() | kEventOutputComplete);
    }
  };
  queue_.SetEnabledEvents(kEventStatusUpdate);
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(1));
  ASSERT_TRUE(recorder_.WaitFor(3));
  auto records = recorder_.records();
  EXPECT_EQ(records[2].number1, 3);
}

TEST_F(EventQueueTest, AThrowingCallbackLosesOnlyItsRecord) {
  recorder_.hook = [](const CDeviceEvent& r) {
    if (r.number1 == 1) throw OposEventError("Error firing StatusUpdate event.");
  };
  queue_.SetEnabledEvents(kEventStatusUpdate);
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(1));
  queue_.QueueEvent(CDeviceEvent::StatusUpdate(2));
  ASSERT_TRUE(recorder_.WaitFor(1));
  auto records = recorder_.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].number1, 2);
}

TEST(EventQueueLifetimeTest, DestructionFreesQueuedRecordsUndelivered) {
  Recorder recorder;
  {
    CEventQueue queue;
    queue.SetCallback(&recorder, &Recorder::Callback);
    queue.SetAllowableEvents(kEventAllKinds);
    for (int i = 0; i < 100; ++i) queue.QueueEvent(CDeviceEvent::Data(i, std::string(64, 'x')));
    EXPECT_EQ(queue.GetEventCount(kEventData), 100);
  }
  EXPECT_TRUE(recorder.records().empty());
}

TEST(EventQueueLifetimeTest, StopIsIdempotentAndEndsDelivery) {
  Recorder recorder;
  CEventQueue queue;
  queue.SetCallback(&recorder, &Recorder::Callback);
  queue.SetAllowableEvents(kEventAllKinds);
  queue.Stop();
  queue.Stop();
  queue.SetEnabledEvents(kEventAllKinds);
  queue.QueueEvent(CDeviceEvent::StatusUpdate(1));
  EXPECT_EQ(queue.GetEventCount(kEventStatusUpdate), 1);
  EXPECT_TRUE(recorder.records().empty());
}

TEST_F(EventQueueTest, ConcurrentProducersKeepEachProducersOrder) {
  constexpr int kProducers = 4;
  constexpr int kEach = 250;
  queue_.SetEnabledEvents(kEventStatusUpdate | kEventOutputComplete);
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([this, p] {
      for (int i = 0; i < kEach; ++i) {
        queue_.QueueEvent(p % 2 == 0 ? CDeviceEvent::StatusUpdate(p * 10000 + i)
                                     : CDeviceEvent::OutputComplete(p * 10000 + i));
        if (i == kEach / 2) queue_.SetEnabledEvents(queue_.GetEnabledEvents());
      }
    });
  }
  // Mask changes race the producers and the worker.
  for (int i = 0; i < 50; ++i) {
    queue_.SetEnabledEvents(i % 2 == 0 ? kEventStatusUpdate
                                       : kEventStatusUpdate | kEventOutputComplete);
  }
  for (auto& t : producers) t.join();
  queue_.SetEnabledEvents(kEventStatusUpdate | kEventOutputComplete);
  ASSERT_TRUE(recorder_.WaitFor(kProducers * kEach));
  auto records = recorder_.records();
  ASSERT_EQ(records.size(), static_cast<size_t>(kProducers * kEach));
  std::vector<int> next(kProducers, 0);
  for (const auto& r : records) {
    int p = r.number1 / 10000;
    EXPECT_EQ(r.number1 % 10000, next[p]) << "producer " << p;
    next[p] = r.number1 % 10000 + 1;
  }
  EXPECT_EQ(queue_.GetEventCount(kEventStatusUpdate), 0);
  EXPECT_EQ(queue_.GetEventCount(kEventOutputComplete), 0);
}

}  // namespace
