#include "common/gui/accessibility.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace qvgui {
namespace {

TEST(AccessibilityTest, PlainCaptionDropsMnemonicsButKeepsLiteralAmpersands) {
  EXPECT_EQ(PlainCaption("&Device Name:"), "Device Name:");
  EXPECT_EQ(PlainCaption("Save && Exit"), "Save & Exit");
  EXPECT_EQ(PlainCaption("LDN:"), "LDN:");
  EXPECT_EQ(PlainCaption("trailing&"), "trailing");
}

TEST(AccessibilityTest, LabelledListIsDescribedByItsLabelAndRelatedToIt) {
  QWidget page;
  auto* label = new QLabel("&Device Name:", &page);
  auto* list = new QComboBox(&page);
  list->addItems({"POS-80", "POS-58"});
  LabelControl(label, list);

  EXPECT_EQ(label->buddy(), list);
  EXPECT_EQ(list->accessibleDescription(), "Device Name:");
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Description), "Device Name:");
  bool labelled = false;
  for (const auto& rel : iface->relations(QAccessible::Label)) {
    if (rel.first->object() == label) labelled = true;
  }
  EXPECT_TRUE(labelled);
}

TEST(AccessibilityTest, UnlabelledControlCarriesItsDescription) {
  QLineEdit edit;
  DescribeControl(&edit, "Summary");
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&edit);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Description), "Summary");
}

}  // namespace
}  // namespace qvgui
