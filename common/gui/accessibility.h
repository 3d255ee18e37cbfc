// How the dialog programs make every control findable by screen readers and
// UI-automation clients (AT-SPI):
// - buttons, check boxes, radio buttons and group boxes are found by their
//   caption, which Qt already exposes as their accessible name;
// - an edit or a list is found by the text of the label in front of it: the
//   label becomes its buddy (the "label for" relation, and the mnemonic) and
//   the label text, without its '&', becomes its accessible description. Qt
//   names a drop-down list after its current item, so the name cannot serve.
// - a control without a label gets a description of its own.
//
// GUI thread only. The widgets stay owned by their parents.
#ifndef QV_COMMON_GUI_ACCESSIBILITY_H_
#define QV_COMMON_GUI_ACCESSIBILITY_H_

#include <QString>

class QLabel;
class QWidget;

namespace qvgui {

// Makes `label` the visible label of `control`.
void LabelControl(QLabel* label, QWidget* control);

// Gives a control without a label its description.
void DescribeControl(QWidget* control, const QString& description);

// A caption as a user reads it: mnemonic markers removed ("&&" stays "&").
QString PlainCaption(const QString& caption);

}  // namespace qvgui

#endif  // QV_COMMON_GUI_ACCESSIBILITY_H_
