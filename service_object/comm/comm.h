// The port channel and the devices' receive interface.
//
// CComm is one open connection to the printer (serial, USB or parallel); the
// channel arbiter owns every channel and is the only caller of its methods.
// CCommData is implemented by the printer and the cash drawer: a channel's
// read thread hands it each new 4-byte status image (see status_image.h).
//
// Writes report whether the bytes reached the printer: true only when the
// port is open, traffic is enabled and every byte was accepted by the port
// within the write bound (write_bound.h). A channel never modifies or frees
// the command object it is given.
#ifndef QV_SERVICE_OBJECT_COMM_COMM_H_
#define QV_SERVICE_OBJECT_COMM_COMM_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "service_object/comm/receiver_slot.h"

class Cmd;

// Receiver of status images. ProcessCommData runs on a channel's read thread
// (or on the caller's thread when the drawer replays the last status), so
// implementations must be safe against their own methods on other threads.
// It must not wait for the device's own thread: that thread may be waiting
// in DetachReceiver for the call to end (receiver_slot.h).
class CCommData {
 public:
  virtual ~CCommData() = default;
  // `data` is the 4-byte status image.
  virtual void ProcessCommData(const std::string& data) = 0;
};

class CComm {
 public:
  // `receiver` (may be null) gets the channel's status images.
  explicit CComm(CCommData* receiver = nullptr) : m_receiverSlot(receiver) {}
  // Derived destructors stop the read thread and close the port.
  virtual ~CComm() = default;
  CComm(const CComm&) = delete;
  CComm& operator=(const CComm&) = delete;

  // Writes the bytes of `data`. The base writes nothing and answers false.
  virtual bool WriteString(const std::string& data);
  // Writes the command object's valid bytes. The base writes nothing and
  // answers false.
  virtual bool WriteCmd(const Cmd& command);
  // Reserved; no channel gives it an effect.
  virtual void WriteReserved(const std::string& data);
  // Stores the communication-enabled flag (which channels consult it is
  // stated in each channel's header).
  virtual void EnableComm(int32_t enabled);
  // True when the port handle is valid.
  virtual bool IsOpen() const;
  // No channel of this system reconnects: always false.
  virtual bool IsReconnecting() const;

  int32_t CommEnabled() const { return m_commEnabled.load(); }

  // A device that shares the channel; it receives once the receivers
  // before it have detached.
  void AttachReceiver(CCommData& receiver) { m_receiverSlot.Attach(receiver); }
  // After this returns the channel never calls `receiver` again.
  void DetachReceiver(const CCommData& receiver) { m_receiverSlot.Detach(receiver); }
  CCommData* ActiveReceiver() { return m_receiverSlot.Active(); }

 protected:
  std::atomic<int32_t> m_commEnabled{0};
  // The read thread hands status images to it.
  CReceiverSlot m_receiverSlot;
};

// The valid bytes of a command object (its buffer up to its length).
std::string_view CmdBytes(const Cmd& command);

#endif  // QV_SERVICE_OBJECT_COMM_COMM_H_
