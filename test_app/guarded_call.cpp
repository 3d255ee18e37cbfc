#include "test_app/guarded_call.h"

#include <exception>

#include "common/gui/message_box.h"
#include "test_app/opos_control.h"
#include "test_app/result_text.h"

namespace qvtestapp {

bool GuardedCall(QWidget* parent, const std::function<void()>& calls) {
  const QString caption = QString::fromUtf16(kProgramTitle);
  try {
    calls();
    return true;
  } catch (const CAutomationException& e) {
    qvgui::ShowMessageBox(parent, e.description(), caption, QMessageBox::Ok, QMessageBox::Warning);
  } catch (const std::exception& e) {
    qvgui::ShowMessageBox(parent, QString::fromUtf8(e.what()), caption, QMessageBox::Ok,
                          QMessageBox::Warning);
  }
  return false;
}

}  // namespace qvtestapp
