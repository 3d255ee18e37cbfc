// Layout pieces every dialog of the tool uses: a labelled row (the label is
// the control's buddy and its accessible description) and the OK/Cancel
// buttons (OK is id 1, Cancel id 2 in the dialog templates).
//
// GUI thread only; the widgets belong to the layouts' owners.
#ifndef QV_CONFIG_TOOL_DIALOG_LAYOUT_H_
#define QV_CONFIG_TOOL_DIALOG_LAYOUT_H_

#include <QDialogButtonBox>
#include <QString>

class QDialog;
class QFormLayout;
class QLabel;
class QLayout;
class QWidget;

namespace qvconfig {

// A label reading `caption` for `control` (its buddy and description).
QLabel* NewBuddyLabel(const QString& caption, QWidget* control);

// Adds "`caption` `control`" as a row of `form`; returns the label.
QLabel* AddLabelledRow(QFormLayout* form, const QString& caption, QWidget* control);

// Adds OK and Cancel at the end of `layout`; Cancel rejects the dialog, OK
// is left to the caller (see AddOkCancel).
QDialogButtonBox* MakeOkCancel(QDialog* dialog, QLayout* layout);

// MakeOkCancel with OK calling `onOk`, which decides whether the dialog ends.
template <typename Dialog>
QDialogButtonBox* AddOkCancel(Dialog* dialog, QLayout* layout, void (Dialog::*onOk)()) {
  QDialogButtonBox* buttons = MakeOkCancel(dialog, layout);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, onOk);
  return buttons;
}

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_DIALOG_LAYOUT_H_
