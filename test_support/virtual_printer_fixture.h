// An in-process virtual printer for the tests of any part: on a TCP port of
// its own and/or on a pseudo-terminal attached to the current prefix's
// device map as a serial port, a parallel port or a USB printer.
//
// The terminal's stable link lives in the prefix (<prefix>/pty/printer), and
// the device-map links point at it, so they stay valid when a "drop" fault
// replaces the terminal. Create the TempPrefix before this object (and so
// destroy it after): the prefix must outlive the printer.
//
// Failures to start are reported as GoogleTest failures (ADD_FAILURE) and
// leave the returned name empty. Thread-safety as VirtualPrinter.
#ifndef QV_TEST_SUPPORT_VIRTUAL_PRINTER_FIXTURE_H_
#define QV_TEST_SUPPORT_VIRTUAL_PRINTER_FIXTURE_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "virtual_printer/virtual_printer.h"

class InProcessPrinter {
 public:
  InProcessPrinter() = default;
  ~InProcessPrinter();
  InProcessPrinter(const InProcessPrinter&) = delete;
  InProcessPrinter& operator=(const InProcessPrinter&) = delete;

  // Listens on `address` (default 127.0.0.1) with a free port; returns the
  // port as text, as a network device's configured port reads.
  std::string StartTcp(const std::string& address = "127.0.0.1");

  // Opens the terminal (once) and maps it as COMn ("COM7" -> "COM7"), LPTn
  // ("LPT1" -> "LPT1:", the spooler form the configuration stores) or as
  // the USB printer `vendor_id`/`product_id`/`instance` (-> its interface
  // path). Each returns the name a device would be configured with.
  std::string MapAsSerial(const std::string& com_name);
  std::string MapAsParallel(const std::string& lpt_name);
  std::string MapAsUsb(uint16_t vendor_id, uint16_t product_id, const std::string& instance);

  // The terminal's stable link (empty before the first Map call).
  const std::filesystem::path& pty_link() const { return pty_link_; }

  qvvp::VirtualPrinter& printer() { return printer_; }
  qvvp::PrinterEngine& engine() { return printer_.engine(); }

 private:
  bool EnsurePty();

  qvvp::VirtualPrinter printer_;
  std::filesystem::path pty_link_;
};

#endif  // QV_TEST_SUPPORT_VIRTUAL_PRINTER_FIXTURE_H_
