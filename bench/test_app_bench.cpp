// Idle processor load of the test application.
//
//   BM_TestAppIdle  QVOPosTest's window (offscreen) with its printer and its
//                   drawer opened, claimed and enabled through their pages'
//                   buttons, against qv-virtual-printer running as a program
//                   of its own (so its work is not counted), left alone in
//                   Qt's event loop for QV_IDLE_BENCH_SECONDS (default 30)
//                   seconds of real time after a settling second. Reports the
//                   processor time of this process (GUI thread, service
//                   objects' threads, trace writer) as a percentage of one
//                   core (cpu_percent). Target: at most 0.5 %.
//
// Every timer runs at its specified period (no QV_OPOS_TIME_SCALE): the
// pages' 500 ms enable polls, the service objects' one-second status polls.
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "cli/child_process.h"
#include "common/ports/po_text.h"
#include "common/toolreg/device_save.h"
#include "control_objects/opos_device.h"
#include "platform/com/runtime.h"
#include "platform/text/codepage.h"
#include "test_app/apartment_pump.h"
#include "test_app/drawer_dlg.h"
#include "test_app/main_dlg.h"
#include "test_app/printer_dlg.h"

namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Runs Qt's event loop for `ms` milliseconds.
void RunEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until `done()` or 20 s have passed.
bool RunUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 20000) RunEventLoop(20);
  return done();
}

QAbstractButton* Button(QWidget* page, const QString& caption) {
  for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
    if (button->text() == caption) return button;
  }
  return nullptr;
}

bool Click(QWidget* page, const QString& caption) {
  QAbstractButton* button = Button(page, caption);
  if (button == nullptr || !button->isEnabled()) return false;
  button->click();
  return true;
}

// A prefix with libQVSO.so registered, printer "Front" and drawer "Till" on a
// virtual printer program, the GUI thread's apartment pumped by Qt.
class Session {
 public:
  Session() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qv-test-app-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    m_root = pattern;
    ::setenv("QV_OPOS_ROOT", m_root.c_str(), 1);
    qvports::SelectPOTextTable(qvports::POTextTable::kTestApp);
    m_apartment = std::make_unique<qvopos::Apartment>();
    m_pump = std::make_unique<qvtestapp::CApartmentPump>();
    if (!m_apartment->ok() || !m_pump->ok()) return;
    m_library = dlopen(QV_QVSO_PATH, RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) return;
    auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(m_library, "DllRegisterServer"));
    if (registerServer == nullptr || registerServer() != S_OK) return;

    const std::string address = "127.0.94." + std::to_string(1 + getpid() % 250);
    if (!m_printer.Start(QV_VIRTUAL_PRINTER_PROGRAM, {"--tcp", address + ":9100"}) ||
        !m_printer.WaitForLine("ready", 10000)) {
      return;
    }
    qvtoolreg::PrinterSaveRequest printer;
    printer.ldn = u"Front";
    printer.interfaceType = qvtoolreg::kIoTypeENet;
    printer.ipAddress = qvplatform::Utf8ToWide(address);
    if (qvtoolreg::SaveLogLevel(0).status != qvtoolreg::SaveStatus::kSaved ||
        qvtoolreg::SavePrinter(printer).status != qvtoolreg::SaveStatus::kSaved ||
        qvtoolreg::SaveDrawer({u"Till", u"Front", 2, 100, 100}).status !=
            qvtoolreg::SaveStatus::kSaved) {
      return;
    }

    m_window = std::make_unique<qvtestapp::CQVOPosTestDlg>();
    m_window->show();
    QWidget* page = m_window->printerPage();
    QWidget* drawer = m_window->drawerPage();
    for (const char* caption : {"Open", "Cliam", "DeviceEnable"}) {
      if (!Click(page, caption) || !Click(drawer, caption)) return;
    }
    m_ready = RunUntil([&] {
      return Button(page, "PrintNormal")->isEnabled() && Button(drawer, "Open Drawer")->isEnabled();
    });
  }

  ~Session() {
    m_window.reset();
    m_pump.reset();
    CoFreeUnusedLibraries();
    m_apartment.reset();
    m_printer.Write("quit\n");
    m_printer.Finish(5000);
    if (m_library != nullptr) dlclose(m_library);
    if (!m_root.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(m_root, ec);
    }
  }

  bool ready() const { return m_ready; }

 private:
  std::string m_root;
  std::unique_ptr<qvopos::Apartment> m_apartment;
  std::unique_ptr<qvtestapp::CApartmentPump> m_pump;
  void* m_library = nullptr;
  qvcli_test::ChildProcess m_printer;
  std::unique_ptr<qvtestapp::CQVOPosTestDlg> m_window;
  bool m_ready = false;
};

void BM_TestAppIdle(benchmark::State& state) {
  Session session;
  if (!session.ready()) {
    state.SkipWithError("the test application could not open, claim and enable its devices");
    return;
  }
  const char* seconds = std::getenv("QV_IDLE_BENCH_SECONDS");
  const int idleMs =
      1000 * (seconds != nullptr && std::atoi(seconds) > 0 ? std::atoi(seconds) : 30);
  RunEventLoop(1000);  // settle: connections made, first status answers in
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    RunEventLoop(idleMs);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    state.SetIterationTime(wall);
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["idle_seconds"] = wall;
  }
}
BENCHMARK(BM_TestAppIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
