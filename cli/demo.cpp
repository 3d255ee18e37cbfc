#include "cli/demo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "cli/device_actions.h"
#include "cli/library_paths.h"
#include "cli/registration_command.h"
#include "common/receipt/sample_receipt.h"
#include "common/toolreg/device_save.h"
#include "control_objects/opos_device.h"
#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/base/prefix.h"
#include "platform/com/runtime.h"
#include "virtual_printer/virtual_printer.h"

namespace qvcli {
namespace {

constexpr char16_t kPrinterLdn[] = u"DemoPrinter";
constexpr char16_t kDrawerLdn[] = u"DemoDrawer";
constexpr int32_t kDemoLogLevel = 5;  // FunctionData: entries, exits and values
constexpr int32_t kCashSueDrawerClosed = 0;
constexpr int32_t kCashSueDrawerOpen = 1;

namespace fs = std::filesystem;

// A fresh prefix directory: DIR of --keep (created when missing), or a new
// directory under $TMPDIR.
bool MakePrefix(const std::optional<std::string>& keep, fs::path* prefix, std::string* reason) {
  std::error_code error;
  if (keep) {
    *prefix = fs::absolute(*keep, error);
    if (!error) fs::create_directories(*prefix, error);
    if (error) {
      *reason = "cannot create " + *keep + ": " + error.message();
      return false;
    }
    return true;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/qvopos-demo-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    *reason = "cannot create a directory in " + pattern + ": " + std::strerror(errno);
    return false;
  }
  *prefix = buffer.data();
  return true;
}

// Starts the virtual printer on port 9100 of a loopback address that is
// free; the address depends on the process id so that several demos (and
// tests) can run at once.
std::unique_ptr<qvvp::VirtualPrinter> StartPrinter(std::string* address, std::string* reason) {
  const unsigned pid = static_cast<unsigned>(getpid());
  int last = 0;
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    const unsigned n = pid + attempt * 7919;
    *address = "127." + std::to_string(100 + n % 150) + "." + std::to_string(n / 150 % 250 + 1) +
               "." + std::to_string(n / 37500 % 250 + 1);
    auto printer = std::make_unique<qvvp::VirtualPrinter>();
    last = printer->StartTcp(*address, qvvp::VirtualPrinter::kDefaultPort);
    if (last == 0) return printer;
    if (last != EADDRINUSE) break;
  }
  *reason = std::string("cannot start the virtual printer on port 9100: ") + std::strerror(last);
  return nullptr;
}

class DrawerEvents : public qvopos::OposEventListener {
 public:
  void OnOposEvent(const qvopos::OposEvent& event) override {
    if (event.dispid == qvcontrols::kDispidStatusUpdateEvent) values.push_back(event.number);
  }
  bool Saw(int32_t value) const {
    return std::find(values.begin(), values.end(), value) != values.end();
  }
  std::vector<int32_t> values;
};

// Configures the two logical devices as the configuration tool would.
bool Configure(const std::string& address, std::string* reason) {
  const qvtoolreg::SaveOutcome log = qvtoolreg::SaveLogLevel(kDemoLogLevel);
  qvtoolreg::PrinterSaveRequest printer;
  printer.ldn = kPrinterLdn;
  printer.interfaceType = qvtoolreg::kIoTypeENet;
  printer.ipAddress = Widen(address);
  const qvtoolreg::SaveOutcome savedPrinter = qvtoolreg::SavePrinter(printer);
  const qvtoolreg::SaveOutcome savedDrawer =
      qvtoolreg::SaveDrawer({kDrawerLdn, kPrinterLdn, 2, 100, 100});
  for (const qvtoolreg::SaveOutcome* outcome : {&log, &savedPrinter, &savedDrawer}) {
    if (outcome->status != qvtoolreg::SaveStatus::kSaved) {
      *reason = "configuring the logical devices failed: " + Narrow(outcome->message);
      return false;
    }
  }
  return true;
}

// The test application's sample receipt. Nobody is there to answer its
// question after a failed output: the receipt is abandoned.
bool PrintReceipt(qvopos::PosPrinter& printer, std::string* reason) {
  qvreceipt::SampleReceiptCallbacks callbacks;
  callbacks.outputFailed = [](int32_t rc) {
    Out("sample receipt: output failed with " + std::to_string(rc) + "; abandoning it");
    return qvreceipt::OutputFailureAnswer::kAbort;
  };
  callbacks.waitUntil = qvplatform::PumpUntil;
  callbacks.stayedBusy = [](int32_t state) {
    Out("sample receipt: the printer stays busy (State " + std::to_string(state) + ")");
  };
  const qvreceipt::SampleReceiptResult receipt =
      qvreceipt::PrintSampleReceipt(printer, std::time(nullptr), callbacks);
  if (receipt.stop == qvreceipt::ReceiptStop::kTransactionRefused) {
    *reason = "sample receipt: TransactionPrint (begin) failed with " +
              std::to_string(receipt.resultCode);
  } else if (receipt.stop != qvreceipt::ReceiptStop::kCompleted) {
    *reason = "sample receipt: " + Narrow(qvreceipt::StopMessage(receipt.stop));
  } else if (receipt.aborted) {
    *reason = "sample receipt: abandoned after a failed output";
  } else if (receipt.resultCode != 0) {
    *reason =
        "sample receipt: TransactionPrint (end) failed with " + std::to_string(receipt.resultCode);
  } else {
    return true;
  }
  return false;
}

// Prints the receipt and opens the drawer through the control objects.
bool UseDevices(qvvp::PrinterEngine& engine, std::string* reason) {
  qvopos::PosPrinter printer;
  qvopos::CashDrawer drawer;
  DrawerEvents drawerEvents;
  drawer.AddListener(&drawerEvents);
  bool ok = false;
  if (OpenClaimEnable(&printer, kPrinterLdn, reason)) {
    Out("printer DemoPrinter: open, claimed, enabled (" + Narrow(printer.GetString(u"DeviceName")) +
        ")");
    if (PrintReceipt(printer, reason)) {
      Out("sample receipt printed and cut");
      if (OpenClaimEnable(&drawer, kDrawerLdn, reason)) {
        const int32_t rc = drawer.OpenDrawer();
        if (rc != 0) {
          *reason = "OpenDrawer failed with " + std::to_string(rc);
        } else if (!qvplatform::PumpUntil([&] { return drawerEvents.Saw(kCashSueDrawerOpen); },
                                          qvplatform::ScaledMs(10000))) {
          *reason = "the drawer did not report itself open";
        } else {
          Out("drawer DemoDrawer: StatusUpdateEvent 1 (opened)");
          // The cashier shuts the drawer again.
          engine.SetDrawerOpen(false);
          if (!qvplatform::PumpUntil([&] { return drawerEvents.Saw(kCashSueDrawerClosed); },
                                     qvplatform::ScaledMs(10000))) {
            *reason = "the drawer did not report itself closed again";
          } else {
            Out("drawer DemoDrawer: StatusUpdateEvent 0 (closed)");
            ok = true;
          }
        }
        DisableReleaseClose(&drawer);
      }
    }
    DisableReleaseClose(&printer);
  }
  drawer.RemoveListener(&drawerEvents);
  return ok;
}

// The trace writer works in the background; wait (bounded) until the file
// holds something.
bool WaitForTrace(const fs::path& trace) {
  const uint64_t end = qvplatform::GetTickCount64() + 5000;
  std::error_code error;
  do {
    if (fs::exists(trace, error) && fs::file_size(trace, error) > 0 && !error) return true;
    qvplatform::PumpUntil([] { return false; }, 50);
  } while (qvplatform::GetTickCount64() < end);
  return false;
}

}  // namespace

int RunDemo(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos demo [--keep DIR]\n"
        "Runs the package end to end against a virtual printer started in this process:\n"
        "registers libQVSO.so and the control objects, adds printer DemoPrinter and drawer\n"
        "DemoDrawer on the network interface, prints the sample receipt (text, a\n"
        "transaction, a sideways barcode), cuts, opens the drawer and waits for its events.\n"
        "Everything lives in a new prefix directory under $TMPDIR (or DIR with --keep),\n"
        "which is left in place with the byte stream, the command listing and the trace file.");
    return kExitOk;
  }
  std::optional<std::string> keep;
  std::string reason;
  if (!TakeOptions(&args, {{"--keep", &keep}}, &reason)) return Usage(reason);
  if (!args.empty()) return Usage("unexpected argument " + args.front());

  fs::path prefix;
  if (!MakePrefix(keep, &prefix, &reason)) return Failed(reason);
  setenv("QV_OPOS_ROOT", prefix.c_str(), 1);
  Out("prefix: " + prefix.string());

  const fs::path streamFile = prefix / "printer-stream.bin";
  const fs::path listingFile = prefix / "printer-listing.txt";
  std::error_code ignored;
  fs::remove(streamFile, ignored);
  fs::remove(listingFile, ignored);
  std::string address;
  std::unique_ptr<qvvp::VirtualPrinter> virtualPrinter = StartPrinter(&address, &reason);
  if (!virtualPrinter) return Failed(reason);
  qvvp::PrinterEngine& engine = virtualPrinter->engine();
  if (engine.RecordStreamTo(streamFile) != 0 || engine.RecordListingTo(listingFile) != 0) {
    return Failed("cannot write the recordings in " + prefix.string());
  }
  Out("virtual printer: listening on " + address + ":9100");

  if (!RegisterAll(&reason)) return Failed(reason);
  Out("registered " + QvsoLibraryPath().string() + " and the control objects");
  if (!Configure(address, &reason)) return Failed(reason);
  Out("configured printer DemoPrinter (ENet " + address + ") and drawer DemoDrawer, trace level " +
      std::to_string(kDemoLogLevel));

  if (FAILED(CoInitialize(nullptr))) return Failed("CoInitialize failed");
  const bool used = UseDevices(engine, &reason);
  CoFreeUnusedLibraries();
  CoUninitialize();
  virtualPrinter->Stop();
  if (!used) return Failed(reason);

  const fs::path trace = qvplatform::DriveC() / "QV_Opos_Driver.log";
  const bool traced = WaitForTrace(trace);
  Out("virtual printer: " + std::to_string(engine.bytes_received()) + " bytes, " +
      std::to_string(engine.drawer_kicks()) + " drawer pulse(s)");
  Out("byte stream:      " + streamFile.string());
  Out("command listing:  " + listingFile.string());
  Out("trace file:       " + trace.string() + (traced ? "" : " (empty)"));
  if (!keep) Out("remove the prefix with: rm -r " + prefix.string());
  return kExitOk;
}

}  // namespace qvcli
