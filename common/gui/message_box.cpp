#include "common/gui/message_box.h"

#include <utility>

namespace qvgui {
namespace {

MessageBoxResponder& ActiveResponder() {
  static MessageBoxResponder responder;
  return responder;
}

QMessageBox::StandardButton DefaultButton(QMessageBox::StandardButtons buttons) {
  for (QMessageBox::StandardButton b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Retry}) {
    if (buttons.testFlag(b)) return b;
  }
  return QMessageBox::NoButton;
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) {
  if (ActiveResponder()) {
    return ActiveResponder()(MessageBoxRequest{parent, text, caption, icon, buttons});
  }
  QMessageBox box(icon, caption, text, buttons, parent);
  QMessageBox::StandardButton preferred = DefaultButton(buttons);
  if (preferred != QMessageBox::NoButton) box.setDefaultButton(preferred);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

ScopedMessageBoxResponder::ScopedMessageBoxResponder(MessageBoxResponder responder)
    : m_previous(std::exchange(ActiveResponder(), std::move(responder))) {}

ScopedMessageBoxResponder::~ScopedMessageBoxResponder() {
  ActiveResponder() = std::move(m_previous);
}

}  // namespace qvgui
