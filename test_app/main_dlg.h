// CQVOPosTestDlg: the test application's main window, "QVOposTest V1.01",
// with the tabs "Printer" (COposPrinterDlg, shown first) and "Cash Drawer"
// (COposDrawerDlg), both created with the window, and a Help menu whose
// entry opens the about box (CAboutDlg). The Enter key is swallowed here as
// in the pages.
//
// GUI thread only; the thread has called CoInitialize and pumps its
// apartment for as long as the window lives.
#ifndef QV_TEST_APP_MAIN_DLG_H_
#define QV_TEST_APP_MAIN_DLG_H_

#include <QDialog>
#include <memory>

#include "common/gui/about_box.h"

class QAction;
class QTabWidget;

namespace qvtestapp {

class COPOSCashDrawer;
class COPOSPOSPrinter1;
class COposDrawerDlg;
class COposPrinterDlg;

class CAboutDlg : public qvgui::CAboutBox {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

class CQVOPosTestDlg : public QDialog {
  Q_OBJECT

 public:
  // Pages around the given control objects (either may hold none).
  CQVOPosTestDlg(std::unique_ptr<COPOSPOSPrinter1> printer, std::unique_ptr<COPOSCashDrawer> drawer,
                 QWidget* parent = nullptr);
  // Pages around new control objects.
  explicit CQVOPosTestDlg(QWidget* parent = nullptr);
  ~CQVOPosTestDlg() override;

  QTabWidget* tabs() const { return m_tabs; }
  COposPrinterDlg* printerPage() const { return m_printerPage; }
  COposDrawerDlg* drawerPage() const { return m_drawerPage; }
  QAction* aboutAction() const { return m_about; }

 private:
  QTabWidget* m_tabs;
  COposPrinterDlg* m_printerPage;
  COposDrawerDlg* m_drawerPage;
  QAction* m_about;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_MAIN_DLG_H_
