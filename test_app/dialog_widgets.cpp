#include "test_app/dialog_widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "common/gui/accessibility.h"
#include "test_app/opos_control.h"

namespace qvtestapp {

QComboBox* NewList(const QStringList& items, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->addItems(items);
  list->setCurrentIndex(-1);
  return list;
}

QComboBox* NewLdnList(const std::vector<std::u16string>& ldns, QWidget* parent) {
  QStringList items;
  for (const std::u16string& ldn : ldns) items << FromU16(ldn);
  std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  QComboBox* list = NewList(items, parent);
  if (!items.isEmpty()) list->setCurrentIndex(0);
  return list;
}

QLineEdit* NewDigitsEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  return edit;
}

QLabel* NewLabel(const QString& caption, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  qvgui::LabelControl(label, control);
  return label;
}

void AddLabelled(QGridLayout* grid, int row, int column, const QString& caption, QWidget* control,
                 int columns) {
  grid->addWidget(NewLabel(caption, control, control->parentWidget()), row, column);
  grid->addWidget(control, row, column + 1, 1, columns);
}

}  // namespace qvtestapp
