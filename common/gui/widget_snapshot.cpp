#include "common/gui/widget_snapshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace qvgui {

QString SaveWidgetSnapshot(QWidget* widget, const QString& name) {
  QDir dir(QStringLiteral(QV_SNAPSHOT_DIR));
  if (!dir.mkpath(QStringLiteral("."))) return {};
  widget->adjustSize();
  QApplication::processEvents();
  const QPixmap picture = widget->grab();
  if (picture.isNull()) return {};
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  return picture.save(path, "PNG") ? path : QString();
}

}  // namespace qvgui
