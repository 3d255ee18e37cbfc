#include "common/gui/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace qvgui {

CAboutBox::CAboutBox(const QString& title, const QString& text, const QIcon& icon, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(title);
  auto* picture = new QLabel(this);
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  picture->setPixmap(icon.pixmap(size, size));
  picture->setAccessibleName(title);
  auto* line = new QLabel(text, this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(picture);
  row->addWidget(line, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

}  // namespace qvgui
