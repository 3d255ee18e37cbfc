#include "config_tool/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "config_tool/program_icon.h"

namespace qvconfig {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About QVOposConfigTool"));
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  icon->setAccessibleName(QStringLiteral("QVOposConfigTool icon"));
  auto* text = new QLabel(QStringLiteral("QVOposConfigTool, Version 1.0"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

}  // namespace qvconfig
