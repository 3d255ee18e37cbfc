#include "test_app/enter_key_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace qvtestapp {
namespace {

constexpr char kSwallowEnter[] = "qvSwallowEnter";

class CEnterKeyFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
      if (w->property(kSwallowEnter).toBool()) return true;
      if (w->isWindow()) break;
    }
    return false;
  }
};

}  // namespace

void SwallowEnterKey(QWidget* window) {
  static CEnterKeyFilter* filter = [] {
    auto* f = new CEnterKeyFilter(qApp);
    qApp->installEventFilter(f);
    return f;
  }();
  (void)filter;
  window->setProperty(kSwallowEnter, true);
}

}  // namespace qvtestapp
