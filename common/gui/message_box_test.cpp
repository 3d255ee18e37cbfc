#include "common/gui/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace qvgui {
namespace {

TEST(MessageBoxTest, ResponderReceivesTheBoxAndAnswersIt) {
  std::vector<MessageBoxRequest> seen;
  ScopedMessageBoxResponder responder([&](const MessageBoxRequest& r) {
    seen.push_back(r);
    return QMessageBox::Retry;
  });
  EXPECT_EQ(ShowMessageBox(nullptr, "Output failed", "QVOposTest",
                           QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                           QMessageBox::Warning),
            QMessageBox::Retry);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "Output failed");
  EXPECT_EQ(seen[0].caption, "QVOposTest");
  EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(seen[0].buttons.testFlag(QMessageBox::Ignore));
}

TEST(MessageBoxTest, InnerResponderAnswersAndOuterReturnsAfterIt) {
  ScopedMessageBoxResponder outer([](const MessageBoxRequest&) { return QMessageBox::Ok; });
  {
    ScopedMessageBoxResponder inner([](const MessageBoxRequest&) { return QMessageBox::No; });
    EXPECT_EQ(ShowMessageBox(nullptr, "t", "c", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);
  }
  EXPECT_EQ(ShowMessageBox(nullptr, "t", "c"), QMessageBox::Ok);
}

}  // namespace
}  // namespace qvgui
