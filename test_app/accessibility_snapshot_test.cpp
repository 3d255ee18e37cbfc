// Every page and dialog, as assistive technology finds it and as it looks:
// each button, check box and group by its caption, each list and edit by
// its description (the text of its label, or its own description), and a
// picture of each in <build>/screenshots (the README shows them).
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <set>

#include "common/gui/accessibility.h"
#include "common/gui/widget_snapshot.h"
#include "test_app/output_line.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

QString AccessibleText(QWidget* widget, QAccessible::Text which) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  return iface != nullptr ? iface->text(which) : QString();
}

// Checks every control below `root`; returns the descriptions found.
std::set<QString> ExpectFindable(QWidget* root) {
  std::set<QString> descriptions;
  for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
    if (qobject_cast<QTabBar*>(button->parentWidget()) != nullptr) continue;  // tab scrollers
    EXPECT_FALSE(button->text().isEmpty());
    EXPECT_EQ(AccessibleText(button, QAccessible::Name), qvgui::PlainCaption(button->text()));
  }
  for (QGroupBox* group : root->findChildren<QGroupBox*>()) {
    EXPECT_EQ(AccessibleText(group, QAccessible::Name), group->title());
  }
  std::set<QWidget*> labelled;
  for (QLabel* label : root->findChildren<QLabel*>()) {
    if (label->buddy() != nullptr) labelled.insert(label->buddy());
  }
  const auto described = [&](QWidget* control) {
    const QString description = AccessibleText(control, QAccessible::Description);
    EXPECT_FALSE(description.isEmpty()) << control->metaObject()->className();
    descriptions.insert(description);
  };
  for (QComboBox* list : root->findChildren<QComboBox*>()) described(list);
  for (QLineEdit* edit : root->findChildren<QLineEdit*>()) described(edit);
  for (QPlainTextEdit* text : root->findChildren<QPlainTextEdit*>()) {
    described(text);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(labelled.count(text));
  }
  return descriptions;
}

class AccessibilitySnapshotTest : public TestAppTest {
 protected:
  void SetUp() override {
    TestAppTest::SetUp();
    RegisterServiceObjects();
    ConfigureDevices();
  }

  void Snapshot(QWidget* widget, const QString& name) {
    EXPECT_FALSE(qvgui::SaveWidgetSnapshot(widget, name).isEmpty()) << name.toStdString();
  }
};

TEST_F(AccessibilitySnapshotTest, PagesAndDialogs) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Edit(page, "Text").setText("Hello from QVOPosTest");
  Edit(page, "Hight:").setText("80");
  Edit(page, "Width:").setText("3");
  Click(page, "PrintNormal");
  const std::set<QString> printer = ExpectFindable(page);
  for (const char* description : {"LAN:", "Text", "Size", "MapMode", "Font", "Alignment",
                                  "Hight:", "Width:", "Barcode Text Position", "Rotation",
                                  "Page Mode", "Symbology", "Output Result:"}) {
    EXPECT_TRUE(printer.count(description)) << description;
  }
  Snapshot(&Window(), "test_app_printer_page");

  Window().tabs()->setCurrentIndex(1);
  QWidget* drawer = DrawerPage();
  Click(drawer, "Open");
  Click(drawer, "Cliam");
  Click(drawer, "DeviceEnable");
  ASSERT_TRUE(WaitFor([&] { return Button(drawer, "Open Drawer").isEnabled(); }));
  EXPECT_EQ(ExpectFindable(drawer), std::set<QString>{"LAN:"});
  Snapshot(&Window(), "test_app_cash_drawer_page");
  Window().tabs()->setCurrentIndex(0);

  struct Dialog {
    const char* button;
    const char* snapshot;
    std::set<QString> descriptions;
  };
  const Dialog dialogs[] = {
      {"Properties",
       "test_app_properties_dialog",
       {"CapCharacterSet",       "CapRecBarCode",       "CapRecBitmap",    "CapRecBold",
        "CapRecCartridgeSensor", "CapRecColor",         "CapRecDHigh",     "CapRecDWide",
        "CapRecDWideDHigh",      "CapRecEmptySensor",   "CapRecItalic",    "CapRecLeft90",
        "CapRecMarkFeed",        "CapRecNearEndSensor", "CapRecPageMode",  "CapRecPaperCut",
        "CapRecPresent",         "CapRecRight90",       "CapRecRotate180", "CapRecRuledLine",
        "CapRecStamp",           "CapRecUnderLine"}},
      {"PageModeProperties",
       "test_app_page_mode_properties_dialog",
       {"X0:", "Y0:", "Width:", "Hight:", "Horizontal Pos:", "Vertical Pos:", "Print Direction"}},
      {"Bitmap Process",
       "test_app_bitmap_process_dialog",
       {"Bitmap Index:", "File Name:", "Width:", "Alignment:"}},
  };
  for (const Dialog& d : dialogs) {
    SCOPED_TRACE(d.button);
    ASSERT_TRUE(WithModalDialog([&] { Click(page, d.button); },
                                [&](QDialog& dialog) {
                                  EXPECT_EQ(ExpectFindable(&dialog), d.descriptions);
                                  Snapshot(&dialog, d.snapshot);
                                }));
  }
}

}  // namespace
}  // namespace qvtestapp_test
