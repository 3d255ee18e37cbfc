// QVOposConfigTool: creates, changes and deletes the printer and cash drawer
// logical devices of this package. "-Uninstall" deletes them all without a
// window; any other command line shows the main window.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "config_tool/config_tool_dlg.h"
#include "config_tool/uninstall.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (qvconfig::IsUninstallCommandLine(args)) return qvconfig::RunUninstall(std::cerr);

  QApplication app(argc, argv);
  qvconfig::CQVOposConfigToolDlg window;
  window.show();
  return app.exec();
}
