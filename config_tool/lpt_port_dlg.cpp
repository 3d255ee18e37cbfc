#include "config_tool/lpt_port_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/toolreg/port_choices.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/pending_ports.h"

namespace qvconfig {

CLPTPortDlg::CLPTPortDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("LPT"));
  m_port = new QComboBox;
  auto* form = new QFormLayout;
  AddLabelledRow(form, QStringLiteral("LPT Port:"), m_port);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  QPushButton* ok = AddOkCancel(this, layout, &CLPTPortDlg::OnOK)->button(QDialogButtonBox::Ok);

  for (const std::u16string& name : qvtoolreg::LptPortChoices()) m_port->addItem(ToQString(name));
  m_port->setCurrentIndex(m_port->count() > 0 ? 0 : -1);
  ok->setEnabled(m_port->count() > 0);
}

void CLPTPortDlg::OnOK() {
  if (m_port->currentIndex() >= 0) PendingPorts().lptPort = m_port->currentText().toStdU16String();
  accept();
}

}  // namespace qvconfig
