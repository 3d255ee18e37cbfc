#include "service_object/comm/socket_client.h"

#include <cerrno>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "service_object/comm/comm.h"
#include "service_object/comm/status_image.h"
#include "service_object/comm/system_error_code.h"
#include "service_object/comm/write_bound.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"

namespace {

const char kSource[] = "CSocketClient";
constexpr size_t kReadBufferSize = 1024;
// How long one connection attempt may take (specified milliseconds).
constexpr int64_t kConnectTimeoutMs = 5000;

void Trace(int level, const std::string& text) { TheLog().Log(level, kSource, text); }

std::string ThreadIdText() {
  std::ostringstream text;
  text << std::this_thread::get_id();
  return text.str();
}

// Errors of Connect that mean no socket could be had at all.
bool IsSocketCreationError(int rc) {
  return rc == EMFILE || rc == ENFILE || rc == ENOBUFS || rc == ENOMEM || rc == EAFNOSUPPORT;
}

}  // namespace

std::shared_ptr<CSocketClient> CSocketClient::Create(const std::string& address,
                                                     const std::string& port, CCommData& receiver) {
  std::shared_ptr<CSocketClient> client(new CSocketClient(address, port, receiver));
  try {
    client->m_thread =
        std::make_unique<qvplatform::Thread>("CSocketClient", [raw = client.get()] { raw->Run(); });
  } catch (const std::system_error& e) {
    client->m_run.store(false);
    throw CommError("Unable to start read thread (Code:" +
                    NumToString(SystemErrorCode(e.code().value())) + ").");
  }
  Trace(4, "<<< Socket()");
  return client;
}

CSocketClient::CSocketClient(const std::string& address, const std::string& port,
                             CCommData& receiver)
    : m_address(address), m_port(port), m_receiver(&receiver) {
  Trace(4, ">>> Socket()");
  Trace(5, "    | Address: " + address + " Port: " + port);
  Trace(5, "    | Socket initialized");
}

CSocketClient::~CSocketClient() {
  Trace(4, ">>> ~Socket()");
  Close();
  m_thread.reset();  // joins: the thread uses this object until it ends
  Trace(4, "<<< ~Socket()");
}

bool CSocketClient::HasEnded() const { return !m_thread || m_thread->HasEnded(); }

bool CSocketClient::WaitForEnd(int64_t timeout_ms) {
  return !m_thread || m_thread->Join(timeout_ms);
}

std::shared_ptr<qvplatform::TcpSocket> CSocketClient::CurrentSocket() {
  std::lock_guard<std::mutex> lock(m_socketMutex);
  return m_socket;
}

bool CSocketClient::SleepUnlessClosed(int64_t ms) { return m_stop.Wait(qvplatform::ScaledMs(ms)); }

std::shared_ptr<qvplatform::TcpSocket> CSocketClient::CreateConnection() {
  std::vector<sockaddr_in> addresses;
  if (qvplatform::ResolveTcp4(m_address, m_port, &addresses) != 0) {
    Trace(2, " Warning: CreateConnection: unable to initialize socket address info");
  }
  for (const sockaddr_in& address : addresses) {
    auto socket = std::make_shared<qvplatform::TcpSocket>();
    {
      // Close shuts down a connection being made, so it cannot outlive us.
      std::lock_guard<std::mutex> lock(m_socketMutex);
      if (!m_run.load()) return nullptr;
      m_connecting = socket;
    }
    int rc = socket->Connect(address, qvplatform::ScaledMs(kConnectTimeoutMs));
    {
      std::lock_guard<std::mutex> lock(m_socketMutex);
      m_connecting.reset();
      if (rc == 0) {
        if (!m_run.load()) return nullptr;  // closed meanwhile: drop it
        Trace(5, "    - Connected to the sever IP:" + qvplatform::DottedAddress(address) +
                     " Socket[" + NumToString(socket->handle()) + "]");
        m_socket = socket;
        return socket;
      }
    }
    if (IsSocketCreationError(rc)) {
      Trace(1, "Error: CreateConnection: unable to initialize socket");
      return nullptr;
    }
    if (rc == ECANCELED) return nullptr;
  }
  return nullptr;
}

void CSocketClient::DropSocket() {
  std::lock_guard<std::mutex> lock(m_socketMutex);
  m_socket.reset();
}

void CSocketClient::Run() {
  Trace(5, "    - About to start reconnection/reading thread");
  std::string image = NewStatusImage();
  std::vector<char> buffer(kReadBufferSize);
  bool closing = false;
  while (m_run.load() && !closing) {
    std::shared_ptr<qvplatform::TcpSocket> socket = CurrentSocket();
    if (!socket) {
      socket = CreateConnection();
      if (!socket) {
        if (!m_run.load()) break;
        Trace(1,
              "    - Sleep reconnection thread; waiting for Client Socket connection to start...");
        SleepUnlessClosed(1000);
        continue;
      }
    }
    m_connected.store(true);
    if (m_enabled.load() == 0) {
      SleepUnlessClosed(500);
      continue;
    }
    Trace(5, "    - About to write pending messages");
    while (m_run.load()) {
      size_t received = 0;
      int rc = socket->Recv(buffer.data(), buffer.size(), -1, &received);
      if ((rc == 0 && received == 0) || rc == ECONNRESET) {
        m_connected.store(false);
        Trace(2, "    - Socket Client lost connection; will need to reconnect");
        DropSocket();
        break;
      }
      if (rc != 0) {
        if (!m_run.load()) {
          Trace(5, "    - Socket Client closed connection");
          closing = true;
          break;
        }
        Trace(2, "Warning: Socket Client lost connection; will need to reconnect to server");
        DropSocket();
        break;
      }
      if (UpdateStatusImage(image, std::string_view(buffer.data(), received))) {
        m_receiver.Deliver(image);
      }
    }
  }
  Trace(5, "    - About to end reconnection thread");
}

bool CSocketClient::Write(const Cmd& command) {
  qvplatform::CriticalSectionLock lock(m_lock);
  Trace(4, ">>> Write");
  bool written = false;
  std::shared_ptr<qvplatform::TcpSocket> socket = CurrentSocket();
  if (!socket) {
    Trace(5, "    | Queue: ");
  } else if (m_enabled.load() != 0) {
    std::string_view bytes = CmdBytes(command);
    size_t sent = 0;
    int rc = socket->Send(bytes.data(), bytes.size(), WriteBoundMs(bytes.size(), 0), &sent);
    Trace(5, "    - Socket[" + NumToString(socket->handle()) +
                 "]Sent Cmd Thread ID=" + ThreadIdText());
    if (rc != 0) {
      Trace(1, "Error: Write: Error writing data (Code:" + NumToString(SystemErrorCode(rc)) + ").");
    }
    written = rc == 0 && sent == bytes.size();
  }
  Trace(4, "<<< Write");
  return written;
}

void CSocketClient::Close() {
  Trace(4, ">>> Close");
  if (m_run.load()) {
    Trace(5, "    | About to disable reconnection thread");
    m_run.store(false);
  }
  m_stop.Set();
  CloseClient();
  Trace(4, "<<< Close");
}

void CSocketClient::CloseClient() {
  Trace(4, ">>> CloseClient");
  Trace(5, "    | About to close connection to socket client");
  CloseSocket();
  Trace(4, "<<< CloseClient");
}

void CSocketClient::CloseSocket() {
  Trace(4, ">>> CloseSocket");
  std::shared_ptr<qvplatform::TcpSocket> socket;
  std::shared_ptr<qvplatform::TcpSocket> connecting;
  {
    std::lock_guard<std::mutex> lock(m_socketMutex);
    socket = std::move(m_socket);
    connecting = std::move(m_connecting);
  }
  if (connecting) connecting->Shutdown();
  if (socket && socket->IsValid()) {
    const int handle = socket->handle();
    // Shutting down wakes the thread's receive; the descriptor itself is
    // closed when the last user lets go of it.
    socket->Shutdown();
    Trace(5, "    | Connection closed with socket: " + NumToString(handle));
  }
  Trace(4, "<<< CloseSocket");
}
