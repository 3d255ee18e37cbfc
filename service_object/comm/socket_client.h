// CSocketClient: the network channel, a TCP client to the printer (IPv4).
//
// One thread of its own connects, reconnects once a second after a failure
// or a loss, waits while traffic is disabled (polling the enabled flag every
// 500 ms and keeping the connection), and reads status answers, handing each
// new status image to the receiver on that thread.
//
// Write runs on the caller's thread under the client's lock; it sends only
// while connected and enabled, bounded by WriteBoundMs, and answers whether
// every byte went out. Close (any thread) stops the thread and closes the
// connection, a connection being made just then included; it does not wait.
// The destructor closes and joins the thread, so an owner that must not
// block keeps the object until HasEnded() (the arbiter does).
//
// The connect and read thread takes only a small lock around the socket
// pointer, never the write lock. A lost socket is released by the thread and
// closed when no write still uses it.
#ifndef QV_SERVICE_OBJECT_COMM_SOCKET_CLIENT_H_
#define QV_SERVICE_OBJECT_COMM_SOCKET_CLIENT_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/net/tcp_socket.h"
#include "platform/sync/critical_section.h"
#include "platform/sync/event.h"
#include "platform/sync/thread.h"
#include "service_object/comm/receiver_slot.h"

class CCommData;
class Cmd;

class CSocketClient {
 public:
  // Starts the thread. Raises CommError when it cannot be started.
  static std::shared_ptr<CSocketClient> Create(const std::string& address, const std::string& port,
                                               CCommData& receiver);
  ~CSocketClient();
  CSocketClient(const CSocketClient&) = delete;
  CSocketClient& operator=(const CSocketClient&) = delete;

  bool Write(const Cmd& command);
  void Close();

  // A device that shares the client; it receives once the receivers before
  // it have detached.
  void AttachReceiver(CCommData& receiver) { m_receiver.Attach(receiver); }
  // After this returns the client's thread never calls `receiver` again.
  void DetachReceiver(const CCommData& receiver) { m_receiver.Detach(receiver); }
  CCommData* ActiveReceiver() { return m_receiver.Active(); }

  bool IsConnected() const { return m_connected.load(); }
  void SetCommEnabled(int32_t enabled) { m_enabled.store(enabled); }
  int32_t CommEnabled() const { return m_enabled.load(); }

  // The thread has ended (after Close).
  bool HasEnded() const;
  // Waits up to `timeout_ms` real milliseconds for the thread's end.
  bool WaitForEnd(int64_t timeout_ms);

 private:
  CSocketClient(const std::string& address, const std::string& port, CCommData& receiver);

  void Run();
  std::shared_ptr<qvplatform::TcpSocket> CreateConnection();
  // Releases the connection the thread lost (closed once no write uses it).
  void DropSocket();
  void CloseClient();
  void CloseSocket();
  // Waits for the period (specified milliseconds) or for Close.
  bool SleepUnlessClosed(int64_t ms);
  std::shared_ptr<qvplatform::TcpSocket> CurrentSocket();

  const std::string m_address;
  const std::string m_port;
  CReceiverSlot m_receiver;

  std::atomic<bool> m_connected{false};
  std::atomic<bool> m_run{true};
  std::atomic<int32_t> m_enabled{0};

  qvplatform::CriticalSection m_lock;                   // serialises writes
  std::mutex m_socketMutex;                             // guards the two pointers below
  std::shared_ptr<qvplatform::TcpSocket> m_socket;      // connected socket
  std::shared_ptr<qvplatform::TcpSocket> m_connecting;  // being connected

  qvplatform::Event m_stop{qvplatform::Event::Kind::kManualReset};
  std::unique_ptr<qvplatform::Thread> m_thread;
};

#endif  // QV_SERVICE_OBJECT_COMM_SOCKET_CLIENT_H_
