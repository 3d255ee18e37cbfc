#include "config_tool/device_change_monitor.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>

namespace qvconfig {

CDeviceChangeMonitor::CDeviceChangeMonitor(QObject* parent) : QObject(parent) {}

void CUdevDeviceMonitor::UdevDeleter::operator()(udev* handle) const { udev_unref(handle); }

void CUdevDeviceMonitor::UdevDeleter::operator()(udev_monitor* handle) const {
  udev_monitor_unref(handle);
}

CUdevDeviceMonitor::CUdevDeviceMonitor(QObject* parent) : CDeviceChangeMonitor(parent) {
  m_udev.reset(udev_new());
  if (!m_udev) return;
  m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
  if (!m_monitor) return;
  // USB devices as a whole, and the printer nodes (/dev/usb/lpN) the usblp
  // driver makes for them, which appear a moment after their device.
  if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "usb", "usb_device") < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "usbmisc", nullptr) < 0 ||
      udev_monitor_enable_receiving(m_monitor.get()) < 0) {
    m_monitor.reset();
    return;
  }
  const int fd = udev_monitor_get_fd(m_monitor.get());
  if (fd < 0) {
    m_monitor.reset();
    return;
  }
  m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &CUdevDeviceMonitor::OnReadable);
}

CUdevDeviceMonitor::~CUdevDeviceMonitor() {
  // The notifier must stop watching before the monitor closes its socket.
  delete m_notifier;
  m_notifier = nullptr;
}

void CUdevDeviceMonitor::OnReadable() {
  udev_device* device = udev_monitor_receive_device(m_monitor.get());
  if (device == nullptr) return;
  const char* action = udev_device_get_action(device);
  uint32_t event = 0;
  if (action != nullptr && std::strcmp(action, "add") == 0) event = kDeviceArrival;
  if (action != nullptr && std::strcmp(action, "remove") == 0) event = kDeviceRemoveComplete;
  udev_device_unref(device);
  if (event != 0) Notify(event);
}

}  // namespace qvconfig
