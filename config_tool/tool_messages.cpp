#include "config_tool/tool_messages.h"

#include "common/gui/message_box.h"
#include "config_tool/drop_down_list.h"

namespace qvconfig {

void ShowToolMessage(QWidget* parent, const QString& text) {
  qvgui::ShowMessageBox(parent, text, QString::fromLatin1(kToolTitle), QMessageBox::Ok,
                        QMessageBox::Warning);
}

void ShowOutcome(QWidget* parent, const qvtoolreg::SaveOutcome& outcome,
                 const QString& successCaption) {
  if (outcome.message.empty()) return;
  const QString text = ToQString(outcome.message);
  switch (outcome.status) {
    case qvtoolreg::SaveStatus::kSaved:
      qvgui::ShowMessageBox(parent, text, successCaption, QMessageBox::Ok,
                            QMessageBox::Information);
      break;
    case qvtoolreg::SaveStatus::kRefused: ShowToolMessage(parent, text); break;
    case qvtoolreg::SaveStatus::kWriteFailed:
      qvgui::ShowMessageBox(parent, text, QString::fromLatin1(kToolTitle), QMessageBox::Ok,
                            QMessageBox::Critical);
      break;
  }
}

}  // namespace qvconfig
