// The printer page against the real service objects and the virtual
// printer, over TCP and over a pseudo-terminal COM port.
#include "test_app/printer_dlg.h"

#include <QCheckBox>

#include "test_app/opos_control.h"
#include "test_app/print_format.h"
#include "test_app/result_text.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

using qvtestapp::ResultText;

class PrinterPageTest : public TestAppTest, public ::testing::WithParamInterface<Transport> {
 protected:
  void SetUp() override {
    TestAppTest::SetUp();
    RegisterServiceObjects();
    ConfigureDevices(GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Transports, PrinterPageTest,
                         ::testing::Values(Transport::kTcp, Transport::kSerial),
                         [](const auto& info) {
                           return info.param == Transport::kTcp ? "Tcp" : "SerialPty";
                         });

TEST_P(PrinterPageTest, PageStartsClosedWithOnlyOpenEnabled) {
  QWidget* page = PrinterPage();
  EXPECT_EQ(List(page, "LAN:").currentText(), "Front");
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  for (const char* caption :
       {"Cliam", "Close", "Release", "Properties", "DeviceEnable", "BeginTransation",
        "EndTransation", "PrintNormal", "Print Receipt", "PageModeProperties", "Cover Open"}) {
    EXPECT_FALSE(Button(page, caption).isEnabled()) << caption;
  }
  EXPECT_EQ(List(page, "Size").currentText(), "SignalHighAndWide");
  EXPECT_EQ(List(page, "Symbology").currentText(), "UPCA");
  EXPECT_EQ(List(page, "Rotation").currentIndex(), -1);
  EXPECT_EQ(List(page, "Page Mode").currentIndex(), -1);
  EXPECT_FALSE(Button(page, "Paper Near Empty").isVisible());
}

TEST_P(PrinterPageTest, PrintNormalSendsTheFormattedTextAsTheServiceObjectTranslatesIt) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Edit(page, "Text").setText("ABC");
  Button(page, "Bold").setChecked(true);
  Button(page, "Underline").setChecked(false);
  Choose(List(page, "Alignment"), "Center");
  Choose(List(page, "Size"), "DoubleWide");
  engine().ClearRecord();
  Click(page, "PrintNormal");
  EXPECT_EQ(Output(page), "PrintNormal:Success");
  ASSERT_TRUE(engine().WaitFor([&] { return Printed().find("ABC\n") != std::string::npos; }, 5000));
  const std::string fromPage = Printed();

  // The same text handed to the control object directly reaches the printer
  // as the same bytes: the page sent ESC|bC ESC|!uC ESC|cA ESC|2C ESC|0fT.
  engine().ClearRecord();
  const std::u16string expected = u"\x1b|bC\x1b|!uC\x1b|cA\x1b|2C\x1b|0fTABC\n";
  ASSERT_EQ(PrinterControl().Call(u"PrintNormal", {2, expected}), 0);
  ASSERT_TRUE(engine().WaitFor([&] { return Printed().find("ABC\n") != std::string::npos; }, 5000));
  EXPECT_EQ(fromPage, Printed());
}

TEST_P(PrinterPageTest, EmptyTextIsRefusedBeforeAnyCall) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  MessageBoxes boxes;
  for (const char* caption : {"PrintNormal", "PrintImmediate", "ValidateData", "PrintBarcode"}) {
    Click(page, caption);
  }
  ASSERT_EQ(boxes.seen().size(), 4u);
  for (const auto& box : boxes.seen()) {
    EXPECT_EQ(box.text, "The input text cann't be empty");
    EXPECT_EQ(box.caption, "Info");
  }
  Edit(page, "Text").setText("123");
  Click(page, "PrintBarcode");
  Edit(page, "Hight:").setText("50");
  Click(page, "PrintBarcode");
  ASSERT_EQ(boxes.seen().size(), 6u);
  EXPECT_EQ(boxes.seen()[4].text, "Please Input BarCode Hight");
  EXPECT_EQ(boxes.seen()[5].text, "Please Input BarCode Width");
  EXPECT_EQ(Output(page), "Device Enable:Success");
}

TEST_P(PrinterPageTest, EverySymbologyReachesThePrinterAsItsBarcodeCommand) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Choose(List(page, "MapMode"), "PTR_MM_DOTS");
  Edit(page, "Hight:").setText("80");
  Edit(page, "Width:").setText("3");
  struct Case {
    const char* item;
    const char* data;
    std::string command;  // the bytes that must reach the printer
  };
  const auto gsK = [](char m, const std::string& data) {
    return std::string("\x1d\x6b") + m + static_cast<char>(data.size()) + data;
  };
  const Case cases[] = {
      {"UPCA", "12345678901", gsK('\x41', "12345678901")},
      {"UPCE", "01234567890", gsK('\x42', "01234567890")},
      {"EAN13", "4901234567894", gsK('\x43', "4901234567894")},
      {"EAN8", "49012347", gsK('\x44', "49012347")},
      {"CODE39", "QV123", gsK('\x45', "QV123")},
      {"I25", "1234567890", gsK('\x46', "1234567890")},
      {"CODABAR", "A12345B", gsK('\x47', "A12345B")},
      {"CODE93", "QV93", gsK('\x48', "QV93")},
      {"CODE128", "QV128", gsK('\x49', "{AQV128")},
      {"QR", "QV OPOS QR", std::string("\x1d(k\x0d\x00\x31\x50\x30QV OPOS QR", 16)},
      {"PDF417", "QV PDF", std::string("\x1bZ\x01\x03\x02\x06\x00QV PDF", 13)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    engine().ClearRecord();
    Choose(List(page, "Symbology"), c.item);
    Edit(page, "Text").setText(c.data);
    Click(page, "PrintBarcode");
    EXPECT_EQ(Output(page), "PrintBarCode:Success");
    EXPECT_TRUE(
        engine().WaitFor([&] { return Stream().find(c.command) != std::string::npos; }, 5000));
  }
}

TEST_P(PrinterPageTest, RotatePrintWhileDisabledDoesNothingAtAll) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Choose(List(page, "Rotation"), "Left90");
  // Disabled, and clicked before the poll disables the button.
  Click(page, "DeviceEnable");
  ASSERT_FALSE(Button(page, "DeviceEnable").isChecked());
  ASSERT_EQ(Output(page), "Device Enable:Success");
  Click(page, "RotatePrint");
  EXPECT_EQ(Output(page), "Device Enable:Success");
  EXPECT_TRUE(Button(page, "Print Receipt").isEnabled());
  EXPECT_TRUE(WaitFor([&] { return !Button(page, "RotatePrint").isEnabled(); }));
}

TEST_P(PrinterPageTest, RotationsSwitchTheControlsThatPrintOnlyUpright) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  const char* const upright[] = {"DirectIO", "Print Receipt", "CheckHealth", "Bitmap Process"};
  const char* const pageMode[] = {"PageModePrint", "PageModeProperties"};

  Choose(List(page, "Rotation"), "Rotate180");
  Click(page, "RotatePrint");
  EXPECT_EQ(Output(page), "Rotate Rotate180:Success");
  for (const char* c : upright) EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  for (const char* c : pageMode) EXPECT_TRUE(Button(page, c).isEnabled()) << c;

  Choose(List(page, "Rotation"), "Right90");
  Click(page, "RotatePrint");
  EXPECT_EQ(Output(page), "Rotate Right90:Success");
  for (const char* c : pageMode) EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  EXPECT_FALSE(List(page, "Page Mode").isEnabled());

  Choose(List(page, "Rotation"), "Normal");
  Click(page, "RotatePrint");
  EXPECT_EQ(Output(page), "Rotate Normal:Success");
  for (const char* c : upright) EXPECT_TRUE(Button(page, c).isEnabled()) << c;
  for (const char* c : pageMode) EXPECT_TRUE(Button(page, c).isEnabled()) << c;
  EXPECT_TRUE(List(page, "Page Mode").isEnabled());
}

TEST_P(PrinterPageTest, TransactionButtonsSwitchEachOther) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  const char* const excluded[] = {"BeginTransation", "PageModePrint", "PageModeProperties",
                                  "DirectIO",        "Print Receipt", "CheckHealth"};
  ASSERT_TRUE(Button(page, "BeginTransation").isEnabled());
  ASSERT_FALSE(Button(page, "EndTransation").isEnabled());
  Click(page, "BeginTransation");
  EXPECT_EQ(Output(page), "BeginTransation:Success");
  for (const char* c : excluded) EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  EXPECT_FALSE(List(page, "Page Mode").isEnabled());
  EXPECT_TRUE(Button(page, "EndTransation").isEnabled());

  Edit(page, "Text").setText("in a transaction");
  Click(page, "PrintNormal");
  Click(page, "EndTransation");
  EXPECT_EQ(Output(page), "EndTransation:Success");
  for (const char* c : excluded) EXPECT_TRUE(Button(page, c).isEnabled()) << c;
  EXPECT_FALSE(Button(page, "EndTransation").isEnabled());
  EXPECT_TRUE(engine().WaitFor(
      [&] { return Stream().find("in a transaction\n") != std::string::npos; }, 5000));
}

TEST_P(PrinterPageTest, PageModePrintItemsAndTheirSwitching) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  MessageBoxes boxes;
  Click(page, "PageModePrint");  // nothing chosen yet
  ASSERT_EQ(boxes.texts(), std::vector<QString>{"Please Select Page Mode Type"});
  EXPECT_EQ(boxes.seen()[0].caption, "Info");

  struct Step {
    const char* item;
    const char* output;
    bool rotationEnabled;
  };
  const Step steps[] = {
      {"PM_PAGE_MODE", "Enter PageMode:Success", false},
      {"PM_PRINT_SAVE", "Page Mode Print Save:Success", false},
      {"PM_NORMAL", "Page Mode Print And Exit:Success", true},
      {"PM_PAGE_MODE", "Enter PageMode:Success", false},
      {"PM_CANCEL", "Cancel Page Mode:Success", true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.item);
    Choose(List(page, "Page Mode"), step.item);
    Click(page, "PageModePrint");
    EXPECT_EQ(Output(page), step.output);
    EXPECT_EQ(Button(page, "RotatePrint").isEnabled(), step.rotationEnabled);
    EXPECT_EQ(List(page, "Rotation").isEnabled(), step.rotationEnabled);
    EXPECT_EQ(Button(page, "BeginTransation").isEnabled(), step.rotationEnabled);
  }
}

TEST_P(PrinterPageTest, StatusEventsCheckAndClearTheBoxesAndClicksAreUndone) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  QAbstractButton& cover = Button(page, "Cover Open");
  QAbstractButton& paperOut = Button(page, "Paper Out");
  QAbstractButton& nearEmpty = Button(page, "Paper Near Empty");

  engine().SetCoverOpen(true);
  EXPECT_TRUE(WaitFor([&] { return cover.isChecked(); }));
  engine().SetCoverOpen(false);
  EXPECT_TRUE(WaitFor([&] { return !cover.isChecked(); }));

  // Paper near its end (25) changes nothing; the hidden box is only cleared.
  auto& control = PrinterControl();
  emit control.StatusUpdateEvent(25);
  EXPECT_FALSE(nearEmpty.isChecked());
  EXPECT_FALSE(paperOut.isChecked());

  engine().SetPaperEnd(true);
  EXPECT_TRUE(WaitFor([&] { return paperOut.isChecked(); }));
  cover.click();
  paperOut.click();
  EXPECT_FALSE(cover.isChecked());
  EXPECT_TRUE(paperOut.isChecked());
  engine().SetPaperEnd(false);
  EXPECT_TRUE(WaitFor([&] { return !paperOut.isChecked(); }));
}

TEST_P(PrinterPageTest, CloseWhileEnabledSucceedsAndReturnsToTheClosedState) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Click(page, "Close");
  EXPECT_EQ(Output(page), "Close:Success");
  EXPECT_TRUE(Button(page, "Open").isEnabled());
  for (const char* c : {"Cliam", "Close", "Release", "Properties", "DeviceEnable", "PrintNormal",
                        "EndTransation"}) {
    EXPECT_FALSE(Button(page, c).isEnabled()) << c;
  }
  EXPECT_FALSE(Button(page, "DeviceEnable").isChecked());
  // It opens again.
  Click(page, "Open");
  EXPECT_EQ(Output(page), "OPen:Success");
}

TEST_P(PrinterPageTest, CheckHealthPrintsItsTextAndDirectIOItsTestLine) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  auto& control = PrinterControl();
  Click(page, "CheckHealth");
  const QString health = control.GetString(u"CheckHealthText");
  EXPECT_FALSE(health.isEmpty());
  EXPECT_EQ(Output(page), health);
  EXPECT_TRUE(engine().WaitFor(
      [&] { return Stream().find(health.toStdString() + "\n") != std::string::npos; }, 5000));

  Click(page, "DirectIO");
  EXPECT_EQ(Output(page), "Direct IO:Success");
  EXPECT_TRUE(engine().WaitFor(
      [&] {
        const std::string s = Stream();
        const size_t bytes = s.find(std::string("\x1b\x61\x01", 3));
        return bytes != std::string::npos &&
               s.find("DirectIO Test\r\n", bytes) != std::string::npos;
      },
      5000));
}

TEST_P(PrinterPageTest, MapModeFollowsTheListAndThePageReadsItOnOpen) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  auto& control = PrinterControl();
  EXPECT_EQ(List(page, "MapMode").currentIndex(), control.GetNumber(u"MapMode") - 1);
  Choose(List(page, "MapMode"), "PTR_MM_ENGLISH");
  EXPECT_EQ(control.GetNumber(u"MapMode"), 3);
  Choose(List(page, "MapMode"), "PTR_MM_METRIC");
  EXPECT_EQ(control.GetNumber(u"MapMode"), 4);
}

TEST_P(PrinterPageTest, ReleaseAndClaimAgain) {
  EnablePrinter();
  QWidget* page = PrinterPage();
  Click(page, "Release");
  EXPECT_EQ(Output(page), "Release:Success");
  EXPECT_FALSE(Button(page, "DeviceEnable").isChecked());
  EXPECT_FALSE(Button(page, "Release").isEnabled());
  EXPECT_TRUE(WaitFor([&] { return !Button(page, "PrintNormal").isEnabled(); }));
  Click(page, "Cliam");
  EXPECT_EQ(Output(page), "Claim:Success");
  // Enabling needs a claim: a failed enable shows its result text.
  Click(page, "Release");
  Click(page, "DeviceEnable");
  EXPECT_EQ(Output(page), ResultText(103));
  EXPECT_FALSE(Button(page, "DeviceEnable").isChecked());
}

}  // namespace
}  // namespace qvtestapp_test
