#include "config_tool/printer_dlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/gui/accessibility.h"
#include "common/reg_names.h"
#include "common/toolreg/device_save.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/ethernett_dlg.h"
#include "config_tool/ldn_group.h"
#include "config_tool/log_dlg.h"
#include "config_tool/lpt_port_dlg.h"
#include "config_tool/pending_ports.h"
#include "config_tool/printer_summary.h"
#include "config_tool/serial_dlg.h"
#include "config_tool/tool_messages.h"
#include "config_tool/usb_port_dlg.h"

namespace qvconfig {
namespace {

constexpr char16_t kDefaultAddress[] = u"127.0.0.1";

}  // namespace

CPrinterDlg::CPrinterDlg(QWidget* parent) : QWidget(parent) {
  // Created in layout order, which is the tab order.
  m_devices = new CLdnGroup(qvreg::kClassPrinterW);
  m_interfaceType = new QComboBox;
  m_summary = new QPlainTextEdit;
  m_summary->setReadOnly(true);
  qvgui::DescribeControl(m_summary, QStringLiteral("Summary"));
  m_save = new QPushButton(QStringLiteral("Save"));
  m_portConfigure = new QPushButton(QStringLiteral("Port Configure"));
  m_logConfigure = new QPushButton(QStringLiteral("Log Configure"));

  auto* settings = new QGroupBox(QStringLiteral("Device Settings"));
  auto* settingsLayout = new QVBoxLayout(settings);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(NewBuddyLabel(QStringLiteral("Interface Type:"), m_interfaceType));
  typeRow->addWidget(m_interfaceType, 1);
  settingsLayout->addLayout(typeRow);
  settingsLayout->addWidget(m_summary, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_save);
  buttons->addWidget(m_portConfigure);
  buttons->addWidget(m_logConfigure);
  buttons->addStretch(1);
  settingsLayout->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_devices);
  layout->addWidget(settings, 1);

  connect(m_devices, &CLdnGroup::ldnChosen, this, &CPrinterDlg::OnDeviceChosen);
  connect(m_interfaceType, &QComboBox::activated, this, &CPrinterDlg::OnInterfaceChosen);
  connect(m_save, &QPushButton::clicked, this, &CPrinterDlg::OnSave);
  connect(m_portConfigure, &QPushButton::clicked, this, &CPrinterDlg::OnPortConfigure);
  connect(m_logConfigure, &QPushButton::clicked, this, &CPrinterDlg::OnLogConfigure);

  FillSortedList(m_interfaceType, {qvtoolreg::kIoTypeENet, qvtoolreg::kIoTypeUsb,
                                   qvtoolreg::kIoTypeLpt, qvtoolreg::kIoTypeCom});
}

void CPrinterDlg::OnDeviceChosen() {
  const std::u16string ioType =
      COposToolRegKey(qvreg::kClassPrinterW, m_devices->SelectedLdn()).GetString(qvreg::kIOTypeW);
  if (ioType.empty()) {
    m_interfaceType->setCurrentIndex(0);
    return;
  }
  const int item = FindExactItem(m_interfaceType, ToQString(ioType));
  if (item >= 0) m_interfaceType->setCurrentIndex(item);
}

void CPrinterDlg::OnInterfaceChosen() { RebuildSummary(); }

void CPrinterDlg::RebuildSummary() {
  m_summaryText = PrinterSummaryText(m_interfaceType->currentIndex(), SelectedText(m_interfaceType),
                                     PendingPorts());
  m_summary->setPlainText(
      ToQString(m_summaryText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CPrinterDlg::OnSave() {
  const qvtoolreg::SaveOutcome outcome = qvtoolreg::SavePrinter(
      PendingSaveRequest(m_devices->SelectedLdn(), SelectedText(m_interfaceType)));
  ShowOutcome(this, outcome);
}

void CPrinterDlg::OnPortConfigure() {
  const std::u16string ldn = m_devices->SelectedLdn();
  const std::u16string type = SelectedText(m_interfaceType);
  const std::u16string refusal = qvtoolreg::PrinterSelectionRefusal(ldn, type);
  if (!refusal.empty()) {
    ShowToolMessage(this, ToQString(refusal));
    return;
  }
  const COposToolRegKey key(qvreg::kClassPrinterW, ldn);
  int result = QDialog::Rejected;
  if (type == qvtoolreg::kIoTypeCom) {
    const qvtoolreg::SerialSettings stored = {
        key.GetString(qvreg::kSerialPortW), key.GetNumber(qvreg::kBaudRateW),
        key.GetNumber(qvreg::kByteSizeW),   key.GetNumber(qvreg::kParityW),
        key.GetNumber(qvreg::kStopBitsW),   key.GetNumber(qvreg::kFlowControlW)};
    CSerialDlg dialog(stored, this);
    result = dialog.exec();
  } else if (type == qvtoolreg::kIoTypeLpt) {
    CLPTPortDlg dialog(this);
    result = dialog.exec();
  } else if (type == qvtoolreg::kIoTypeUsb) {
    CUsbPortDlg dialog(this);
    result = dialog.exec();
  } else {
    std::u16string address = key.GetString(qvreg::kEthIPAddrW);
    if (address.empty()) address = kDefaultAddress;
    CEthernettDlg dialog(address, this);
    result = dialog.exec();
  }
  if (result == QDialog::Accepted) RebuildSummary();
}

void CPrinterDlg::OnLogConfigure() {
  CLogDlg dialog(this);
  dialog.exec();
}

}  // namespace qvconfig
