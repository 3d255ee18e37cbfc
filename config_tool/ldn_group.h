// The "Configure" group both device pages share: the LDN edit with New, and
// the sorted Device Name list of the class's logical devices with Delete.
//
// - Created filled from the registry (this package's devices of the class),
//   without a selection.
// - New adds the typed LDN (up to 259 characters) to the list and selects
//   it; nothing is written (a name typed twice is listed twice).
// - Delete deletes the selected device's key, waits 100 ms, reloads the list
//   without a selection (unsaved names disappear) and shows "Delete Success"
//   (caption "Info"), or the failure naming the key.
// - ldnChosen() when the user chooses an item in the list.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_LDN_GROUP_H_
#define QV_CONFIG_TOOL_LDN_GROUP_H_

#include <QGroupBox>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qvconfig {

class CLdnGroup : public QGroupBox {
  Q_OBJECT

 public:
  // `deviceClass` is "POSPrinter" or "CashDrawer".
  explicit CLdnGroup(const std::u16string& deviceClass, QWidget* parent = nullptr);

  // The selected LDN, or empty.
  std::u16string SelectedLdn() const;

  // Reads the devices again and refills the list without a selection.
  void Reload();

 signals:
  void ldnChosen();

 private:
  void OnNew();
  void OnDelete();

  std::u16string m_deviceClass;
  std::vector<std::u16string> m_names;
  QLineEdit* m_ldn;
  QPushButton* m_new;
  QComboBox* m_deviceName;
  QPushButton* m_delete;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_LDN_GROUP_H_
