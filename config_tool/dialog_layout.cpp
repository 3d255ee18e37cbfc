#include "config_tool/dialog_layout.h"

#include <QDialog>
#include <QFormLayout>
#include <QLabel>

#include "common/gui/accessibility.h"

namespace qvconfig {

QLabel* NewBuddyLabel(const QString& caption, QWidget* control) {
  auto* label = new QLabel(caption);
  qvgui::LabelControl(label, control);
  return label;
}

QLabel* AddLabelledRow(QFormLayout* form, const QString& caption, QWidget* control) {
  QLabel* label = NewBuddyLabel(caption, control);
  form->addRow(label, control);
  return label;
}

QDialogButtonBox* MakeOkCancel(QDialog* dialog, QLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace qvconfig
