#include "config_tool/config_tool_test_util.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "common/gui/accessibility.h"
#include "config_tool/pending_ports.h"
#include "platform/base/prefix.h"
#include "platform/devices/device_map.h"

namespace qvconfig_test {
namespace {

constexpr int kModalPollMs = 10;
constexpr int kModalPolls = 500;

bool IsEditOrList(const QWidget* widget) {
  return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
         qobject_cast<const QPlainTextEdit*>(widget);
}

void PollForModal(const QMetaObject* type, std::function<void(QDialog*)> answer,
                  std::shared_ptr<bool> done, int pollsLeft) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal->metaObject()->inherits(type)) {
    answer(static_cast<QDialog*>(modal));
    *done = true;
    return;
  }
  if (pollsLeft == 0) {
    ADD_FAILURE() << "no " << type->className() << " was opened";
    return;
  }
  QTimer::singleShot(kModalPollMs, [=] { PollForModal(type, answer, done, pollsLeft - 1); });
}

}  // namespace

QString AccessibleLabel(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return qvgui::PlainCaption(button->text());
  }
  if (auto* group = qobject_cast<const QGroupBox*>(widget))
    return qvgui::PlainCaption(group->title());
  return widget->accessibleDescription();
}

QWidget* FindControl(QWidget* root, const QString& name, const QMetaObject& type) {
  QWidget* found = nullptr;
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->metaObject()->inherits(&type) || AccessibleLabel(widget) != name) continue;
    if (found != nullptr) {
      throw std::runtime_error("two controls named " + name.toStdString());
    }
    found = widget;
  }
  if (found == nullptr) throw std::runtime_error("no control named " + name.toStdString());
  return found;
}

void Choose(QComboBox* list, const QString& text) {
  const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) throw std::runtime_error("no item " + text.toStdString());
  list->setCurrentIndex(index);
  emit list->activated(index);
}

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

MessageBoxLog::MessageBoxLog()
    : m_responder([this](const qvgui::MessageBoxRequest& request) {
        m_boxes.push_back(request);
        return QMessageBox::Ok;
      }) {}

QStringList MessageBoxLog::Texts() const {
  QStringList texts;
  for (const qvgui::MessageBoxRequest& box : m_boxes) texts << box.text;
  return texts;
}

std::shared_ptr<bool> AnswerModal(const QMetaObject& type, std::function<void(QDialog*)> answer) {
  auto done = std::make_shared<bool>(false);
  QTimer::singleShot(0, [&type, answer, done] { PollForModal(&type, answer, done, kModalPolls); });
  return done;
}

void ExpectFindableByAssistiveTechnology(QWidget* root) {
  // What a user can meet: the widgets shown when `root` is shown.
  std::vector<QWidget*> widgets = {root};
  for (QWidget* child : root->findChildren<QWidget*>()) {
    if (child->isVisibleTo(root)) widgets.push_back(child);
  }
  for (QWidget* widget : widgets) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(iface, nullptr);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      // Qt's own buttons without caption (a tab bar's scroll arrows) come
      // with a name of their own.
      const QString caption = qvgui::PlainCaption(button->text());
      if (!caption.isEmpty()) {
        EXPECT_EQ(iface->text(QAccessible::Name), caption);
      }
      EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << widget->metaObject()->className();
      continue;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      // A label in front of a control ends in a colon and names that control.
      if (label->text().endsWith(u':')) {
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
      }
      continue;
    }
    if (!IsEditOrList(widget)) continue;
    const QString description = iface->text(QAccessible::Description);
    EXPECT_FALSE(description.isEmpty()) << widget->metaObject()->className();
    for (QLabel* label : root->findChildren<QLabel*>()) {
      if (label->buddy() != widget) continue;
      EXPECT_EQ(description, qvgui::PlainCaption(label->text()));
      bool related = false;
      for (const auto& relation : iface->relations(QAccessible::Label)) {
        related = related || relation.first->object() == label;
      }
      EXPECT_TRUE(related) << description.toStdString();
    }
  }
}

QStringList TabOrder(QWidget* root) {
  QStringList order;
  QWidget* widget = root;
  do {
    widget = widget->nextInFocusChain();
    if (widget != root && root->isAncestorOf(widget) && widget->isEnabled() &&
        (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
      order << AccessibleLabel(widget);
    }
  } while (widget != root);
  return order;
}

void AttachDevice(const std::string& name) {
  std::string file = "node-" + name;
  for (char& c : file) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  }
  const std::filesystem::path node = qvplatform::PrefixRoot() / file;
  std::ofstream(node).put('\n');
  ASSERT_EQ(qvplatform::DefineDosDevice(name, node), 0) << name;
}

void ResetPendingPorts() { qvconfig::PendingPorts() = {}; }

}  // namespace qvconfig_test
