#include "test_app/test_app_fixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "common/gui/accessibility.h"
#include "common/ports/po_text.h"
#include "common/toolreg/device_save.h"
#include "platform/base/clock.h"
#include "platform/com/guid.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "platform/text/codepage.h"
#include "test_app/drawer_dlg.h"
#include "test_app/output_line.h"
#include "test_app/printer_dlg.h"

namespace qvtestapp_test {
namespace {

constexpr char16_t kProxyClsid[] = u"{7D3E4A10-5C6B-4F2A-8E91-A2B3C4D5E6F7}";

// A loopback address of its own per test (the printer listens on 9100).
std::string LoopbackAddress() {
  static int counter = 0;
  const int pid = static_cast<int>(getpid());
  ++counter;
  return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) +
         "." + std::to_string(1 + counter % 250);
}

void PutString(HKEY root, const std::u16string& key, const std::u16string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(handle.get(), u"", REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
}

template <typename T, typename KeyOf>
T& FindOne(QWidget* root, const QString& what, KeyOf keyOf) {
  T* match = nullptr;
  int count = 0;
  for (T* widget : root->findChildren<T*>()) {
    if (keyOf(widget) != what) continue;
    match = widget;
    ++count;
  }
  if (count != 1) {
    throw std::runtime_error("expected one control \"" + what.toStdString() + "\", found " +
                             std::to_string(count));
  }
  return *match;
}

template <typename Fn>
Fn Symbol(void* library, const char* name) {
  return reinterpret_cast<Fn>(library != nullptr ? dlsym(library, name) : nullptr);
}

}  // namespace

MessageBoxes::MessageBoxes()
    : m_responder([this](const qvgui::MessageBoxRequest& request) {
        m_seen.push_back(request);
        if (m_answers.empty()) return QMessageBox::Ok;
        const QMessageBox::StandardButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
      }) {}

std::vector<QString> MessageBoxes::texts() const {
  std::vector<QString> texts;
  for (const qvgui::MessageBoxRequest& request : m_seen) texts.push_back(request.text);
  return texts;
}

void TestAppTest::SetUp() {
  qvplatform::SetTimeScaleForTesting(0.05);
  qvports::SelectPOTextTable(qvports::POTextTable::kTestApp);
  m_apartment = std::make_unique<qvopos::Apartment>();
  ASSERT_TRUE(m_apartment->ok());
  m_pump = std::make_unique<qvtestapp::CApartmentPump>();
  ASSERT_TRUE(m_pump->ok());
  m_qvso = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(m_qvso, nullptr) << dlerror();
}

void TestAppTest::TearDown() {
  m_window.reset();
  m_pump.reset();
  CoFreeUnusedLibraries();
  m_apartment.reset();
  if (m_proxy != nullptr) dlclose(m_proxy);
  if (m_qvso != nullptr) dlclose(m_qvso);
}

void TestAppTest::RegisterServiceObjects() {
  auto registerServer = Symbol<HRESULT (*)()>(m_qvso, "DllRegisterServer");
  ASSERT_NE(registerServer, nullptr);
  ASSERT_EQ(registerServer(), S_OK);
}

void TestAppTest::ConfigureDevices(Transport transport) {
  qvtoolreg::PrinterSaveRequest printer;
  printer.ldn = u"Front";
  if (transport == Transport::kTcp) {
    const std::string address = LoopbackAddress();
    ASSERT_EQ(m_printer.printer().StartTcp(address, 9100), 0);
    printer.interfaceType = qvtoolreg::kIoTypeENet;
    printer.ipAddress = qvplatform::Utf8ToWide(address);
  } else {
    ASSERT_EQ(m_printer.MapAsSerial("COM7"), "COM7");
    printer.interfaceType = qvtoolreg::kIoTypeCom;
    printer.serial = {u"COM7", 115200, 8, 0, 0, 0};
  }
  ASSERT_EQ(qvtoolreg::SavePrinter(printer).status, qvtoolreg::SaveStatus::kSaved);
  ASSERT_EQ(qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 48, 48}).status,
            qvtoolreg::SaveStatus::kSaved);
}

void TestAppTest::InstallFaultProxy() {
  m_proxy = dlopen(QV_FAULT_PROXY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(m_proxy, nullptr) << dlerror();
  CLSID real;
  ASSERT_EQ(CLSIDFromProgID(u"QV.Opos.Printer", &real), S_OK);
  auto setTarget = Symbol<void (*)(const CLSID*)>(m_proxy, "FaultProxySetTarget");
  ASSERT_NE(setTarget, nullptr);
  setTarget(&real);
  PutString(HKEY_CLASSES_ROOT, std::u16string(u"CLSID\\") + kProxyClsid + u"\\InprocServer32",
            qvplatform::Utf8ToWide(QV_FAULT_PROXY));
  PutString(HKEY_CLASSES_ROOT, u"QV.Opos.Printer\\CLSID", kProxyClsid);
}

void TestAppTest::Fail(const char16_t* method, const char16_t* argumentPart, int32_t code,
                       int times) {
  auto fail =
      Symbol<void (*)(const char16_t*, const char16_t*, LONG, int)>(m_proxy, "FaultProxyFail");
  ASSERT_NE(fail, nullptr) << "InstallFaultProxy first";
  fail(method, argumentPart, code, times);
}

int TestAppTest::FailuresInjected() {
  auto injected = Symbol<int (*)()>(m_proxy, "FaultProxyInjected");
  return injected != nullptr ? injected() : 0;
}

int TestAppTest::ServiceCalls(const char16_t* method, const char16_t* part) {
  auto calls = Symbol<int (*)(const char16_t*, const char16_t*)>(m_proxy, "FaultProxyCalls");
  return calls != nullptr ? calls(method, part) : -1;
}

qvtestapp::CQVOPosTestDlg& TestAppTest::Window() {
  if (!m_window) {
    m_window = std::make_unique<qvtestapp::CQVOPosTestDlg>();
    m_window->show();
  }
  return *m_window;
}

QWidget* TestAppTest::PrinterPage() { return Window().printerPage(); }
QWidget* TestAppTest::DrawerPage() { return Window().drawerPage(); }

qvtestapp::COPOSPOSPrinter1& TestAppTest::PrinterControl() {
  return Window().printerPage()->control();
}

qvtestapp::COPOSCashDrawer& TestAppTest::DrawerControl() {
  return Window().drawerPage()->control();
}

void TestAppTest::EnablePrinter() {
  QWidget* page = PrinterPage();
  Click(page, "Open");
  ASSERT_EQ(Output(page), "OPen:Success");
  Click(page, "Cliam");
  ASSERT_EQ(Output(page), "Claim:Success");
  Click(page, "DeviceEnable");
  ASSERT_EQ(Output(page), "Device Enable:Success");
  ASSERT_TRUE(WaitFor([&] { return Button(page, "PrintNormal").isEnabled(); }))
      << "the enable poll did not enable the test controls";
}

std::string TestAppTest::Stream() {
  const std::vector<uint8_t> stream = engine().stream();
  return std::string(stream.begin(), stream.end());
}

std::string TestAppTest::Printed() {
  std::string printed;
  for (const qvvp::ParsedCommand& command : engine().commands()) {
    if (command.StatusRequest() == 0) printed.append(command.bytes.begin(), command.bytes.end());
  }
  return printed;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return done();
    QTest::qWait(5);
  }
  return true;
}

QAbstractButton& Button(QWidget* root, const QString& caption) {
  return FindOne<QAbstractButton>(
      root, caption, [](QAbstractButton* b) { return qvgui::PlainCaption(b->text()); });
}

QComboBox& List(QWidget* root, const QString& description) {
  return FindOne<QComboBox>(root, description,
                            [](QComboBox* c) { return c->accessibleDescription(); });
}

QLineEdit& Edit(QWidget* root, const QString& description) {
  return FindOne<QLineEdit>(root, description,
                            [](QLineEdit* e) { return e->accessibleDescription(); });
}

void Click(QWidget* root, const QString& caption) {
  QAbstractButton& button = Button(root, caption);
  if (!button.isEnabled()) throw std::runtime_error(caption.toStdString() + " is disabled");
  button.click();
}

void Choose(QComboBox& list, const QString& item) {
  const int index = list.findText(item);
  if (index < 0) throw std::runtime_error("no item " + item.toStdString());
  list.setCurrentIndex(index);
  emit list.activated(index);
}

QString Output(QWidget* page) {
  auto* line = page->findChild<qvtestapp::COutputLine*>();
  return line != nullptr ? line->text() : QStringLiteral("<no output line>");
}

bool WithModalDialog(const std::function<void()>& open,
                     const std::function<void(QDialog&)>& interact) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || seen) return;
    seen = true;
    poll.stop();
    try {
      interact(*dialog);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    if (dialog->isVisible()) dialog->reject();
  });
  poll.start();
  open();
  return seen;
}

}  // namespace qvtestapp_test
