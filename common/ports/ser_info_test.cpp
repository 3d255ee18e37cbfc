#include "common/ports/ser_info.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/devices/device_map.h"
#include "test_support/temp_prefix.h"

namespace {

using qvports::BuildSSerInfoList;
using qvports::ComPortNameOf;
using qvports::SerialInterface;

// Owns a list for the length of a test.
struct ListHolder {
  SSerInfo* head = nullptr;
  ~ListHolder() { ReleaseSSerInfo(head); }
  std::vector<SSerInfo*> Nodes() const {
    std::vector<SSerInfo*> nodes;
    for (SSerInfo* node = head; node != nullptr; node = node->next) nodes.push_back(node);
    return nodes;
  }
};

SerialInterface Port(std::u16string path, std::u16string friendly,
                     std::u16string description = u"Communications Port") {
  return {std::move(path), std::move(friendly), std::move(description), std::nullopt};
}

TEST(ComPortNameOf, TakesTheLettersAndTheDigitsThatFollowThem) {
  struct Case {
    std::u16string friendly;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"USB Serial Port (COM3)", u"COM3"},
      {u"USB Serial Port (COM12)", u"COM12"},
      // The search is case-sensitive: the word Communications does not match.
      {u"Communications Port (COM1)", u"COM1"},
      // Only without any "COM" is "com" looked for; here it is followed by
      // a blank, so the name is just the letters.
      {u"com (com7)", u"com"},
      {u"comport COM4", u"COM4"},
      {u"Bluetooth link COMX", u"COM"},
      {u"Standard Modem", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComPortNameOf(c.friendly), c.expected)
        << std::string(c.friendly.begin(), c.friendly.end());
  }
}

TEST(BuildSSerInfoList, NoInterfaceGivesSuccessAndAnEmptyList) {
  SSerInfo* head = reinterpret_cast<SSerInfo*>(0x1);
  EXPECT_EQ(BuildSSerInfoList({}, &head), 1);
  EXPECT_EQ(head, nullptr);
}

TEST(BuildSSerInfoList, FillsOneNodePerReadableInterfaceInOrder) {
  SerialInterface usb =
      Port(u"\\\\?\\tty#ttyUSB0#{x}", u"USB Serial Port (COM33)", u"USB Serial Port");
  usb.locationInformation = u"USB 1-1.2";
  SerialInterface lowerUsb = Port(u"p2", u"Serial (COM2)");
  lowerUsb.locationInformation = u"usb 1-3";  // case-sensitive: not on USB
  SerialInterface noFriendly = Port(u"p3", u"x");
  noFriendly.friendlyName.reset();
  SerialInterface noDescription = Port(u"p4", u"y (COM4)");
  noDescription.description.reset();
  SerialInterface longDescription = Port(u"p5", u"z (COM5)", std::u16string(256, u'd'));
  SerialInterface modem = Port(u"p6", u"Standard Modem");

  ListHolder list;
  ASSERT_EQ(BuildSSerInfoList({usb, lowerUsb, noFriendly, noDescription, longDescription, modem},
                              &list.head),
            1);
  std::vector<SSerInfo*> nodes = list.Nodes();
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(std::u16string(nodes[0]->devicePath), u"\\\\?\\tty#ttyUSB0#{x}");
  EXPECT_EQ(std::u16string(nodes[0]->portName), u"COM33");
  EXPECT_EQ(std::u16string(nodes[0]->friendlyName), u"USB Serial Port (COM33)");
  EXPECT_EQ(std::u16string(nodes[0]->description), u"USB Serial Port");
  EXPECT_EQ(nodes[0]->onUsb, 1);
  EXPECT_EQ(std::u16string(nodes[1]->portName), u"COM2");
  EXPECT_EQ(nodes[1]->onUsb, 0);
  // A device without a COM name still gets a node, with an empty port name.
  EXPECT_EQ(std::u16string(nodes[2]->portName), u"");
  EXPECT_EQ(std::u16string(nodes[2]->friendlyName), u"Standard Modem");
  EXPECT_EQ(nodes[2]->next, nullptr);
}

TEST(BuildSSerInfoList, ADevicePathBeyondTheDetailBufferFailsTheWholeList) {
  SSerInfo* head = reinterpret_cast<SSerInfo*>(0x1);
  std::vector<SerialInterface> ports = {Port(u"ok", u"A (COM1)"),
                                        Port(std::u16string(129, u'p'), u"B (COM2)")};
  EXPECT_EQ(BuildSSerInfoList(ports, &head), 0);
  EXPECT_EQ(head, reinterpret_cast<SSerInfo*>(0x1));  // untouched

  ListHolder list;
  ports[1].devicePath = std::u16string(128, u'p');
  EXPECT_EQ(BuildSSerInfoList(ports, &list.head), 1);
  EXPECT_EQ(list.Nodes().size(), 2u);
}

TEST(ReleaseSSerInfo, ReturnsNullForAListAndForNothing) {
  SSerInfo* head = nullptr;
  ASSERT_EQ(BuildSSerInfoList({Port(u"a", u"A (COM1)"), Port(u"b", u"B (COM2)")}, &head), 1);
  EXPECT_EQ(ReleaseSSerInfo(head), nullptr);
  EXPECT_EQ(ReleaseSSerInfo(nullptr), nullptr);
}

TEST(EnumPortsWdm, ListsAPortAttachedThroughTheDeviceMap) {
  TempPrefix prefix;
  std::filesystem::path node = prefix.root() / "fake-tty";
  std::ofstream(node).put('\n');
  ASSERT_EQ(qvplatform::DefineDosDevice("COM57", node), 0);

  ListHolder list;
  ASSERT_EQ(EnumPortsWdm(&list.head), 1);
  const SSerInfo* found = nullptr;
  for (SSerInfo* n : list.Nodes()) {
    if (std::u16string(n->portName) == u"COM57") found = n;
  }
  ASSERT_NE(found, nullptr);
  std::u16string friendly = found->friendlyName;
  EXPECT_EQ(friendly.substr(friendly.size() - 8), u" (COM57)");
  EXPECT_EQ(found->onUsb, 0);
  EXPECT_NE(std::u16string(found->devicePath).find(u"{86e0d1e0-8089-11d0-9ce4-08003e301f73}"),
            std::u16string::npos);
}

TEST(EnumPortsWdm, RefusesANullHead) { EXPECT_EQ(EnumPortsWdm(nullptr), 0); }

}  // namespace
