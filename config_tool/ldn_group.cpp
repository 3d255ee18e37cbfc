#include "config_tool/ldn_group.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "common/toolreg/device_save.h"
#include "common/toolreg/ldn_list.h"
#include "config_tool/dialog_layout.h"
#include "config_tool/drop_down_list.h"
#include "config_tool/tool_messages.h"
#include "platform/base/clock.h"

namespace qvconfig {
namespace {

constexpr int kMaxLdnChars = 259;
// Lets a service object that is reading the key finish before the list is
// read back.
constexpr int64_t kReloadDelayMs = 100;

}  // namespace

CLdnGroup::CLdnGroup(const std::u16string& deviceClass, QWidget* parent)
    : QGroupBox(QStringLiteral("Configure"), parent), m_deviceClass(deviceClass) {
  // Created in layout order, which is the tab order.
  m_ldn = new QLineEdit;
  m_ldn->setMaxLength(kMaxLdnChars);
  m_new = new QPushButton(QStringLiteral("New"));
  m_deviceName = new QComboBox;
  m_delete = new QPushButton(QStringLiteral("Delete"));

  auto* grid = new QGridLayout(this);
  grid->addWidget(NewBuddyLabel(QStringLiteral("LDN:"), m_ldn), 0, 0);
  grid->addWidget(m_ldn, 0, 1);
  grid->addWidget(m_new, 0, 2);
  grid->addWidget(NewBuddyLabel(QStringLiteral("Device Name:"), m_deviceName), 1, 0);
  grid->addWidget(m_deviceName, 1, 1);
  grid->addWidget(m_delete, 1, 2);
  grid->setColumnStretch(1, 1);

  connect(m_new, &QPushButton::clicked, this, &CLdnGroup::OnNew);
  connect(m_delete, &QPushButton::clicked, this, &CLdnGroup::OnDelete);
  connect(m_deviceName, &QComboBox::activated, this, &CLdnGroup::ldnChosen);
  Reload();
}

std::u16string CLdnGroup::SelectedLdn() const { return SelectedText(m_deviceName); }

void CLdnGroup::Reload() {
  LoadOwnLDNs(m_deviceClass, &m_names);
  FillSortedList(m_deviceName, m_names);
}

void CLdnGroup::OnNew() {
  const std::u16string ldn = m_ldn->text().toStdU16String();
  if (ldn.empty()) return;
  m_names.push_back(ldn);
  m_deviceName->setCurrentIndex(AddSortedItem(m_deviceName, ToQString(ldn)));
}

void CLdnGroup::OnDelete() {
  const std::u16string ldn = SelectedLdn();
  if (ldn.empty()) return;
  if (auto it = std::find(m_names.begin(), m_names.end(), ldn); it != m_names.end()) {
    m_names.erase(it);
  }
  m_deviceName->removeItem(m_deviceName->currentIndex());
  const qvtoolreg::SaveOutcome outcome = qvtoolreg::DeleteDevice(m_deviceClass, ldn);
  qvplatform::Sleep(kReloadDelayMs);
  Reload();
  ShowOutcome(this, outcome, QStringLiteral("Info"));
}

}  // namespace qvconfig
