// The printer page's output line: a multi-line read-only text that shows
// one result at a time. It keeps the text exactly as set (the result texts
// hold CR LF pairs and tabs); the display breaks the lines at them.
#ifndef QV_TEST_APP_OUTPUT_LINE_H_
#define QV_TEST_APP_OUTPUT_LINE_H_

#include <QPlainTextEdit>
#include <QString>

namespace qvtestapp {

class COutputLine : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit COutputLine(QWidget* parent = nullptr);

  void SetText(const QString& text);
  const QString& text() const { return m_text; }

 private:
  QString m_text;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_OUTPUT_LINE_H_
