// CEventQueue: a device's queue of OPOS events and the worker thread that
// delivers them, one at a time, to the device's callback.
//
// Two masks of kinds steer it: the allowable kinds decide what may be queued,
// the enabled kinds what may be delivered now. The worker takes the oldest
// record whose kind is enabled; records of other kinds keep their places
// until their kind is enabled or they are purged. When a data record is
// queued while auto-disable is on, the worker first hands the callback a
// record of kind kEventAutoDisable.
//
// Threads: producers (channel read threads, the object's thread) call
// QueueEvent; the object's thread changes masks. The callback runs on the
// worker thread, never under the queue's lock, so it may queue records or
// change masks itself; an exception it throws is dropped with its record
// and the worker carries on. Producers never wait for delivery.
//
// Errors (OposQueueError): "Invalid event type passed to SetAllowableEvents."
// and "Invalid event type passed to SetEnabledEvents." for a mask outside 0
// to 31 (the stored mask is unchanged); "Unable to queue the specified event
// type." for a record whose kind is not allowable (or not a single kind);
// "Invalid Event Type." from GetEventCount for a kind other than 1, 2, 4, 8,
// 16.
//
// Lifetime: the worker starts in the constructor. Stop() (also run by the
// destructor) ends it and waits for it without limit; queued records are
// then freed undelivered. A device class whose callback reaches its own
// members calls Stop() first thing in its destructor, so that no record is
// delivered into a half-destroyed object. Stop() must not be called from
// the callback.
#ifndef QV_SERVICE_OBJECT_CORE_EVENT_QUEUE_H_
#define QV_SERVICE_OBJECT_CORE_EVENT_QUEUE_H_

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/sync/critical_section.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/core/device_event.h"

using EventCallback = void (*)(void* context, const CDeviceEvent& record);

class CEventQueue {
 public:
  CEventQueue();
  ~CEventQueue();
  CEventQueue(const CEventQueue&) = delete;
  CEventQueue& operator=(const CEventQueue&) = delete;

  void SetAllowableEvents(int32_t mask);
  int32_t GetAllowableEvents() const;
  void SetEnabledEvents(int32_t mask);
  int32_t GetEnabledEvents() const;
  // Adds `add` to and then removes `remove` from the enabled kinds in one
  // step under the lock (waking the worker when the mask changed).
  void ChangeEnabledEvents(int32_t add, int32_t remove);

  void QueueEvent(const CDeviceEvent& record);
  void PurgeEvents(int32_t kind);
  void ClearEvents();
  int32_t GetEventCount(int32_t kind) const;

  void SetAutoDisable(bool autoDisable);
  void SetCallback(void* context, EventCallback callback);

  void Stop();

 private:
  static int CountIndex(int32_t kind);  // 0 to 4 for a single kind, else -1
  void StoreEnabledLocked(int32_t mask);
  void Work();

  int32_t m_counts[5] = {0, 0, 0, 0, 0};
  std::deque<CDeviceEvent> m_records;
  std::atomic<int32_t> m_allowableEvents{0};
  int32_t m_enabledEvents = 0;
  qvplatform::Event m_stopEvent{qvplatform::Event::Kind::kManualReset};
  qvplatform::Event m_wakeEvent{qvplatform::Event::Kind::kManualReset};
  std::unique_ptr<qvplatform::Thread> m_worker;
  mutable qvplatform::CriticalSection m_lock;
  void* m_callbackContext = nullptr;
  EventCallback m_callback = nullptr;
  std::atomic<bool> m_autoDisable{false};
  bool m_pendingDisable = false;
};

#endif  // QV_SERVICE_OBJECT_CORE_EVENT_QUEUE_H_
