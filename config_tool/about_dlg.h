// CAboutDlg: the configuration tool's about box, with the program's icon,
// its name and version 1.0 and an OK button. GUI thread only.
#ifndef QV_CONFIG_TOOL_ABOUT_DLG_H_
#define QV_CONFIG_TOOL_ABOUT_DLG_H_

#include "common/gui/about_box.h"

namespace qvconfig {

class CAboutDlg : public qvgui::CAboutBox {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_ABOUT_DLG_H_
