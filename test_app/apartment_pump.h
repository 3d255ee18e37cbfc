// Pumps the GUI thread's apartment from Qt's event loop: a QSocketNotifier
// on the apartment's message-queue descriptor (qvplatform::MessageQueueFd)
// calls qvplatform::PumpMessages whenever a message or a due window timer
// is waiting. So the control objects' events and the service objects'
// window timers run on the GUI thread, between Qt's own events, and an idle
// program sleeps in the event loop instead of polling.
//
// Create on the GUI thread after CoInitialize (qvopos::Apartment); destroy
// before CoUninitialize. ok() is false when the thread has no queue
// descriptor; nothing is pumped then.
#ifndef QV_TEST_APP_APARTMENT_PUMP_H_
#define QV_TEST_APP_APARTMENT_PUMP_H_

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace qvtestapp {

class CApartmentPump : public QObject {
  Q_OBJECT

 public:
  explicit CApartmentPump(QObject* parent = nullptr);
  ~CApartmentPump() override;

  bool ok() const { return m_notifier != nullptr; }

 private:
  void Pump();

  std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_APARTMENT_PUMP_H_
