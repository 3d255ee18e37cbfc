// Small builders for the controls the test application's pages and dialogs
// are made of, so that every list, edit and label is set up alike: lists
// are drop-down lists that cannot be typed into, digit-only edits accept
// only digits, and a label is tied to its control for assistive technology
// (common/gui/accessibility.h).
#ifndef QV_TEST_APP_DIALOG_WIDGETS_H_
#define QV_TEST_APP_DIALOG_WIDGETS_H_

#include <QLabel>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

namespace qvtestapp {

// A drop-down list holding `items` in the given order, nothing selected.
QComboBox* NewList(const QStringList& items, QWidget* parent);

// A drop-down list of logical device names, sorted as a sorted Windows list
// sorts (case-insensitive), first item selected when there is one.
QComboBox* NewLdnList(const std::vector<std::u16string>& ldns, QWidget* parent);

// An edit that accepts digits only.
QLineEdit* NewDigitsEdit(QWidget* parent);

// A label showing `caption` that labels `control`.
QLabel* NewLabel(const QString& caption, QWidget* control, QWidget* parent);

// Puts a label showing `caption` at (`row`, `column`) of `grid` and the
// control it labels right of it, spanning `columns` columns.
void AddLabelled(QGridLayout* grid, int row, int column, const QString& caption, QWidget* control,
                 int columns = 1);

}  // namespace qvtestapp

#endif  // QV_TEST_APP_DIALOG_WIDGETS_H_
