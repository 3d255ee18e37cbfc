// Test helper: renders a widget (a page or a dialog) into
// <build>/screenshots/<name>.png, so every page and dialog can be looked at
// and the README can show them. Returns the file written, or an empty path
// when the widget could not be rendered or written.
#ifndef QV_COMMON_GUI_WIDGET_SNAPSHOT_H_
#define QV_COMMON_GUI_WIDGET_SNAPSHOT_H_

#include <QString>

class QWidget;

namespace qvgui {

QString SaveWidgetSnapshot(QWidget* widget, const QString& name);

}  // namespace qvgui

#endif  // QV_COMMON_GUI_WIDGET_SNAPSHOT_H_
