// CCashDrawer: the drawer pulse, the status poll and replay timers, and the
// decoding of status images into drawer events.
#include <mutex>
#include <string>

#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/status_image.h"
#include "service_object/core/claim.h"
#include "service_object/core/device_event.h"
#include "service_object/core/errors.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/drawer/cash_drawer.h"
#include "service_object/drawer/cash_drawer_constants.h"
#include "service_object/printer/esc_cmd.h"

namespace {

// Printer status byte: drawer kick-out connector pin 3 (set: drawer closed).
constexpr int32_t kDrawerClosedBit = 0x04;

// ESC p connector selection: "1" for pin 5, "0" for pin 2.
constexpr LONG kPin5 = 0x31;
constexpr LONG kPin2 = 0x30;

}  // namespace

HRESULT CCashDrawer::OpenDrawer() {
  Guarded("OpenDrawer", nullptr, [&] {
    TraceEnter("OpenDrawer");
    m_resultCode = OPOS_E_ILLEGAL;
    if ((m_flags.load() & kFlagDeviceEnabled) == 0) {
      m_resultCode = OPOS_E_DISABLED;
      return;
    }
    const LONG pin = m_connectPin == 5 ? kPin5 : kPin2;
    m_cmd->KickDrawer(pin, m_pulseOnTime & 0xFF, m_pulseOffTime & 0xFF);
    const bool written = WriteCmdByInterface(TheCommArbiter(), m_ioTypeIndex, *m_cmd);
    m_cmd->Clear();
    // A pulse that did not reach the printer opened nothing.
    m_resultCode = written ? OPOS_SUCCESS : OPOS_E_FAILURE;
    TraceLeave("OpenDrawer");
  });
  return S_OK;
}

void CCashDrawer::OnReadTimeout(UINT_PTR timerId) {
  Trace(4, ">>> OnReadTimeout");
  if (timerId == kStatusPollTimerId) {
    const uint32_t flags = m_flags.load();
    // The drawer asks for the status itself only while no printer of the
    // process is claimed (the printer polls otherwise).
    if ((flags & kFlagDeviceEnabled) != 0 && (flags & kFlagClaimed) != 0 &&
        ClaimedDeviceCount.load() == 1) {
      StatusByteIndex = 0;
      EscCmd request;
      request.RequestPrinterStatus();
      WriteCmdByInterface(TheCommArbiter(), m_ioTypeIndex, request);
    }
  } else if (timerId == kStatusReplayTimerId) {
    // Follows the drawer sensor through the image the channel's receiver
    // stored last; read under the status lock so that an image the drawer's
    // own read thread is decoding is never replayed out of order.
    std::lock_guard<std::mutex> lock(m_statusLock);
    ProcessStatusLocked(TheCommArbiter().GetLastStatus());
  }
  Trace(4, "<<< OnReadTimeout");
}

void CCashDrawer::ProcessCommData(const std::string& data) {
  std::lock_guard<std::mutex> lock(m_statusLock);
  ProcessStatusLocked(data);
}

void CCashDrawer::ProcessStatusLocked(const std::string& data) {
  if (data.size() < kStatusImageSize) return;
  Trace(5, "    | ProcessCommData: " + ControlCharText(std::string_view(data).substr(0, 4)));
  auto signExtended = [&](size_t i) {
    return static_cast<int32_t>(static_cast<signed char>(data[i]));
  };
  try {
    const int32_t newStatus = signExtended(0);
    const int32_t oldStatus = m_lastStatus[0].load();
    if (newStatus != oldStatus) {
      if (((oldStatus & kDrawerClosedBit) != 0 || oldStatus == 0) &&
          (newStatus & kDrawerClosedBit) == 0) {
        // The property changes before the event is queued, so that an
        // application reading it in its event handler sees the new state.
        m_drawerOpened = 1;
        m_eventQueue.QueueEvent(CDeviceEvent::StatusUpdate(CASH_SUE_DRAWEROPEN));
      }
      if ((oldStatus & kDrawerClosedBit) == 0 && (newStatus & kDrawerClosedBit) != 0) {
        m_drawerOpened = 0;
        m_eventQueue.QueueEvent(CDeviceEvent::StatusUpdate(CASH_SUE_DRAWERCLOSED));
      }
    }
  } catch (const OposEventError& e) {
    Trace(1, std::string("ProcessCommData: E ") + e.what());
  } catch (const OposQueueError& e) {
    Trace(1, std::string("ProcessCommData: qErr ") + e.what());
  }
  for (size_t i = 0; i < 4; ++i) m_lastStatus[i] = signExtended(i);
  TheCommArbiter().SetLastStatus(data.substr(0, 4));
}
