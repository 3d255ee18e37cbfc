#include "service_object/comm/device_channel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/base/clock.h"
#include "service_object/comm/comm_test_util.h"
#include "service_object/comm/socket_client.h"
#include "service_object/comm/status_image.h"
#include "test_support/temp_prefix.h"
#include "test_support/virtual_printer_fixture.h"

namespace {

using commtest::BytesCmd;
using commtest::kWaitMs;
using commtest::RecordingLog;
using commtest::RecordingReceiver;

// The printer and the cash drawer as the sharing protocol sees them: each
// opens the channel when it claims, counts itself in the process-wide claim
// count, and releases in turn.
class SharingTest : public ::testing::Test {
 protected:
  struct Device {
    explicit Device(std::string t) : tag(std::move(t)) {}
    std::string tag;
    RecordingReceiver receiver;
    bool claimed = false;
  };

  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    StatusByteIndex.store(0);
  }

  void Claim(Device& device) {
    OpenDeviceChannel(*arbiter_, settings_, device.receiver, device.tag);
    device.claimed = true;
    ++claimed_;
  }
  void Release(Device& device) {
    device.claimed = false;
    const bool last = claimed_-- == 1;
    ReleaseDeviceChannel(*arbiter_, settings_.interfaceIndex, last, device.tag);
  }
  bool Write(const std::string& bytes) {
    auto cmd = BytesCmd(bytes);
    return WriteCmdByInterface(*arbiter_, settings_.interfaceIndex, *cmd);
  }

  TempPrefix prefix_;
  RecordingLog log_;
  InProcessPrinter printer_;
  DeviceChannelSettings settings_;
  int32_t claimed_ = 0;
  Device printer_device_{"QVCOposPrinter"};
  Device drawer_device_{"CCashDrawer"};
  const std::string kDrawerPulse{"\x1bp\x00\x19\xfa", 5};
  std::unique_ptr<CCommArbiter> arbiter_ = std::make_unique<CCommArbiter>();
};

TEST_F(SharingTest, SerialChannelFollowsTheLastClaim) {
  settings_.interfaceIndex = kInterfaceSerial;
  settings_.serialPort = printer_.MapAsSerial("COM1");
  Claim(printer_device_);
  EXPECT_TRUE(log_.Has("    | Creating  Report Channel (serial port)..."));
  settings_.serialPort = "COM2";  // the drawer's own setting is ignored
  Claim(drawer_device_);
  EXPECT_TRUE(log_.Has("<<< Serial Opened", 4));

  Release(printer_device_);
  EXPECT_TRUE(arbiter_->HasSerialDevice());
  EXPECT_TRUE(Write("drawer still writes\n"));
  EXPECT_FALSE(log_.Has("    | Closing  Report Channel (Serial)..."));

  Release(drawer_device_);
  EXPECT_FALSE(arbiter_->HasSerialDevice());
  EXPECT_TRUE(log_.Has("    | Closing  Report Channel (Serial)..."));
  EXPECT_FALSE(Write("nobody\n"));
}

TEST_F(SharingTest, DrawerClaimedFirstReceivesTheStatus) {
  settings_.interfaceIndex = kInterfaceUsb;
  settings_.usbPort = printer_.MapAsUsb(0x0fe6, 0x811e, "D1");
  Claim(drawer_device_);
  Claim(printer_device_);
  ASSERT_TRUE(DeviceCommEnable(*arbiter_, true, claimed_, printer_device_.tag));
  ASSERT_TRUE(Write(std::string("\x10\x04\x01", 3)));
  ASSERT_TRUE(drawer_device_.receiver.WaitForCount(1));
  EXPECT_EQ(printer_device_.receiver.Count(), 0u);
  Release(printer_device_);
  Release(drawer_device_);
  EXPECT_FALSE(arbiter_->HasUsbDevice());
}

TEST_F(SharingTest, DisablingOneClaimantKeepsTrafficForTheOther) {
  settings_.interfaceIndex = kInterfaceParallel;
  settings_.lptPort = printer_.MapAsParallel("LPT1");
  Claim(printer_device_);
  Claim(drawer_device_);
  ASSERT_TRUE(DeviceCommEnable(*arbiter_, true, claimed_, drawer_device_.tag));
  ASSERT_TRUE(DeviceCommEnable(*arbiter_, true, claimed_, printer_device_.tag));
  // The printer is disabled while the drawer is still claimed: on.
  ASSERT_TRUE(DeviceCommEnable(*arbiter_, false, claimed_, printer_device_.tag));
  EXPECT_TRUE(Write(kDrawerPulse));
  EXPECT_TRUE(
      printer_.engine().WaitFor([&] { return printer_.engine().drawer_kicks() == 1; }, kWaitMs));
  Release(printer_device_);
  // The drawer alone: its disable switches traffic off.
  ASSERT_TRUE(DeviceCommEnable(*arbiter_, false, claimed_, drawer_device_.tag));
  EXPECT_FALSE(Write(kDrawerPulse));
  EXPECT_EQ(log_.CountText(">>> DeviceCommEnable", 4), 4u);
  Release(drawer_device_);
  EXPECT_FALSE(arbiter_->HasLPTDevice());
}

TEST_F(SharingTest, NetworkUsersAreBalanced) {
  settings_.interfaceIndex = kInterfaceNetwork;
  settings_.clientIP = "127.77.1.1";
  settings_.clientPort = printer_.StartTcp(settings_.clientIP);
  ASSERT_FALSE(settings_.clientPort.empty());
  Claim(printer_device_);
  Claim(drawer_device_);
  EXPECT_EQ(arbiter_->ReportChannelUsers(), 2);
  std::shared_ptr<CSocketClient> client = arbiter_->ReportChannelClient();
  ASSERT_NE(client, nullptr);

  Release(printer_device_);
  EXPECT_TRUE(log_.Has("    | Cannot close Socket Client while it is used by another device"));
  EXPECT_EQ(arbiter_->ReportChannelClient(), client);

  Release(drawer_device_);
  EXPECT_TRUE(log_.Has("    | Closing  Report Channel (client sockets)..."));
  EXPECT_EQ(arbiter_->ReportChannelUsers(), 0);
  EXPECT_EQ(arbiter_->ReportChannelClient(), nullptr);
  EXPECT_TRUE(client->WaitForEnd(kWaitMs));
}

TEST_F(SharingTest, FailedOpenLeavesNothingBehind) {
  settings_.interfaceIndex = kInterfaceUsb;
  settings_.usbPort = "\\\\?\\usb#vid_0fe6&pid_811e#NONE#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  EXPECT_THROW(OpenDeviceChannel(*arbiter_, settings_, printer_device_.receiver, "QVCOposPrinter"),
               CommPortOpenError);
  EXPECT_FALSE(arbiter_->HasUsbDevice());
}

}  // namespace
