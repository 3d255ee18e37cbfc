// QVOPosTest (CQVOPosTestApp): the test application. Makes the GUI thread an
// apartment pumped from Qt's event loop, chooses the program's message
// texts, and runs the main window until it closes.
#include <QApplication>

#include "common/ports/po_text.h"
#include "control_objects/opos_device.h"
#include "test_app/apartment_pump.h"
#include "test_app/main_dlg.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("QVOPosTest"));
  qvports::SelectPOTextTable(qvports::POTextTable::kTestApp);
  // The apartment outlives the window and its control objects.
  qvopos::Apartment apartment;
  qvtestapp::CApartmentPump pump;
  qvtestapp::CQVOPosTestDlg window;
  window.show();
  window.exec();
  return 0;
}
