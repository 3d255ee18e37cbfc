#include "cli/ports_command.h"

#include <vector>

#include "common/ports/ser_info.h"
#include "common/toolreg/port_choices.h"

namespace qvcli {

int RunPorts(Args args) {
  if (WantsHelp(args)) {
    Out("usage: qvopos ports\n"
        "Lists the present ports, one a line:\n"
        "  serial COMn FRIENDLY NAME   every serial port found (\"-\" when its name holds no "
        "COMn)\n"
        "  lpt LPTn:                   parallel ports of the spooler list\n"
        "  usb SHORTNAME PATH          USB printers of the supported vendor/product pairs\n"
        "A serial port is offered for --interface COM only when the spooler lists any port.");
    return kExitOk;
  }
  if (!args.empty()) return Usage("unexpected argument " + args.front());
  SSerInfo* list = nullptr;
  if (EnumPortsWdm(&list) == 0) return Failed("the serial ports cannot be enumerated");
  for (const SSerInfo* node = list; node != nullptr; node = node->next) {
    const std::u16string name = node->portName;
    Out("serial " + (name.empty() ? std::string("-") : Narrow(name)) + " " +
        Printable(node->friendlyName));
  }
  ReleaseSSerInfo(list);
  for (const std::u16string& port : qvtoolreg::LptPortChoices()) Out("lpt " + Narrow(port));
  for (const qvtoolreg::UsbPrinterChoice& usb : qvtoolreg::UsbPrinterChoices()) {
    Out("usb " + Narrow(usb.shortName) + " " + Narrow(usb.devicePath));
  }
  return kExitOk;
}

}  // namespace qvcli
