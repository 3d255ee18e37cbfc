// QVCOposPrinter: status polling (timer 10) and the status images the report
// channel delivers.
#include <string>

#include "service_object/comm/comm_arbiter.h"
#include "service_object/comm/status_image.h"
#include "service_object/core/device_event.h"
#include "service_object/core/errors.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/printer_constants.h"

namespace {

constexpr int32_t kCoverOpenBit = 0x04;  // offline-cause byte
constexpr int32_t kPaperEndBits = 0x60;  // paper-sensor byte

}  // namespace

void QVCOposPrinter::OnStatusTimer() {
  const uint32_t flags = m_flags.load();
  if ((flags & kFlagDeviceEnabled) == 0 || (flags & kFlagClaimed) == 0) return;
  EscCmd request;
  switch (StatusPollCounter.load()) {
    case 0:
      request.RequestPrinterStatus();
      StatusByteIndex = 0;
      break;
    case 1:
      request.RequestOfflineStatus();
      StatusByteIndex = 1;
      break;
    case 2:
      request.RequestErrorStatus();
      StatusByteIndex = 2;
      break;
    case 3:
      request.RequestPaperStatus();
      StatusByteIndex = 3;
      break;
    default:
      StatusPollCounter = 0;
      request.RequestPrinterStatus();
      StatusByteIndex = 0;
      break;
  }
  WriteCmd(request);
  request.Clear();
  ++StatusPollCounter;
}

void QVCOposPrinter::ProcessCommData(const std::string& data) {
  if (data.size() < 4) return;
  auto signExtended = [&](size_t i) {
    return static_cast<int32_t>(static_cast<signed char>(data[i]));
  };
  auto queueStatus = [&](int32_t value) {
    CDeviceEvent event;
    event.kind = kEventStatusUpdate;
    event.number1 = value;
    m_eventQueue.QueueEvent(event);
  };
  try {
    const int32_t new1 = signExtended(1);
    const int32_t old1 = m_lastStatus[1].load();
    if (new1 != old1) {
      if (((old1 & kCoverOpenBit) != 0 || old1 == 0) && (new1 & kCoverOpenBit) == 0) {
        m_coverOpen = 0;
        queueStatus(PTR_SUE_COVER_OK);
      }
      if ((old1 & kCoverOpenBit) == 0 && (new1 & kCoverOpenBit) != 0) {
        m_coverOpen = 1;
        queueStatus(PTR_SUE_COVER_OPEN);
      }
    }
    const int32_t new3 = signExtended(3);
    const int32_t old3 = m_lastStatus[3].load();
    if (new3 != old3) {
      if ((old3 & kPaperEndBits) == 0 && (new3 & kPaperEndBits) != 0) {
        m_recNearEnd = 0;
        m_recEmpty = 1;
        queueStatus(PTR_SUE_REC_EMPTY);
      }
      if (((old3 & kPaperEndBits) != 0 || old3 == 0) && (new3 & kPaperEndBits) == 0) {
        m_recNearEnd = 0;
        m_recEmpty = 0;
        queueStatus(PTR_SUE_REC_PAPEROK);
      }
    }
  } catch (const OposEventError& e) {
    Trace(1, std::string("ProcessCommData: E ") + e.what());
  } catch (const OposQueueError& e) {
    Trace(1, std::string("ProcessCommData: qErr ") + e.what());
  }
  for (size_t i = 0; i < 4; ++i) m_lastStatus[i] = signExtended(i);
  TheCommArbiter().SetLastStatus(data);
  Trace(5, "    | ProcessCommData: " + NumToString(m_lastStatus[0].load()) + " " +
               NumToString(m_lastStatus[1].load()) + " " + NumToString(m_lastStatus[2].load()) +
               " " + NumToString(m_lastStatus[3].load()));
}
