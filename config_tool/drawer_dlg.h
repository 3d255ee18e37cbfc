// CDrawerDlg, the "Cash Drawer" page: creates, changes and deletes the cash
// drawers of this package (CashDrawer keys whose default value is
// "QV.OPOS.CashDrawer"), each driven through a printer of this package.
//
// - New and Delete work as on the printer page, on the drawer list.
// - Each time the page is shown (its tab selected) the drawers and printers
//   are read again and the Uses Printer list is refilled, keeping its
//   selection when that printer is still there.
// - Choosing a drawer shows its printer ("Uses"; the first printer when it
//   has none, unchanged when the printer is gone), its connector pin (5, or
//   2 for anything else) and its pulse times.
// - Save writes Uses, ConnectPin, PulseOffTime and PulseOnTime (the key is
//   not deleted first; nothing happens without a drawer or a printer) and
//   reports "Config Drawer Success", or the failure and its reason.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_DRAWER_DLG_H_
#define QV_CONFIG_TOOL_DRAWER_DLG_H_

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qvconfig {

class CLdnGroup;

class CDrawerDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CDrawerDlg(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnDeviceChosen();
  void OnSave();
  void FillUsesPrinter();

  CLdnGroup* m_devices;
  QComboBox* m_usesPrinter;
  QPushButton* m_save;
  QRadioButton* m_pin2;
  QRadioButton* m_pin5;
  QLineEdit* m_pulseOn;
  QLineEdit* m_pulseOff;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_DRAWER_DLG_H_
