#include "config_tool/about_dlg.h"

#include "config_tool/program_icon.h"

namespace qvconfig {

CAboutDlg::CAboutDlg(QWidget* parent)
    : CAboutBox(QStringLiteral("About QVOposConfigTool"),
                QStringLiteral("QVOposConfigTool, Version 1.0"), ProgramIcon(), parent) {}

}  // namespace qvconfig
