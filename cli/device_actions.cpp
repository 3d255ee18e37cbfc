#include "cli/device_actions.h"

#include <algorithm>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <vector>

#include "common/toolreg/ldn_list.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/runtime.h"

namespace qvcli {
namespace {

constexpr int32_t kPtrSReceipt = 2;  // PTR_S_RECEIPT
// Status-update values of the printer and the drawer.
constexpr int32_t kPtrSueCoverOpen = 11;
constexpr int32_t kPtrSueCoverOk = 12;
constexpr int32_t kPtrSueRecEmpty = 24;
constexpr int32_t kPtrSueRecNearEmpty = 25;
constexpr int32_t kPtrSueRecPaperOk = 26;
constexpr int32_t kCashSueDrawerClosed = 0;
constexpr int32_t kCashSueDrawerOpen = 1;

// Keeps COM initialised on this thread for one command.
class ComScope {
 public:
  ComScope() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (!m_ok) return;
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
  bool ok() const { return m_ok; }

 private:
  bool m_ok;
};

// Remembers the status-update values a device reported.
class StatusRecorder : public qvopos::OposEventListener {
 public:
  void OnOposEvent(const qvopos::OposEvent& event) override {
    if (event.dispid == qvcontrols::kDispidStatusUpdateEvent) values.push_back(event.number);
  }
  bool Saw(int32_t value) const {
    return std::find(values.begin(), values.end(), value) != values.end();
  }
  std::vector<int32_t> values;
};

std::string StepFailure(const char* step, const std::u16string& ldn, int32_t rc) {
  return std::string(step) + " of " + Narrow(ldn) + " failed with " + std::to_string(rc);
}

bool IsOwn(const char16_t* deviceClass, const std::u16string& ldn) {
  std::vector<std::u16string> list;
  LoadOwnLDNs(deviceClass, &list);
  return std::find(list.begin(), list.end(), ldn) != list.end();
}

}  // namespace

bool OpenClaimEnable(qvopos::OposDevice* device, const std::u16string& ldn, std::string* reason) {
  int32_t rc = device->Open(ldn);
  if (rc != 0) {
    *reason = StepFailure("Open", ldn, rc);
    return false;
  }
  rc = device->ClaimDevice(1000);
  if (rc != 0) {
    *reason = StepFailure("ClaimDevice", ldn, rc);
    device->Close();
    return false;
  }
  StatusRecorder firstStatus;
  device->AddListener(&firstStatus);
  rc = device->SetDeviceEnabled(true);
  if (rc != 0) {
    device->RemoveListener(&firstStatus);
    *reason = StepFailure("DeviceEnabled", ldn, rc);
    device->ReleaseDevice();
    device->Close();
    return false;
  }
  // A network printer is connected in the background after the claim; its
  // first status report shows that output can reach it. Without one within
  // the bound, go on: output then reports its own failure.
  qvplatform::PumpUntil([&] { return !firstStatus.values.empty(); }, qvplatform::ScaledMs(5000));
  device->RemoveListener(&firstStatus);
  return true;
}

void DisableReleaseClose(qvopos::OposDevice* device) {
  device->SetDeviceEnabled(false);
  device->ReleaseDevice();
  device->Close();
}

int RunPrint(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos print LDN [TEXT|-]\n"
        "Prints TEXT on the receipt station of printer LDN (with \"-\" or without TEXT,\n"
        "standard input). OPOS escape sequences (ESC|bC, ...) are honoured; a newline is\n"
        "added when the text does not end with one.");
    return kExitOk;
  }
  if (args.empty() || args.size() > 2) return Usage("print takes an LDN and a text");
  std::string text;
  if (args.size() == 2 && args[1] != "-") {
    text = args[1];
  } else {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  if (text.empty() || text.back() != '\n') text += '\n';
  ComScope com;
  if (!com.ok()) return Failed("CoInitialize failed");
  const std::u16string ldn = Widen(args[0]);
  qvopos::PosPrinter printer;
  std::string reason;
  if (!OpenClaimEnable(&printer, ldn, &reason)) return Failed(reason);
  const int32_t rc = printer.PrintNormal(kPtrSReceipt, Widen(text));
  DisableReleaseClose(&printer);
  if (rc != 0) return Failed(StepFailure("PrintNormal", ldn, rc));
  Out("printed");
  return kExitOk;
}

int RunDrawerOpen(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos drawer open LDN\n"
        "Opens cash drawer LDN and waits (up to 5 s) until it reports itself open.");
    return kExitOk;
  }
  if (args.size() != 1) return Usage("drawer open takes one LDN");
  ComScope com;
  if (!com.ok()) return Failed("CoInitialize failed");
  const std::u16string ldn = Widen(args[0]);
  qvopos::CashDrawer drawer;
  StatusRecorder events;
  drawer.AddListener(&events);
  std::string reason;
  if (!OpenClaimEnable(&drawer, ldn, &reason)) {
    drawer.RemoveListener(&events);
    return Failed(reason);
  }
  const int32_t rc = drawer.OpenDrawer();
  bool opened = false;
  if (rc == 0) {
    opened = qvplatform::PumpUntil(
        [&] { return events.Saw(kCashSueDrawerOpen) || drawer.DrawerOpened(); },
        qvplatform::ScaledMs(5000));
  }
  DisableReleaseClose(&drawer);
  drawer.RemoveListener(&events);
  if (rc != 0) return Failed(StepFailure("OpenDrawer", ldn, rc));
  if (!opened) return Failed("drawer " + args[0] + " did not report itself open");
  Out("drawer opened");
  return kExitOk;
}

int RunStatus(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos status LDN\n"
        "Shows the cover, the paper and the drawer of a printer LDN (with the drawer\n"
        "that uses it) or of a drawer LDN (with its printer), as the devices' status\n"
        "events and properties report them:\n"
        "  cover: open|closed   paper: ok|near end|empty   drawer: open|closed|none");
    return kExitOk;
  }
  if (args.size() != 1) return Usage("status takes one LDN");
  const std::u16string ldn = Widen(args[0]);
  std::u16string printerLdn, drawerLdn;
  if (IsOwn(u"POSPrinter", ldn)) {
    printerLdn = ldn;
    std::vector<std::u16string> drawers;
    LoadOwnLDNs(u"CashDrawer", &drawers);
    for (const std::u16string& drawer : drawers) {
      if (COposToolRegKey(u"CashDrawer", drawer).GetString(u"Uses") == ldn) {
        drawerLdn = drawer;
        break;
      }
    }
  } else if (IsOwn(u"CashDrawer", ldn)) {
    drawerLdn = ldn;
    printerLdn = COposToolRegKey(u"CashDrawer", ldn).GetString(u"Uses");
  } else {
    return Failed("no printer or drawer LDN " + args[0] + " of this package");
  }

  ComScope com;
  if (!com.ok()) return Failed("CoInitialize failed");
  qvopos::PosPrinter printer;
  qvopos::CashDrawer drawer;
  StatusRecorder printerEvents, drawerEvents;
  printer.AddListener(&printerEvents);
  drawer.AddListener(&drawerEvents);
  std::string reason;
  const bool printerUp = OpenClaimEnable(&printer, printerLdn, &reason);
  const bool drawerUp =
      printerUp && !drawerLdn.empty() && OpenClaimEnable(&drawer, drawerLdn, &reason);
  int code = kExitOk;
  if (printerUp && (drawerLdn.empty() || drawerUp)) {
    const auto last = [](const StatusRecorder& r, std::initializer_list<int32_t> of) {
      for (auto it = r.values.rbegin(); it != r.values.rend(); ++it) {
        if (std::find(of.begin(), of.end(), *it) != of.end()) return *it;
      }
      return -1;
    };
    // The printer asks for one status byte a second, four in turn, and the
    // first answer of each kind is reported as an event; wait (bounded) until
    // the cover, the paper and the drawer have each been reported. What was
    // not reported by then is read from the properties.
    qvplatform::PumpUntil(
        [&] {
          return last(printerEvents, {kPtrSueCoverOpen, kPtrSueCoverOk}) >= 0 &&
                 last(printerEvents, {kPtrSueRecEmpty, kPtrSueRecNearEmpty, kPtrSueRecPaperOk}) >=
                     0 &&
                 (!drawerUp || last(drawerEvents, {kCashSueDrawerOpen, kCashSueDrawerClosed}) >= 0);
        },
        qvplatform::ScaledMs(10000));
    const int32_t cover = last(printerEvents, {kPtrSueCoverOpen, kPtrSueCoverOk});
    const bool coverOpen =
        cover >= 0 ? cover == kPtrSueCoverOpen : printer.GetNumber(u"CoverOpen") != 0;
    Out(std::string("cover: ") + (coverOpen ? "open" : "closed"));
    const int32_t paper =
        last(printerEvents, {kPtrSueRecEmpty, kPtrSueRecNearEmpty, kPtrSueRecPaperOk});
    std::string paperText = "ok";
    if (paper == kPtrSueRecEmpty || (paper < 0 && printer.GetNumber(u"RecEmpty") != 0)) {
      paperText = "empty";
    } else if (paper == kPtrSueRecNearEmpty ||
               (paper < 0 && printer.GetNumber(u"RecNearEnd") != 0)) {
      paperText = "near end";
    }
    Out("paper: " + paperText);
    if (drawerLdn.empty()) {
      Out("drawer: none");
    } else {
      const int32_t state = last(drawerEvents, {kCashSueDrawerOpen, kCashSueDrawerClosed});
      const bool open = state >= 0 ? state == kCashSueDrawerOpen : drawer.DrawerOpened();
      Out(std::string("drawer: ") + (open ? "open" : "closed"));
    }
  } else {
    code = Failed(reason);
  }
  if (drawerUp) DisableReleaseClose(&drawer);
  if (printerUp) DisableReleaseClose(&printer);
  printer.RemoveListener(&printerEvents);
  drawer.RemoveListener(&drawerEvents);
  return code;
}

}  // namespace qvcli
