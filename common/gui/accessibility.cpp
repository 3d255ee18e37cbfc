#include "common/gui/accessibility.h"

#include <QLabel>
#include <QWidget>

namespace qvgui {

QString PlainCaption(const QString& caption) {
  QString plain;
  plain.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        plain += u'&';
        ++i;
      }
      continue;
    }
    plain += caption[i];
  }
  return plain;
}

void LabelControl(QLabel* label, QWidget* control) {
  label->setBuddy(control);
  control->setAccessibleDescription(PlainCaption(label->text()));
}

void DescribeControl(QWidget* control, const QString& description) {
  control->setAccessibleDescription(description);
}

}  // namespace qvgui
