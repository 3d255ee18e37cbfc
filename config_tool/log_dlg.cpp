#include "config_tool/log_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>
#include <optional>

#include "common/reg_names.h"
#include "common/toolreg/device_save.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "common/toolreg/port_choices.h"
#include "config_tool/dialog_layout.h"

namespace qvconfig {
namespace {

bool IsLevel(int32_t level) {
  return level >= 0 && static_cast<size_t>(level) < qvtoolreg::kLogLevelItems.size();
}

}  // namespace

CLogDlg::CLogDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Log"));
  m_level = new QComboBox;
  for (const char16_t* name : qvtoolreg::kLogLevelItems) m_level->addItem(QString::fromUtf16(name));
  auto* form = new QFormLayout;
  AddLabelledRow(form, QStringLiteral("Log Level:"), m_level);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  AddOkCancel(this, layout, &CLogDlg::OnOK);
  connect(m_level, &QComboBox::activated, this, &CLogDlg::OnLevelChosen);

  m_selectedLevel = COposToolRegKey(u"", u"").GetInfoNumber(qvreg::kLogVerbosityW);
  m_level->setCurrentIndex(IsLevel(m_selectedLevel) ? m_selectedLevel : -1);
}

void CLogDlg::OnLevelChosen(int index) {
  const QString chosen = m_level->itemText(index);
  for (size_t level = 0; level < qvtoolreg::kLogLevelItems.size(); ++level) {
    if (chosen == QString::fromUtf16(qvtoolreg::kLogLevelItems[level])) {
      m_selectedLevel = static_cast<int32_t>(level);
    }
  }
}

void CLogDlg::OnOK() {
  qvtoolreg::SaveLogSettings(IsLevel(m_selectedLevel) ? std::optional<int32_t>(m_selectedLevel)
                                                      : std::nullopt);
  accept();
}

}  // namespace qvconfig
