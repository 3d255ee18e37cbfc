// Status images reaching the printer (ProcessCommData) and the status
// updates and properties they produce. The printer is enabled on a network
// device whose printer is not there, so nothing but the images under test
// reaches it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"
#include "platform/com/bstr.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "service_object/core/stand_in_control_object.h"
#include "service_object/printer/opos_printer.h"
#include "test_support/temp_prefix.h"

namespace {

constexpr char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Offline";

void SetString(const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDeviceKey, KEY_WRITE, handle.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

std::string Image(std::initializer_list<int> bytes) {
  std::string image;
  for (int b : bytes) image.push_back(static_cast<char>(b));
  return image;
}

class PrinterStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qvplatform::SetTimeScaleForTesting(0.01);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    SetString("Model", "80");
    SetString("IOType", "ENet");
    SetString("EthIPAddr", "127.0.0.1");  // nothing listens on 9100 there in tests
    ASSERT_EQ(
        QVCOposPrinter::CreateInstance(nullptr, IID_IOposPrinter, reinterpret_cast<void**>(&m_itf)),
        S_OK);
    m_printer = static_cast<QVCOposPrinter*>(m_itf);
    qvplatform::Bstr deviceClass(u"POSPrinter");
    qvplatform::Bstr deviceName(u"Offline");
    LONG rc = -1;
    m_itf->OpenService(deviceClass.get(), deviceName.get(), &m_control, &rc);
    ASSERT_EQ(rc, 0);
    m_itf->ClaimDevice(1000, &rc);
    ASSERT_EQ(rc, 0);
    m_itf->SetPropertyNumber(3, 1);
    ASSERT_EQ(Number(3), 1);
  }

  void TearDown() override {
    LONG rc = -1;
    if (m_itf != nullptr) {
      m_itf->CloseService(&rc);
      m_itf->Release();
    }
    CoUninitialize();
  }

  LONG Number(LONG index) {
    LONG value = -1;
    m_itf->GetPropertyNumber(index, &value);
    return value;
  }

  std::vector<LONG> Updates() {
    std::vector<LONG> values;
    for (const auto& callback : m_control.Callbacks()) {
      if (callback.name == u"SOStatusUpdate") values.push_back(callback.value);
    }
    return values;
  }

  // Waits until `count` status updates have been delivered.
  bool WaitForUpdates(size_t count) {
    return qvplatform::PumpUntil([&] { return Updates().size() >= count; }, 5000);
  }

  TempPrefix m_prefix;
  CStandInControlObject m_control;
  IOposPrinter* m_itf = nullptr;
  QVCOposPrinter* m_printer = nullptr;
};

TEST_F(PrinterStatusTest, CoverAndPaperChangesRaiseTheirUpdates) {
  struct Step {
    std::string image;
    std::vector<LONG> raised;
    LONG coverOpen;
    LONG recEmpty;
  };
  const Step steps[] = {
      {Image({0x16, 0x12, 0x00, 0x12}), {12, 26}, 0, 0},
      {Image({0x16, 0x16, 0x00, 0x12}), {11}, 1, 0},
      {Image({0x16, 0x16, 0x00, 0x72}), {24}, 1, 1},
      {Image({0x16, 0x12, 0x00, 0x12}), {12, 26}, 0, 0},
  };
  std::vector<LONG> expected;
  for (const Step& step : steps) {
    m_printer->ProcessCommData(step.image);
    expected.insert(expected.end(), step.raised.begin(), step.raised.end());
    ASSERT_TRUE(WaitForUpdates(expected.size()));
    EXPECT_EQ(Updates(), expected);
    EXPECT_EQ(Number(8003), step.coverOpen);
    EXPECT_EQ(Number(8014), step.recEmpty);
    EXPECT_EQ(Number(8021), 0);  // RecNearEnd is never raised
  }
}

TEST_F(PrinterStatusTest, NearEndAndShortImagesRaiseNothing) {
  m_printer->ProcessCommData(Image({0x16, 0x12, 0x00, 0x12}));
  ASSERT_TRUE(WaitForUpdates(2));
  m_printer->ProcessCommData(Image({0x16, 0x12, 0x00, 0x1E}));  // near end bits 0C
  m_printer->ProcessCommData(Image({0x16, 0x16, 0x00}));        // three bytes: dropped
  m_printer->ProcessCommData(Image({0x16, 0x16, 0x00, 0x1E}));  // cover opens
  ASSERT_TRUE(WaitForUpdates(3));
  EXPECT_EQ(Updates(), (std::vector<LONG>{12, 26, 11}));
  EXPECT_EQ(Number(8021), 0);
  EXPECT_EQ(Number(8014), 0);
}

TEST_F(PrinterStatusTest, FrozenControlObjectHoldsStatusUpdatesUntilReenabled) {
  LONG rc = -1;
  m_itf->COFreezeEvents(VARIANT_TRUE, &rc);
  ASSERT_EQ(rc, 0);
  m_printer->ProcessCommData(Image({0x16, 0x12, 0x00, 0x12}));
  // Unfreezing does not re-enable status updates; the next enable does.
  m_itf->COFreezeEvents(VARIANT_FALSE, &rc);
  qvplatform::PumpUntil([] { return false; }, 50);
  EXPECT_TRUE(Updates().empty());
  m_itf->SetPropertyNumber(3, 0);
  m_itf->SetPropertyNumber(3, 1);
  ASSERT_TRUE(WaitForUpdates(2));
  EXPECT_EQ(Updates(), (std::vector<LONG>{12, 26}));
}

}  // namespace
