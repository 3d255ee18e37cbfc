#include "config_tool/program_icon.h"

#include <QPainter>
#include <QPixmap>

namespace qvconfig {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    // The paper coming out of the printer, with two printed lines.
    painter.setPen(QPen(QColor(0x55, 0x55, 0x55), unit * 0.5));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4 * unit, 1 * unit, 8 * unit, 7 * unit));
    painter.drawLine(QPointF(5.5 * unit, 3 * unit), QPointF(10.5 * unit, 3 * unit));
    painter.drawLine(QPointF(5.5 * unit, 5 * unit), QPointF(9 * unit, 5 * unit));
    // The printer body.
    painter.setBrush(QColor(0x2f, 0x5d, 0x8a));
    painter.drawRoundedRect(QRectF(1 * unit, 7 * unit, 14 * unit, 8 * unit), unit, unit);
    painter.setBrush(QColor(0x7f, 0xd0, 0x7f));
    painter.drawEllipse(QPointF(12 * unit, 12.5 * unit), unit, unit);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace qvconfig
