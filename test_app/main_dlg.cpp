#include "test_app/main_dlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "test_app/drawer_dlg.h"
#include "test_app/enter_key_filter.h"
#include "test_app/opos_control.h"
#include "test_app/printer_dlg.h"

namespace qvtestapp {

CAboutDlg::CAboutDlg(QWidget* parent)
    : CAboutBox(QStringLiteral("关于 QVOPosTest"), QStringLiteral("QVOPosTest, Version 1.0"),
                QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation), parent) {}

CQVOPosTestDlg::CQVOPosTestDlg(std::unique_ptr<COPOSPOSPrinter1> printer,
                               std::unique_ptr<COPOSCashDrawer> drawer, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("QVOposTest V1.01"));
  m_tabs = new QTabWidget(this);
  m_printerPage = new COposPrinterDlg(std::move(printer));
  m_drawerPage = new COposDrawerDlg(std::move(drawer));
  m_tabs->addTab(m_printerPage, QStringLiteral("Printer"));
  m_tabs->addTab(m_drawerPage, QStringLiteral("Cash Drawer"));
  m_tabs->setCurrentIndex(0);

  auto* menuBar = new QMenuBar(this);
  QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
  m_about = help->addAction(QStringLiteral("关于 QVOPosTest(&A)..."));
  connect(m_about, &QAction::triggered, this, [this] {
    CAboutDlg about(this);
    about.exec();
  });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(m_tabs);
  SwallowEnterKey(this);
}

CQVOPosTestDlg::CQVOPosTestDlg(QWidget* parent)
    : CQVOPosTestDlg(COPOSPOSPrinter1::Create(), COPOSCashDrawer::Create(), parent) {}

CQVOPosTestDlg::~CQVOPosTestDlg() {
  // The drawer works through the printer's connection: it goes first.
  delete m_drawerPage;
}

}  // namespace qvtestapp
