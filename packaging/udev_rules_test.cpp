// The package's udev rules against devices recorded with `udevadm info
// --attribute-walk`: what group, mode and link each gets, and that the link
// is the name the device map looks for.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "common/toolreg/port_choices.h"
#include "packaging/udev_rule_check.h"
#include "platform/devices/usb_printers.h"

namespace {

using qvpackaging_test::ApplyUdevRules;
using qvpackaging_test::ParseAttributeWalk;
using qvpackaging_test::UdevOutcome;
using qvpackaging_test::UdevWalk;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string& Rules() {
  static const std::string rules = ReadFile(QV_UDEV_RULES);
  return rules;
}

UdevWalk Recorded(const char* name) {
  return ParseAttributeWalk(ReadFile(std::string(QV_UDEV_TESTDATA) + "/" + name));
}

UdevOutcome Apply(const UdevWalk& device, const std::string& action = "add") {
  UdevOutcome outcome;
  std::string error;
  EXPECT_TRUE(ApplyUdevRules(Rules(), device, action, &outcome, &error)) << error;
  return outcome;
}

// The recorded printer (a usblp node under a hub under the root hub) with
// other ids or serial number; an empty `serial` removes it.
UdevWalk Printer(const std::string& vendor, const std::string& product, const char* serial) {
  UdevWalk walk = Recorded("usblp-serial.walk");
  auto& attrs = walk.at(2).attrs;  // the USB device 1-1.2
  attrs["idVendor"] = vendor;
  attrs["idProduct"] = product;
  if (serial == nullptr) {
    attrs.erase("serial");
  } else {
    attrs["serial"] = serial;
  }
  return walk;
}

// What the device map expects: /dev/qvopos/<StableUsbLinkName>.
std::string ExpectedLink(uint16_t vendor, uint16_t product, const std::string& serial) {
  return "qvopos/" + qvplatform::StableUsbLinkName(vendor, product,
                                                   qvplatform::UsbPrinterInstance(serial, "1-1.2"));
}

TEST(UdevRulesTest, RecordedPrinterGetsGroupLpAndTheLinkTheDeviceMapKnows) {
  const UdevWalk printer = Recorded("usblp-serial.walk");
  ASSERT_EQ(printer.size(), 7u);
  const UdevOutcome outcome = Apply(printer);
  EXPECT_EQ(outcome.group, "lp");
  EXPECT_EQ(outcome.mode, "0660");
  ASSERT_EQ(outcome.symlinks.size(), 1u);
  EXPECT_EQ(outcome.symlinks[0], "qvopos/usb-0fe6-811e-A1B2C3");
  EXPECT_EQ(outcome.symlinks[0], ExpectedLink(0x0FE6, 0x811E, "A1B2C3"));
  // Removal events change nothing (udev drops the link itself).
  EXPECT_TRUE(Apply(printer, "remove").symlinks.empty());
}

TEST(UdevRulesTest, InstanceIsAPlainSerialElseThePortPathNeverAHubsSerial) {
  const struct {
    const char* serial;  // null: the printer has none (the root hub above has one)
    std::string link;
  } cases[] = {
      {nullptr, "qvopos/usb-0a5f-00dc-1-1.2"},
      {"SN 0042", "qvopos/usb-0a5f-00dc-1-1.2"},
      {"5&1a", "qvopos/usb-0a5f-00dc-1-1.2"},
      {"X9   ", "qvopos/usb-0a5f-00dc-X9"},
      {"ab-01_c.d:e=f@g+h", "qvopos/usb-0a5f-00dc-ab-01_c.d:e=f@g+h"},
  };
  for (const auto& c : cases) {
    const UdevOutcome outcome = Apply(Printer("0a5f", "00dc", c.serial));
    ASSERT_EQ(outcome.symlinks.size(), 1u) << (c.serial ? c.serial : "(none)");
    EXPECT_EQ(outcome.symlinks[0], c.link);
    EXPECT_EQ(c.link, ExpectedLink(0x0A5F, 0x00DC, c.serial ? c.serial : ""));
  }
}

TEST(UdevRulesTest, ExactlyTheSupportedPairsAndNothingElse) {
  // Every vendor/product pair the rules name is one the configuration tool
  // offers, and each gets its link.
  const std::regex pair_rule(
      "ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\", ATTRS\\{idProduct\\}==\"([0-9a-f]{4})\"");
  std::set<std::pair<std::string, std::string>> pairs;
  for (std::sregex_iterator it(Rules().begin(), Rules().end(), pair_rule), end; it != end; ++it) {
    const std::string vendor = (*it)[1], product = (*it)[2];
    pairs.insert({vendor, product});
    const std::string path = "\\\\?\\usb#vid_" + vendor + "&pid_" + product + "#S1#{x}";
    EXPECT_TRUE(qvtoolreg::PassesUsbPrinterFilter(std::u16string(path.begin(), path.end())))
        << vendor << ":" << product;
    const UdevOutcome outcome = Apply(Printer(vendor, product, "S1"));
    ASSERT_EQ(outcome.symlinks.size(), 1u) << vendor << ":" << product;
    EXPECT_EQ(outcome.symlinks[0], "qvopos/usb-" + vendor + "-" + product + "-S1");
    EXPECT_EQ(outcome.group, "lp");
  }
  EXPECT_EQ(pairs.size(), 6u);

  // A vendor of one pair with the product of another, a serial adapter:
  // untouched (the adapter keeps the system's dialout).
  for (const UdevWalk& device : {Printer("0fe6", "811d", "S1"), Recorded("ttyusb-adapter.walk")}) {
    const UdevOutcome outcome = Apply(device);
    EXPECT_TRUE(outcome.group.empty());
    EXPECT_TRUE(outcome.mode.empty());
    EXPECT_TRUE(outcome.symlinks.empty());
  }
}

}  // namespace
