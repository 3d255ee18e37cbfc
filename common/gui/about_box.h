// CAboutBox: the about box both dialog programs show: the program's icon, a
// line with its name and version, and an OK button. Each program derives its
// own CAboutDlg with its title and text. GUI thread only.
#ifndef QV_COMMON_GUI_ABOUT_BOX_H_
#define QV_COMMON_GUI_ABOUT_BOX_H_

#include <QDialog>
#include <QIcon>
#include <QString>

namespace qvgui {

class CAboutBox : public QDialog {
  Q_OBJECT

 public:
  CAboutBox(const QString& title, const QString& text, const QIcon& icon, QWidget* parent);
};

}  // namespace qvgui

#endif  // QV_COMMON_GUI_ABOUT_BOX_H_
