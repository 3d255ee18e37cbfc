// Drop-down lists as the tool's pages and dialogs use them. A sorted list
// keeps its items in case-insensitive order as they are added (a name added
// twice is listed twice); "no selection" is index -1, which Qt shows as an
// empty box; an item is found by its exact, case-sensitive text.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_DROP_DOWN_LIST_H_
#define QV_CONFIG_TOOL_DROP_DOWN_LIST_H_

#include <QString>
#include <string>
#include <vector>

class QComboBox;

namespace qvconfig {

// Inserts `text` at its sorted place; returns its index. The selection stays
// on the item it was on.
int AddSortedItem(QComboBox* list, const QString& text);

// Replaces the items of a sorted list with `items`, leaving no selection.
void FillSortedList(QComboBox* list, const std::vector<std::u16string>& items);

// The index of the item whose text is exactly `text`, or -1.
int FindExactItem(const QComboBox* list, const QString& text);

// The selected item's text, or empty when nothing is selected.
std::u16string SelectedText(const QComboBox* list);

inline QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_DROP_DOWN_LIST_H_
