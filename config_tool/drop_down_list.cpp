#include "config_tool/drop_down_list.h"

#include <QComboBox>

namespace qvconfig {

int AddSortedItem(QComboBox* list, const QString& text) {
  int index = 0;
  while (index < list->count() &&
         QString::compare(list->itemText(index), text, Qt::CaseInsensitive) <= 0) {
    ++index;
  }
  const int selected = list->currentIndex();
  list->insertItem(index, text);
  // An empty list selects its first item by itself; keep "no selection".
  list->setCurrentIndex(selected < 0 ? -1 : selected + (index <= selected ? 1 : 0));
  return index;
}

void FillSortedList(QComboBox* list, const std::vector<std::u16string>& items) {
  list->clear();
  for (const std::u16string& item : items) AddSortedItem(list, ToQString(item));
  list->setCurrentIndex(-1);
}

int FindExactItem(const QComboBox* list, const QString& text) {
  return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

std::u16string SelectedText(const QComboBox* list) {
  if (list->currentIndex() < 0) return {};
  return list->currentText().toStdU16String();
}

}  // namespace qvconfig
