// Test helpers for the configuration tool's pages and dialogs: finding a
// control as assistive technology finds it (buttons and groups by caption,
// edits and lists by their description), choosing a list item as a user
// does, recording and answering message boxes, answering a modal dialog
// from inside its exec(), and the checks of accessibility and tab order.
#ifndef QV_CONFIG_TOOL_CONFIG_TOOL_TEST_UTIL_H_
#define QV_CONFIG_TOOL_CONFIG_TOOL_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/gui/message_box.h"

namespace qvconfig_test {

// The name a screen reader gives `widget`: a button's or group's caption
// without mnemonic, else its accessible description.
QString AccessibleLabel(const QWidget* widget);

// The one control of type T under `root` whose AccessibleLabel is `name`.
// Throws (failing the test) when there is none or more than one.
QWidget* FindControl(QWidget* root, const QString& name, const QMetaObject& type);
template <typename T>
T* Find(QWidget* root, const QString& name) {
  return static_cast<T*>(FindControl(root, name, T::staticMetaObject));
}

// Chooses the item `text` of `list` as the user would (the item is selected
// and activated). Throws when the list has no such item.
void Choose(QComboBox* list, const QString& text);

// The texts of a list's items, in order.
QStringList Items(const QComboBox* list);

// Records every message box shown while it lives and answers it with OK.
class MessageBoxLog {
 public:
  MessageBoxLog();
  const std::vector<qvgui::MessageBoxRequest>& boxes() const { return m_boxes; }
  // The texts shown, in order.
  QStringList Texts() const;
  void Clear() { m_boxes.clear(); }

 private:
  std::vector<qvgui::MessageBoxRequest> m_boxes;
  qvgui::ScopedMessageBoxResponder m_responder;
};

// Waits (up to a few seconds) for the next modal dialog of type D and calls
// `answer` with it from inside its exec(); `answer` must end the dialog. The
// returned flag becomes true once `answer` ran.
std::shared_ptr<bool> AnswerModal(const QMetaObject& type, std::function<void(QDialog*)> answer);
template <typename D>
std::shared_ptr<bool> AnswerNextDialog(std::function<void(D*)> answer) {
  return AnswerModal(D::staticMetaObject,
                     [answer](QDialog* dialog) { answer(static_cast<D*>(dialog)); });
}

// Every edit and list under `root` carries a description, which is its
// label's text when it has a label (and the label is its buddy); every
// button carries its caption as its name.
void ExpectFindableByAssistiveTechnology(QWidget* root);

// The AccessibleLabel of each control under `root` that Tab reaches, in
// the order Tab reaches them.
QStringList TabOrder(QWidget* root);

// Attaches a device under the Windows name `name` ("COM7", "LPT1",
// "usb#vid_0fe6&pid_811e#A1B2") in the current prefix's device map. Its node
// is a plain file: enough to be listed, not to be opened as a port.
void AttachDevice(const std::string& name);

// Starts every test with the pending port settings of a fresh program.
void ResetPendingPorts();

}  // namespace qvconfig_test

#endif  // QV_CONFIG_TOOL_CONFIG_TOOL_TEST_UTIL_H_
