// Runs the control-object calls of one button. An automation exception
// (CAutomationException) is shown in a message box with its description, a
// standard-library exception with its message; the button's work ends
// there and the program goes on.
//
// GUI thread only.
#ifndef QV_TEST_APP_GUARDED_CALL_H_
#define QV_TEST_APP_GUARDED_CALL_H_

#include <functional>

class QWidget;

namespace qvtestapp {

// True when `calls` ran to their end.
bool GuardedCall(QWidget* parent, const std::function<void()>& calls);

}  // namespace qvtestapp

#endif  // QV_TEST_APP_GUARDED_CALL_H_
