#include "config_tool/serial_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "common/toolreg/port_choices.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/pending_ports.h"

namespace qvconfig {
namespace {

template <typename Items>
QComboBox* NewList(const Items& items) {
  auto* list = new QComboBox;
  for (const char16_t* item : items) list->addItem(QString::fromUtf16(item));
  return list;
}

// The item numbers are the stored codes; anything else selects nothing.
void SelectNumber(QComboBox* list, int32_t number) {
  list->setCurrentIndex(number >= 0 && number < list->count() ? number : -1);
}

int BaudRateItem(int32_t baudRate) {
  switch (baudRate) {
    case 9600: return 0;
    case 38400: return 2;
    case 115200: return 3;
    default: return 1;  // 19200, and every rate the list does not offer
  }
}

}  // namespace

CSerialDlg::CSerialDlg(const qvtoolreg::SerialSettings& settings, QWidget* parent)
    : QDialog(parent) {
  PendingPorts().serial = settings;
  setWindowTitle(QStringLiteral("Serial"));

  m_port = new QComboBox;
  m_baudRate = new QComboBox;
  for (int32_t rate : qvtoolreg::kOfferedBaudRates) m_baudRate->addItem(QString::number(rate));
  m_dataBits = new QComboBox;
  m_dataBits->addItem(QString::number(qvtoolreg::kOfferedByteSize));
  m_parity = NewList(qvtoolreg::kParityItems);
  m_stopBits = NewList(qvtoolreg::kStopBitsItems);
  m_flowControl = NewList(qvtoolreg::kFlowControlItems);

  auto* form = new QFormLayout;
  AddLabelledRow(form, QStringLiteral("Port:"), m_port);
  AddLabelledRow(form, QStringLiteral("Bits per second:"), m_baudRate);
  AddLabelledRow(form, QStringLiteral("Data bits:"), m_dataBits);
  AddLabelledRow(form, QStringLiteral("Parity:"), m_parity);
  AddLabelledRow(form, QStringLiteral("Stop bits:"), m_stopBits);
  AddLabelledRow(form, QStringLiteral("Flow control:"), m_flowControl);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  AddOkCancel(this, layout, &CSerialDlg::OnOK);

  const qvtoolreg::SerialSettings& pending = PendingPorts().serial;
  for (const std::u16string& name : qvtoolreg::SerialPortChoices()) {
    m_port->addItem(ToQString(name));
  }
  m_port->setCurrentIndex(m_port->count() > 0 ? 0 : -1);
  const int listed = FindExactItem(m_port, ToQString(pending.portName));
  if (listed >= 0) m_port->setCurrentIndex(listed);
  m_baudRate->setCurrentIndex(BaudRateItem(pending.baudRate));
  m_dataBits->setCurrentIndex(0);
  SelectNumber(m_parity, pending.parity);
  SelectNumber(m_stopBits, pending.stopBits);
  SelectNumber(m_flowControl, pending.flowControl);
}

void CSerialDlg::OnOK() {
  if (m_port->currentIndex() >= 0) {
    qvtoolreg::SerialSettings& pending = PendingPorts().serial;
    pending.portName = m_port->currentText().toStdU16String();
    pending.baudRate = m_baudRate->currentText().toInt();
    pending.byteSize = qvtoolreg::kOfferedByteSize;
    pending.parity = m_parity->currentIndex();
    pending.stopBits = m_stopBits->currentIndex();
    pending.flowControl = m_flowControl->currentIndex();
  }
  accept();
}

}  // namespace qvconfig
