// Test fixture for the test application's widget tests: a temporary prefix
// with libQVSO.so registered, an in-process virtual printer (on TCP or on a
// pseudo-terminal mapped as COM7) configured as printer "Front" with drawer
// "Till", the GUI thread made an apartment pumped from Qt's event loop, and
// the main window built on demand. Specified waits run at 1/20 of their
// length.
//
// The helpers find controls the way assistive technology does: buttons,
// check boxes and groups by their caption, lists and edits by their
// description. They throw std::runtime_error when the control is not there
// exactly once, which fails the test.
#ifndef QV_TEST_APP_TEST_APP_FIXTURE_H_
#define QV_TEST_APP_TEST_APP_FIXTURE_H_

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/gui/message_box.h"
#include "control_objects/opos_device.h"
#include "test_app/apartment_pump.h"
#include "test_app/main_dlg.h"
#include "test_app/opos_control.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

// Shows QStrings as text in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace qvtestapp_test {

enum class Transport { kTcp, kSerial };

// Records every message box and answers each with the next queued button
// (Ok when none is queued).
class MessageBoxes {
 public:
  MessageBoxes();
  void Answer(QMessageBox::StandardButton button) { m_answers.push_back(button); }
  const std::vector<qvgui::MessageBoxRequest>& seen() const { return m_seen; }
  std::vector<QString> texts() const;

 private:
  std::vector<qvgui::MessageBoxRequest> m_seen;
  std::deque<QMessageBox::StandardButton> m_answers;
  qvgui::ScopedMessageBoxResponder m_responder;
};

class TestAppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers libQVSO.so (a prefix without it has no service objects).
  void RegisterServiceObjects();
  // Printer "Front" on `transport`, drawer "Till" on pin 2 using it.
  void ConfigureDevices(Transport transport = Transport::kTcp);
  // Puts the fault-injecting proxy (fault_proxy_service.cpp) in front of
  // the printer's service object; `Fail` then chooses the calls to fail.
  void InstallFaultProxy();
  void Fail(const char16_t* method, const char16_t* argumentPart, int32_t code, int times = 1);
  int FailuresInjected();
  // Calls of the service object's `method` with an argument matching `part`.
  int ServiceCalls(const char16_t* method, const char16_t* part);

  // The main window with new control objects (pages load their lists now).
  qvtestapp::CQVOPosTestDlg& Window();
  QWidget* PrinterPage();
  QWidget* DrawerPage();
  // The pages' control objects, for calls and checks beside the page.
  qvtestapp::COPOSPOSPrinter1& PrinterControl();
  qvtestapp::COPOSCashDrawer& DrawerControl();

  // Open, Cliam and DeviceEnable on the printer page, then waits until the
  // enable poll has enabled the test controls.
  void EnablePrinter();

  qvvp::PrinterEngine& engine() { return m_printer.engine(); }
  std::string Stream();  // what the virtual printer received, as bytes
  // The same without the status requests, which the service objects'
  // status polls put between the print jobs at any time.
  std::string Printed();

  TempPrefix m_prefix;
  InProcessPrinter m_printer;
  std::unique_ptr<qvopos::Apartment> m_apartment;
  std::unique_ptr<qvtestapp::CApartmentPump> m_pump;
  std::unique_ptr<qvtestapp::CQVOPosTestDlg> m_window;
  void* m_qvso = nullptr;
  void* m_proxy = nullptr;
};

// Pumps Qt's events (the apartment's included) until `done()` or the time
// runs out.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);

QAbstractButton& Button(QWidget* root, const QString& caption);
QComboBox& List(QWidget* root, const QString& description);
QLineEdit& Edit(QWidget* root, const QString& description);
void Click(QWidget* root, const QString& caption);
// Selects `item` of a list as a user does (the list reports it activated).
void Choose(QComboBox& list, const QString& item);
// The printer page's output line.
QString Output(QWidget* page);

// Runs `interact` on the modal dialog that `open` brings up (then closes it
// if `interact` did not); returns whether a dialog came up.
bool WithModalDialog(const std::function<void()>& open,
                     const std::function<void(QDialog&)>& interact);

}  // namespace qvtestapp_test

#endif  // QV_TEST_APP_TEST_APP_FIXTURE_H_
