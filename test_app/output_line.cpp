#include "test_app/output_line.h"

namespace qvtestapp {

COutputLine::COutputLine(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTabChangesFocus(true);
  // Room for the longest result text (three lines).
  setFixedHeight(fontMetrics().lineSpacing() * 4 + 2 * frameWidth() +
                 static_cast<int>(document()->documentMargin() * 2));
}

void COutputLine::SetText(const QString& text) {
  m_text = text;
  setPlainText(text);
}

}  // namespace qvtestapp
