#include "test_app/apartment_pump.h"

#include <QSocketNotifier>

#include "platform/apartment/message_queue.h"

namespace qvtestapp {

CApartmentPump::CApartmentPump(QObject* parent) : QObject(parent) {
  const int fd = qvplatform::MessageQueueFd();
  if (fd < 0) return;
  m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, &CApartmentPump::Pump);
  // Messages queued before the notifier existed are handled at once.
  qvplatform::PumpMessages();
}

CApartmentPump::~CApartmentPump() = default;

void CApartmentPump::Pump() { qvplatform::PumpMessages(); }

}  // namespace qvtestapp
