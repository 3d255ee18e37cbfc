#include "service_object/core/event_queue.h"

#include <exception>

#include "service_object/core/errors.h"

CEventQueue::CEventQueue() {
  ClearEvents();
  m_worker = std::make_unique<qvplatform::Thread>("qv-events", [this] { Work(); });
}

CEventQueue::~CEventQueue() { Stop(); }

void CEventQueue::Stop() {
  m_stopEvent.Set();
  m_worker.reset();  // joins without limit
}

int CEventQueue::CountIndex(int32_t kind) {
  switch (kind) {
    case kEventData: return 0;
    case kEventDirectIO: return 1;
    case kEventError: return 2;
    case kEventOutputComplete: return 3;
    case kEventStatusUpdate: return 4;
    default: return -1;
  }
}

void CEventQueue::SetAllowableEvents(int32_t mask) {
  if (mask < 0 || mask > kEventAllKinds) {
    throw OposQueueError("Invalid event type passed to SetAllowableEvents.");
  }
  m_allowableEvents = mask;
}

int32_t CEventQueue::GetAllowableEvents() const { return m_allowableEvents; }

void CEventQueue::StoreEnabledLocked(int32_t mask) {
  if (mask != m_enabledEvents) {
    m_enabledEvents = mask;
    m_wakeEvent.Set();
  }
}

void CEventQueue::SetEnabledEvents(int32_t mask) {
  if (mask < 0 || mask > kEventAllKinds) {
    throw OposQueueError("Invalid event type passed to SetEnabledEvents.");
  }
  qvplatform::CriticalSectionLock lock(m_lock);
  StoreEnabledLocked(mask);
}

int32_t CEventQueue::GetEnabledEvents() const {
  qvplatform::CriticalSectionLock lock(m_lock);
  return m_enabledEvents;
}

void CEventQueue::ChangeEnabledEvents(int32_t add, int32_t remove) {
  qvplatform::CriticalSectionLock lock(m_lock);
  StoreEnabledLocked(((m_enabledEvents | add) & ~remove) & kEventAllKinds);
}

void CEventQueue::QueueEvent(const CDeviceEvent& record) {
  int index = CountIndex(record.kind);
  if (index < 0 || (m_allowableEvents.load() & record.kind) == 0) {
    throw OposQueueError("Unable to queue the specified event type.");
  }
  qvplatform::CriticalSectionLock lock(m_lock);
  if (record.kind == kEventData && m_autoDisable) m_pendingDisable = true;
  m_records.push_back(record);
  ++m_counts[index];
  m_wakeEvent.Set();
}

void CEventQueue::PurgeEvents(int32_t kind) {
  qvplatform::CriticalSectionLock lock(m_lock);
  for (auto it = m_records.begin(); it != m_records.end();) {
    if (it->kind == kind) {
      it = m_records.erase(it);
      int index = CountIndex(kind);
      if (index >= 0) --m_counts[index];
    } else {
      ++it;
    }
  }
}

void CEventQueue::ClearEvents() {
  qvplatform::CriticalSectionLock lock(m_lock);
  m_records.clear();
  for (int32_t& count : m_counts) count = 0;
}

int32_t CEventQueue::GetEventCount(int32_t kind) const {
  int index = CountIndex(kind);
  if (index < 0) throw OposQueueError("Invalid Event Type.");
  qvplatform::CriticalSectionLock lock(m_lock);
  return m_counts[index];
}

void CEventQueue::SetAutoDisable(bool autoDisable) { m_autoDisable = autoDisable; }

void CEventQueue::SetCallback(void* context, EventCallback callback) {
  qvplatform::CriticalSectionLock lock(m_lock);
  m_callbackContext = context;
  m_callback = callback;
}

void CEventQueue::Work() {
  for (;;) {
    // The stop event is listed first, so it wins when both are set.
    if (qvplatform::WaitForAny({&m_stopEvent, &m_wakeEvent}, -1) == 0) return;

    EventCallback callback;
    void* context;
    bool disable;
    {
      qvplatform::CriticalSectionLock lock(m_lock);
      disable = m_pendingDisable;
      m_pendingDisable = false;
      callback = m_callback;
      context = m_callbackContext;
    }
    if (disable && callback != nullptr) {
      CDeviceEvent autoDisable;
      autoDisable.kind = kEventAutoDisable;
      try {
        callback(context, autoDisable);
      } catch (const std::exception&) {
        // The device's handlers trace their own failures; the worker goes on.
      }
    }

    CDeviceEvent record;
    bool found = false;
    {
      qvplatform::CriticalSectionLock lock(m_lock);
      for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if ((it->kind & m_enabledEvents) != 0) {
          record = std::move(*it);
          m_records.erase(it);
          --m_counts[CountIndex(record.kind)];
          found = true;
          break;
        }
      }
      // Reset under the lock: a record queued or a mask changed afterwards
      // sets the event again and is never missed.
      if (!found) m_wakeEvent.Reset();
      callback = m_callback;
      context = m_callbackContext;
    }
    if (found && callback != nullptr) {
      try {
        callback(context, record);
      } catch (const std::exception&) {
        // As above: the record is lost, the queue carries on.
      }
    }
  }
}
