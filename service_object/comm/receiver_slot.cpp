#include "service_object/comm/receiver_slot.h"

#include <algorithm>

#include "service_object/comm/comm.h"

CReceiverSlot::CReceiverSlot(CCommData* receiver) {
  if (receiver != nullptr) m_receivers.push_back(receiver);
}

void CReceiverSlot::Attach(CCommData& receiver) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (std::find(m_receivers.begin(), m_receivers.end(), &receiver) == m_receivers.end()) {
    m_receivers.push_back(&receiver);
  }
}

bool CReceiverSlot::CallInProgressLocked(const CCommData& receiver) const {
  const std::thread::id self = std::this_thread::get_id();
  return std::any_of(m_calls.begin(), m_calls.end(), [&](const Call& call) {
    return call.receiver == &receiver && call.thread != self;
  });
}

void CReceiverSlot::Detach(const CCommData& receiver) {
  std::unique_lock<std::mutex> lock(m_mutex);
  std::erase(m_receivers, &receiver);
  m_callEnded.wait(lock, [&] { return !CallInProgressLocked(receiver); });
}

void CReceiverSlot::Deliver(const std::string& image) {
  CCommData* receiver;
  const std::thread::id self = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_receivers.empty()) return;
    receiver = m_receivers.front();
    m_calls.push_back(Call{receiver, self});
  }
  // Ends the call record even when the receiver throws.
  struct CallEnd {
    CReceiverSlot* slot;
    CCommData* receiver;
    std::thread::id thread;
    ~CallEnd() {
      {
        std::lock_guard<std::mutex> lock(slot->m_mutex);
        auto it = std::find_if(slot->m_calls.begin(), slot->m_calls.end(), [&](const Call& c) {
          return c.receiver == receiver && c.thread == thread;
        });
        if (it != slot->m_calls.end()) slot->m_calls.erase(it);
        slot->m_callEnded.notify_all();
      }
    }
  } end{this, receiver, self};
  receiver->ProcessCommData(image);
}

CCommData* CReceiverSlot::Active() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_receivers.empty() ? nullptr : m_receivers.front();
}
