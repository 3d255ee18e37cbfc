#include "config_tool/config_tool_dlg.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include "config_tool/about_dlg.h"
#include "config_tool/drawer_dlg.h"
#include "config_tool/printer_dlg.h"
#include "config_tool/program_icon.h"
#include "config_tool/tool_messages.h"

namespace qvconfig {

CQVOposConfigToolDlg::CQVOposConfigToolDlg(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromLatin1(kToolTitle));
  setWindowIcon(ProgramIcon());

  m_tabs = new QTabWidget;
  m_printerPage = new CPrinterDlg;
  m_drawerPage = new CDrawerDlg;
  m_tabs->addTab(m_printerPage, QStringLiteral("Printer"));
  m_tabs->addTab(m_drawerPage, QStringLiteral("Cash Drawer"));
  m_tabs->setCurrentIndex(0);
  setCentralWidget(m_tabs);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  m_about = help->addAction(QStringLiteral("关于 QVOposConfigTool(&A)..."));
  connect(m_about, &QAction::triggered, this, &CQVOposConfigToolDlg::OnAbout);
}

void CQVOposConfigToolDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

}  // namespace qvconfig
