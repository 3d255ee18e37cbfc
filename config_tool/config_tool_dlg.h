// CQVOposConfigToolDlg, the main window "QVOposConfigTool": the tabs
// "Printer" (CPrinterDlg, shown first) and "Cash Drawer" (CDrawerDlg), both
// pages created at start; selecting a tab shows its page. The Help menu
// holds "关于 QVOposConfigTool(&A)...", which opens the about box (Linux
// window managers give programs no system menu to put it in).
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_CONFIG_TOOL_DLG_H_
#define QV_CONFIG_TOOL_CONFIG_TOOL_DLG_H_

#include <QMainWindow>

class QAction;
class QTabWidget;

namespace qvconfig {

class CDrawerDlg;
class CPrinterDlg;

class CQVOposConfigToolDlg : public QMainWindow {
  Q_OBJECT

 public:
  explicit CQVOposConfigToolDlg(QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return m_tabs; }
  CPrinterDlg* PrinterPage() const { return m_printerPage; }
  CDrawerDlg* DrawerPage() const { return m_drawerPage; }
  QAction* AboutAction() const { return m_about; }

 private:
  void OnAbout();

  QTabWidget* m_tabs;
  CPrinterDlg* m_printerPage;
  CDrawerDlg* m_drawerPage;
  QAction* m_about;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_CONFIG_TOOL_DLG_H_
