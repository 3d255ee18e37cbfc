// CReceiverSlot: the devices a channel hands its status images to, and the
// barrier that keeps a channel's read thread away from a device that left.
//
// The first attached receiver is the active one; devices that attach later
// (they share the channel) wait behind it and take over, in order, when the
// active one detaches. Deliver calls only the active receiver.
//
// Threads: Deliver runs on the channel's read thread, Attach and Detach on
// the devices' threads. No lock is held while a receiver is called. Detach
// returns only after every call into that receiver that was in progress has
// finished (a call on the detaching thread itself excepted), so after it
// returns the receiver is never called again and may be destroyed.
// ProcessCommData must therefore never wait for the thread that detaches it
// (no SendMessage to the device's window); the devices' ProcessCommData only
// queue events and store the status.
#ifndef QV_SERVICE_OBJECT_COMM_RECEIVER_SLOT_H_
#define QV_SERVICE_OBJECT_COMM_RECEIVER_SLOT_H_

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CCommData;

class CReceiverSlot {
 public:
  // `receiver` (may be null) becomes the active receiver.
  explicit CReceiverSlot(CCommData* receiver = nullptr);
  CReceiverSlot(const CReceiverSlot&) = delete;
  CReceiverSlot& operator=(const CReceiverSlot&) = delete;

  // Adds `receiver` behind the attached ones (no effect when attached).
  void Attach(CCommData& receiver);
  // Removes `receiver` and waits until no call into it is in progress.
  void Detach(const CCommData& receiver);
  // Hands `image` to the active receiver, if any.
  void Deliver(const std::string& image);

  // The receiver Deliver calls now (null when none); for tests.
  CCommData* Active();

 private:
  struct Call {
    const CCommData* receiver;
    std::thread::id thread;
  };
  bool CallInProgressLocked(const CCommData& receiver) const;

  std::mutex m_mutex;
  std::condition_variable m_callEnded;
  std::vector<CCommData*> m_receivers;  // front is active
  std::vector<Call> m_calls;            // calls in progress
};

#endif  // QV_SERVICE_OBJECT_COMM_RECEIVER_SLOT_H_
