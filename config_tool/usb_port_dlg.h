// CUsbPortDlg, caption "USB": chooses the USB printer for the next printer
// Save.
//
// The list shows the short name ("vid_0fe6&pid_811e") of every present USB
// printer of a supported vendor and product, first one selected, and is
// rebuilt from scratch on opening and on every device arrival or removal
// reported by the dialog's device-change monitor. OK is disabled while no
// such printer is present; OK without a selection keeps the dialog open;
// otherwise every listed printer with the selected short name is copied into
// the pending USB port (the last one wins) and the dialog ends.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_USB_PORT_DLG_H_
#define QV_CONFIG_TOOL_USB_PORT_DLG_H_

#include <QDialog>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/toolreg/port_choices.h"
#include "config_tool/device_change_monitor.h"

class QComboBox;
class QPushButton;

namespace qvconfig {

class CUsbPortDlg : public QDialog {
  Q_OBJECT

 public:
  // Without a monitor the dialog watches the system's device events.
  explicit CUsbPortDlg(QWidget* parent = nullptr,
                       std::unique_ptr<CDeviceChangeMonitor> monitor = nullptr);
  ~CUsbPortDlg() override;

 private:
  void OnDeviceChange(uint32_t event);
  void RebuildDeviceList();
  void OnOK();

  QComboBox* m_port;
  QPushButton* m_ok;
  std::vector<qvtoolreg::UsbPrinterChoice> m_records;
  std::unique_ptr<CDeviceChangeMonitor> m_monitor;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_USB_PORT_DLG_H_
