#include "config_tool/usb_port_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "config_tool/device_change_monitor.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/pending_ports.h"

namespace qvconfig {

CUsbPortDlg::CUsbPortDlg(QWidget* parent, std::unique_ptr<CDeviceChangeMonitor> monitor)
    : QDialog(parent), m_monitor(std::move(monitor)) {
  setWindowTitle(QStringLiteral("USB"));
  m_port = new QComboBox;
  auto* form = new QFormLayout;
  AddLabelledRow(form, QStringLiteral("USB Port:"), m_port);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  m_ok = AddOkCancel(this, layout, &CUsbPortDlg::OnOK)->button(QDialogButtonBox::Ok);

  if (!m_monitor) m_monitor = std::make_unique<CUdevDeviceMonitor>();
  connect(m_monitor.get(), &CDeviceChangeMonitor::deviceChange, this, &CUsbPortDlg::OnDeviceChange);
  RebuildDeviceList();
}

CUsbPortDlg::~CUsbPortDlg() = default;

void CUsbPortDlg::OnDeviceChange(uint32_t event) {
  if (event == CDeviceChangeMonitor::kDeviceArrival ||
      event == CDeviceChangeMonitor::kDeviceRemoveComplete) {
    RebuildDeviceList();
  }
}

void CUsbPortDlg::RebuildDeviceList() {
  m_port->clear();
  m_records = qvtoolreg::UsbPrinterChoices();
  for (const qvtoolreg::UsbPrinterChoice& record : m_records) {
    m_port->addItem(ToQString(record.shortName));
  }
  m_port->setCurrentIndex(m_records.empty() ? -1 : 0);
  m_ok->setEnabled(!m_records.empty());
}

void CUsbPortDlg::OnOK() {
  if (m_port->currentIndex() < 0) return;
  const std::u16string selected = m_port->currentText().toStdU16String();
  PendingUsbPort& pending = PendingPorts().usb;
  for (const qvtoolreg::UsbPrinterChoice& record : m_records) {
    if (record.shortName == selected) pending = {true, record.shortName, record.devicePath};
  }
  accept();
}

}  // namespace qvconfig
