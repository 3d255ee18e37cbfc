#include "test_support/virtual_printer_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/prefix.h"
#include "platform/devices/device_map.h"

InProcessPrinter::~InProcessPrinter() { printer_.Stop(); }

std::string InProcessPrinter::StartTcp(const std::string& address) {
  int rc = printer_.StartTcp(address, 0);
  if (rc != 0) {
    ADD_FAILURE() << "virtual printer cannot listen on " << address << ": " << std::strerror(rc);
    return "";
  }
  return std::to_string(printer_.tcp_port());
}

bool InProcessPrinter::EnsurePty() {
  if (!pty_link_.empty()) return true;
  std::filesystem::path dir = qvplatform::PrefixRoot() / "pty";
  std::string error;
  if (!qvplatform::EnsureDirectory(dir, &error)) {
    ADD_FAILURE() << error;
    return false;
  }
  int rc = printer_.StartPty(dir / "printer");
  if (rc != 0) {
    ADD_FAILURE() << "virtual printer cannot open a pseudo-terminal: " << std::strerror(rc);
    return false;
  }
  pty_link_ = dir / "printer";
  return true;
}

std::string InProcessPrinter::MapAsSerial(const std::string& com_name) {
  if (!EnsurePty()) return "";
  int rc = qvplatform::DefineDosDevice(com_name, pty_link_);
  if (rc != 0) {
    ADD_FAILURE() << "cannot map " << com_name << ": " << std::strerror(rc);
    return "";
  }
  return com_name;
}

std::string InProcessPrinter::MapAsParallel(const std::string& lpt_name) {
  if (!EnsurePty()) return "";
  int rc = qvplatform::DefineDosDevice(lpt_name, pty_link_);
  if (rc != 0) {
    ADD_FAILURE() << "cannot map " << lpt_name << ": " << std::strerror(rc);
    return "";
  }
  return lpt_name + ":";
}

std::string InProcessPrinter::MapAsUsb(uint16_t vendor_id, uint16_t product_id,
                                       const std::string& instance) {
  if (!EnsurePty()) return "";
  std::string link = qvplatform::UsbPrinterLinkName(vendor_id, product_id, instance);
  int rc = qvplatform::DefineDosDevice(link, pty_link_);
  if (rc != 0) {
    ADD_FAILURE() << "cannot map " << link << ": " << std::strerror(rc);
    return "";
  }
  return "\\\\?\\" + link + "#" + qvplatform::kGuidDevInterfaceUsbDevice;
}
