#include "config_tool/ethernett_dlg.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/gui/message_box.h"
#include "common/toolreg/port_choices.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/ip_address_edit.h"
#include "config_tool/pending_ports.h"

namespace qvconfig {
namespace {

constexpr int32_t kPrinterPort = 9100;
constexpr int kMaxPortChars = 259;

}  // namespace

CEthernettDlg::CEthernettDlg(const std::u16string& address, QWidget* parent) : QDialog(parent) {
  PendingPorts().network = {address, kPrinterPort};
  setWindowTitle(QStringLiteral("Ethernet"));
  m_address = new CIpAddressEdit;
  m_port = new QLineEdit;
  m_port->setReadOnly(true);
  auto* form = new QFormLayout;
  AddLabelledRow(form, QStringLiteral("IP:"), m_address);
  AddLabelledRow(form, QStringLiteral("Port:"), m_port);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  AddOkCancel(this, layout, &CEthernettDlg::OnOK);

  m_address->SetAddressText(ToQString(PendingPorts().network.address));
  m_port->setText(QString::number(kPrinterPort));
}

void CEthernettDlg::OnOK() {
  const QString port = m_port->text().left(kMaxPortChars);
  if (!qvtoolreg::IsValidNetworkPort(port.toStdU16String())) {
    qvgui::ShowMessageBox(this, QStringLiteral("Please enter a valid port,wcsBuf"),
                          QStringLiteral("ERROR"), QMessageBox::Ok | QMessageBox::Cancel,
                          QMessageBox::Warning);
  } else {
    PendingPorts().network = {m_address->AddressText().toStdU16String(), port.toInt()};
  }
  accept();
}

}  // namespace qvconfig
