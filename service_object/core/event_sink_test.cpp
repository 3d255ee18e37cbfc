#include "service_object/core/event_sink.h"

#include <thread>

#include "gtest/gtest.h"
#include "service_object/core/errors.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/stand_in_control_object.h"

namespace {

using C = CStandInControlObject;

TEST(EventSinkTest, AttachResolvesTheFiveNamesOneCallEach) {
  C control;
  CEventSink sink;
  sink.Attach(&control);
  auto calls = control.NameCalls();
  const char16_t* expected[] = {u"SOData", u"SODirectIO", u"SOError", u"SOStatusUpdate",
                                u"SOOutputComplete"};
  ASSERT_EQ(calls.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(calls[i].name, expected[i]);
    EXPECT_EQ(calls[i].count, 1u);
    EXPECT_EQ(calls[i].lcid, 0x800u);
    EXPECT_TRUE(calls[i].nullIid);
  }
  EXPECT_EQ(sink.GetDispatch(), &control);
  EXPECT_EQ(sink.GetDataDispid(), C::kSOData);
  EXPECT_EQ(sink.GetDirectIODispid(), C::kSODirectIO);
  EXPECT_EQ(sink.GetErrorDispid(), C::kSOError);
  EXPECT_EQ(sink.GetStatusUpdateDispid(), C::kSOStatusUpdate);
  EXPECT_EQ(sink.GetOutputCompleteDispid(), C::kSOOutputComplete);
}

TEST(EventSinkTest, FiresEachCallbackAsOneI4MethodArgument) {
  C control;
  CEventSink sink;
  sink.Attach(&control);
  sink.FireDataEvent(0);
  sink.FireStatusUpdateEvent(26);
  sink.FireOutputCompleteEvent(9);
  auto callbacks = control.Callbacks();
  ASSERT_EQ(callbacks.size(), 3u);
  EXPECT_EQ(callbacks[0].name, u"SOData");
  EXPECT_EQ(callbacks[0].value, 0);
  EXPECT_EQ(callbacks[1].name, u"SOStatusUpdate");
  EXPECT_EQ(callbacks[1].value, 26);
  EXPECT_EQ(callbacks[2].name, u"SOOutputComplete");
  EXPECT_EQ(callbacks[2].value, 9);
  for (const auto& call : control.Invokes()) {
    EXPECT_EQ(call.lcid, 0x400u);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    EXPECT_EQ(call.args, 1u);
    EXPECT_EQ(call.namedArgs, 0u);
    EXPECT_EQ(call.firstType, VT_I4);
    EXPECT_TRUE(call.nullIid);
    EXPECT_EQ(call.hr, S_OK);
  }
}

TEST(EventSinkTest, MissingStatusUpdateMethodFailsWithDispidZero) {
  C control(/*withStatusUpdate=*/false);
  CEventSink sink;
  sink.Attach(&control);
  EXPECT_EQ(sink.GetStatusUpdateDispid(), 0);
  try {
    sink.FireStatusUpdateEvent(1);
    ADD_FAILURE() << "no error";
  } catch (const OposEventError& e) {
    EXPECT_STREQ(e.what(), "Error firing StatusUpdate event.");
  }
  auto invokes = control.Invokes();
  ASSERT_EQ(invokes.size(), 1u);
  EXPECT_EQ(invokes[0].dispid, 0) << "the call is still made, with dispid 0";
  // The object keeps working.
  sink.FireOutputCompleteEvent(3);
  ASSERT_EQ(control.Callbacks().size(), 1u);
  EXPECT_EQ(control.Callbacks()[0].name, u"SOOutputComplete");
}

TEST(EventSinkTest, FailingCallbacksRaiseTheirTexts) {
  struct Case {
    const char16_t* callback;
    void (CEventSink::*fire)(int32_t);
    const char* text;
  } cases[] = {
      {u"SOData", &CEventSink::FireDataEvent, "Error firing Data event."},
      {u"SOStatusUpdate", &CEventSink::FireStatusUpdateEvent, "Error firing StatusUpdate event."},
      {u"SOOutputComplete", &CEventSink::FireOutputCompleteEvent,
       "Error firing OutputComplete event."},
  };
  for (const auto& c : cases) {
    C control;
    control.FailCallback(c.callback);
    CEventSink sink;
    sink.Attach(&control);
    try {
      (sink.*c.fire)(1);
      ADD_FAILURE() << c.text;
    } catch (const OposEventError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
}

TEST(EventSinkTest, WithoutAControlObjectNothingIsCalled) {
  CEventSink sink;
  sink.Attach(nullptr);
  EXPECT_EQ(sink.GetDispatch(), nullptr);
  EXPECT_EQ(sink.GetDataDispid(), 0);
  EXPECT_EQ(sink.GetOutputCompleteDispid(), 0);
  sink.FireDataEvent(0);
  sink.FireStatusUpdateEvent(1);
  sink.FireOutputCompleteEvent(2);
}

TEST(EventSinkTest, ReattachingReplacesTheControlObject) {
  C first;
  C second(false);
  CEventSink sink;
  sink.Attach(&first);
  sink.Attach(&second);
  EXPECT_EQ(sink.GetDispatch(), &second);
  EXPECT_EQ(sink.GetStatusUpdateDispid(), 0);
  sink.FireOutputCompleteEvent(5);
  EXPECT_TRUE(first.Callbacks().empty());
  EXPECT_EQ(second.Callbacks().size(), 1u);
}

TEST(EventSinkTest, ErrorAndDirectIOAreNeverInvoked) {
  C control;
  CEventSink sink;
  sink.Attach(&control);
  sink.FireDataEvent(0);
  sink.FireStatusUpdateEvent(0);
  sink.FireOutputCompleteEvent(0);
  for (const auto& call : control.Invokes()) {
    EXPECT_NE(call.dispid, C::kSOError);
    EXPECT_NE(call.dispid, C::kSODirectIO);
  }
}

// The path a status change takes: queue, worker, sink, control object.
struct Delivery {
  CEventSink* sink;
  static void Callback(void* context, const CDeviceEvent& record) {
    auto* self = static_cast<Delivery*>(context);
    if (record.kind == kEventStatusUpdate) {
      self->sink->FireStatusUpdateEvent(record.ReadStatusUpdateEvent());
    } else if (record.kind == kEventOutputComplete) {
      self->sink->FireOutputCompleteEvent(record.ReadOutputCompleteEvent());
    }
  }
};

TEST(EventSinkTest, QueuedEventsReachTheControlObjectFromTheWorker) {
  C control;
  CEventSink sink;
  sink.Attach(&control);
  Delivery delivery{&sink};
  CEventQueue queue;
  queue.SetCallback(&delivery, &Delivery::Callback);
  queue.SetAllowableEvents(kEventAllKinds);
  queue.SetEnabledEvents(28);
  queue.QueueEvent(CDeviceEvent::StatusUpdate(23));
  queue.QueueEvent(CDeviceEvent::OutputComplete(4));
  ASSERT_TRUE(control.WaitForInvokes(2));
  queue.Stop();
  auto callbacks = control.Callbacks();
  ASSERT_EQ(callbacks.size(), 2u);
  EXPECT_EQ(callbacks[0].name, u"SOStatusUpdate");
  EXPECT_EQ(callbacks[0].value, 23);
  EXPECT_EQ(callbacks[1].name, u"SOOutputComplete");
  EXPECT_NE(callbacks[0].thread, std::this_thread::get_id());
}

}  // namespace
