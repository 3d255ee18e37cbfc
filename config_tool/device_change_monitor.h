// Device-change notifications for the USB dialog, the counterpart of the
// WM_DEVICECHANGE messages a Windows dialog receives: deviceChange(event)
// with kDeviceArrival when a device appeared and kDeviceRemoveComplete when
// one is gone.
//
// CDeviceChangeMonitor itself only delivers what Notify() is given, which is
// how tests drive a dialog. CUdevDeviceMonitor watches the kernel's device
// events through a libudev monitor (USB devices and usblp printer nodes),
// read by a QSocketNotifier on the GUI thread's event loop: nothing polls.
// Without udev (no netlink socket) it stays silent.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_DEVICE_CHANGE_MONITOR_H_
#define QV_CONFIG_TOOL_DEVICE_CHANGE_MONITOR_H_

#include <QObject>
#include <cstdint>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace qvconfig {

class CDeviceChangeMonitor : public QObject {
  Q_OBJECT

 public:
  static constexpr uint32_t kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
  static constexpr uint32_t kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
  static constexpr uint32_t kDevNodesChanged = 0x0007;       // DBT_DEVNODES_CHANGED

  explicit CDeviceChangeMonitor(QObject* parent = nullptr);

  void Notify(uint32_t event) { emit deviceChange(event); }

 signals:
  void deviceChange(uint32_t event);
};

class CUdevDeviceMonitor : public CDeviceChangeMonitor {
  Q_OBJECT

 public:
  explicit CUdevDeviceMonitor(QObject* parent = nullptr);
  ~CUdevDeviceMonitor() override;

  // True when kernel events are being watched.
  bool IsWatching() const { return m_notifier != nullptr; }

 private:
  void OnReadable();

  struct UdevDeleter {
    void operator()(udev* handle) const;
    void operator()(udev_monitor* handle) const;
  };

  std::unique_ptr<udev, UdevDeleter> m_udev;
  std::unique_ptr<udev_monitor, UdevDeleter> m_monitor;
  QSocketNotifier* m_notifier = nullptr;  // owned as a child
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_DEVICE_CHANGE_MONITOR_H_
