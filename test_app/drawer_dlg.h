// COposDrawerDlg: the test application's "Cash Drawer" page. It lists the
// drawer logical devices of this service object, opens, claims and enables
// one through its cash drawer control object, opens the drawer, and mirrors
// the drawer's status events in the "Cash Drawer Open" box. Failures of
// Open, Claim, the enable switch and Open Drawer are reported in message
// boxes; Close and Release are never reported. A 500 ms poll of
// DeviceEnabled (from Open to Close) enables "Open Drawer" and the status
// box while the drawer is enabled.
//
// GUI thread only; the thread pumps its apartment. The page owns its control
// object.
#ifndef QV_TEST_APP_DRAWER_DLG_H_
#define QV_TEST_APP_DRAWER_DLG_H_

#include <QTimer>
#include <QWidget>
#include <memory>

#include "test_app/opos_control.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace qvtestapp {

class COposDrawerDlg : public QWidget {
  Q_OBJECT

 public:
  explicit COposDrawerDlg(std::unique_ptr<COPOSCashDrawer> control, QWidget* parent = nullptr);
  ~COposDrawerDlg() override;

  COPOSCashDrawer& control() { return *m_control; }

 private:
  void Message(const QString& text, const QString& caption = QString());
  void OnOpen();
  void OnClaim();
  void OnDeviceEnable(bool checked);
  void OnClose();
  void OnRelease();
  void OnOpenDrawer();
  void OnEnablePoll();
  void OnStatusUpdate(int data);

  std::unique_ptr<COPOSCashDrawer> m_control;
  QTimer m_enablePoll;
  QComboBox* m_drawerList;
  QPushButton* m_open;
  QPushButton* m_claim;
  QPushButton* m_close;
  QPushButton* m_release;
  QCheckBox* m_deviceEnable;
  QPushButton* m_openDrawer;
  QCheckBox* m_drawerOpen;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_DRAWER_DLG_H_
