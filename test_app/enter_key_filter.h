// Swallows the Enter key in the test application's main window, pages and
// dialogs: a key press of Return or Enter aimed at any widget of a marked
// window is consumed before the widget or the dialog sees it, so Enter never
// presses a default button or closes a dialog. Other windows (the about box,
// message boxes, file choosers, list pop-ups) keep the usual behaviour.
//
// GUI thread only. The filter is installed on the application once, on the
// first call.
#ifndef QV_TEST_APP_ENTER_KEY_FILTER_H_
#define QV_TEST_APP_ENTER_KEY_FILTER_H_

class QWidget;

namespace qvtestapp {

void SwallowEnterKey(QWidget* window);

}  // namespace qvtestapp

#endif  // QV_TEST_APP_ENTER_KEY_FILTER_H_
