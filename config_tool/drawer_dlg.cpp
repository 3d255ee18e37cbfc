#include "config_tool/drawer_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>

#include "common/reg_names.h"
#include "common/toolreg/device_save.h"
#include "common/toolreg/ldn_list.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/ldn_group.h"
#include "config_tool/tool_messages.h"

namespace qvconfig {
namespace {

QLineEdit* NewDigitsEdit(QObject* validatorParent) {
  auto* edit = new QLineEdit;
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")),
                                                     validatorParent));
  return edit;
}

}  // namespace

CDrawerDlg::CDrawerDlg(QWidget* parent) : QWidget(parent) {
  // Created in layout order, which is the tab order.
  m_devices = new CLdnGroup(qvreg::kClassDrawerW);
  m_usesPrinter = new QComboBox;
  m_save = new QPushButton(QStringLiteral("Save"));
  m_pin2 = new QRadioButton(QStringLiteral("Pin 2"));
  m_pin5 = new QRadioButton(QStringLiteral("Pin 5"));
  m_pulseOn = NewDigitsEdit(this);
  m_pulseOff = NewDigitsEdit(this);

  auto* pins = new QGroupBox(QStringLiteral("Connector Pin"));
  auto* pinsLayout = new QHBoxLayout(pins);
  pinsLayout->addWidget(m_pin2);
  pinsLayout->addWidget(m_pin5);
  pinsLayout->addStretch(1);

  auto* settings = new QGroupBox(QStringLiteral("Device Settings"));
  auto* grid = new QGridLayout(settings);
  grid->addWidget(NewBuddyLabel(QStringLiteral("Uses Printer:"), m_usesPrinter), 0, 0);
  grid->addWidget(m_usesPrinter, 0, 1);
  grid->addWidget(m_save, 0, 2);
  grid->addWidget(pins, 1, 0, 1, 3);
  grid->addWidget(NewBuddyLabel(QStringLiteral("Pulse on time(0~255):"), m_pulseOn), 2, 0);
  grid->addWidget(m_pulseOn, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("ms")), 2, 2);
  grid->addWidget(NewBuddyLabel(QStringLiteral("Pulse off time(0~255):"), m_pulseOff), 3, 0);
  grid->addWidget(m_pulseOff, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("ms")), 3, 2);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_devices);
  layout->addWidget(settings);
  layout->addStretch(1);

  connect(m_devices, &CLdnGroup::ldnChosen, this, &CDrawerDlg::OnDeviceChosen);
  connect(m_save, &QPushButton::clicked, this, &CDrawerDlg::OnSave);

  FillUsesPrinter();
  m_pin2->setChecked(true);
  m_pulseOn->setText(QStringLiteral("0"));
  m_pulseOff->setText(QStringLiteral("0"));
}

void CDrawerDlg::FillUsesPrinter() {
  std::vector<std::u16string> printers;
  LoadOwnLDNs(qvreg::kClassPrinterW, &printers);
  FillSortedList(m_usesPrinter, printers);
}

void CDrawerDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Shown by the window system (a restored window): the tab did not change.
  if (event->spontaneous()) return;
  // The Device Name list keeps its items; the printers are read again, and
  // the chosen one stays chosen while it is still there.
  const std::u16string uses = SelectedText(m_usesPrinter);
  FillUsesPrinter();
  if (!uses.empty()) m_usesPrinter->setCurrentIndex(FindExactItem(m_usesPrinter, ToQString(uses)));
}

void CDrawerDlg::OnDeviceChosen() {
  const COposToolRegKey key(qvreg::kClassDrawerW, m_devices->SelectedLdn());
  const std::u16string uses = key.GetString(qvreg::kUsesW);
  if (uses.empty()) {
    if (m_usesPrinter->count() > 0) m_usesPrinter->setCurrentIndex(0);
  } else if (const int item = FindExactItem(m_usesPrinter, ToQString(uses)); item >= 0) {
    m_usesPrinter->setCurrentIndex(item);
  }
  const bool pin5 = key.GetNumber(qvreg::kConnectPinW) == 5;
  m_pin5->setChecked(pin5);
  m_pin2->setChecked(!pin5);
  m_pulseOff->setText(ToQString(qvtoolreg::NumberText(key.GetNumber(qvreg::kPulseOffTimeW))));
  m_pulseOn->setText(ToQString(qvtoolreg::NumberText(key.GetNumber(qvreg::kPulseOnTimeW))));
}

void CDrawerDlg::OnSave() {
  qvtoolreg::DrawerSaveRequest request;
  request.ldn = m_devices->SelectedLdn();
  request.usesPrinter = SelectedText(m_usesPrinter);
  request.connectPin = m_pin2->isChecked() ? 2 : (m_pin5->isChecked() ? 5 : 0);
  request.pulseOffTime = qvtoolreg::ParseToolNumber(m_pulseOff->text().toStdU16String());
  request.pulseOnTime = qvtoolreg::ParseToolNumber(m_pulseOn->text().toStdU16String());
  ShowOutcome(this, qvtoolreg::SaveDrawer(request));
}

}  // namespace qvconfig
