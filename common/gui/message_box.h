// Message boxes of the dialog programs. Every box goes through ShowMessageBox,
// the one seam where tests answer boxes without a display: while a
// ScopedMessageBoxResponder lives, boxes are handed to it instead of being
// shown, and its answer is returned as the user's click.
//
// GUI thread only. Responders nest; the innermost answers.
#ifndef QV_COMMON_GUI_MESSAGE_BOX_H_
#define QV_COMMON_GUI_MESSAGE_BOX_H_

#include <QMessageBox>
#include <QString>
#include <functional>

namespace qvgui {

struct MessageBoxRequest {
  QWidget* parent = nullptr;
  QString text;
  QString caption;  // the box's window title
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows a modal box (or hands it to the active responder) and returns the
// button that closed it.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::Icon icon = QMessageBox::NoIcon);

using MessageBoxResponder = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

// Installs a responder for its lifetime and restores the previous one after.
class ScopedMessageBoxResponder {
 public:
  explicit ScopedMessageBoxResponder(MessageBoxResponder responder);
  ~ScopedMessageBoxResponder();
  ScopedMessageBoxResponder(const ScopedMessageBoxResponder&) = delete;
  ScopedMessageBoxResponder& operator=(const ScopedMessageBoxResponder&) = delete;

 private:
  MessageBoxResponder m_previous;
};

}  // namespace qvgui

#endif  // QV_COMMON_GUI_MESSAGE_BOX_H_
