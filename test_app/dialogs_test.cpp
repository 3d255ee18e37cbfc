// The three dialogs of the printer page: capabilities, page-mode settings
// and bitmaps, opened from their buttons against the real service objects.
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <fstream>

#include "platform/image/bmp_test_writer.h"
#include "test_app/bitmap_process_dlg.h"
#include "test_app/page_mode_properties_dlg.h"
#include "test_app/properties_dlg.h"
#include "test_app/result_text.h"
#include "test_app/test_app_fixture.h"

namespace qvtestapp_test {
namespace {

using qvtestapp::ResultText;

TEST(CapabilityTextTest, MasksAreComparedAsWholeValues) {
  using namespace qvtestapp;
  struct Case {
    QString (*text)(int32_t);
    int32_t value;
    const char* expected;
  };
  const Case cases[] = {
      {ColorText, 1, "Primary"},
      {ColorText, 3, "Primary"},  // primary and the first custom colour
      {ColorText, 2, "Custom1"},
      {ColorText, 64, "Custom6"},
      {ColorText, 1024, "Yellow"},
      {ColorText, static_cast<int32_t>(0x80000000u), "Full"},
      {ColorText, 256 | 512, "Primary"},
      {CartridgeSensorText, 4, "Near end"},
      {CartridgeSensorText, 1 | 2, "None"},
      {MarkFeedText, 2, "Curter"},
      {MarkFeedText, 8, "Next top of form"},
      {MarkFeedText, 3, "None"},
      {RuledLineText, 2, "Vertical"},
      {RuledLineText, 3, "None"},
      {CharacterSetText, 997, "Unicode"},
      {CharacterSetText, 11, "Kanji"},
      {CharacterSetText, 2, ""},
      {BoolText, 0, "False"},
      {BoolText, -1, "True"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text(c.value), c.expected) << c.value;
}

TEST(PageModeSettingsTest, PrintAreaSplitsAtItsCommas) {
  struct Case {
    const char* area;
    int32_t x, y, width, height;
  };
  const Case cases[] = {
      {"", 0, 0, 0, 0},          {"10,20,300,400", 10, 20, 300, 400}, {"10,20", 10, 20, 0, 0},
      {"1,2,3,4,5", 1, 2, 3, 4},  // the last number is what follows the third comma
      {" 7, 8,x,9", 7, 8, 0, 9},
  };
  for (const Case& c : cases) {
    qvtestapp::PageModeSettings settings;
    settings.x = settings.y = settings.width = settings.height = -5;
    qvtestapp::SplitPrintArea(c.area, &settings);
    EXPECT_EQ(settings.x, c.x) << c.area;
    EXPECT_EQ(settings.y, c.y) << c.area;
    EXPECT_EQ(settings.width, c.width) << c.area;
    EXPECT_EQ(settings.height, c.height) << c.area;
  }
}

TEST(BitmapDialogTest, NibbleTextHasTwoCharactersPerByte) {
  EXPECT_EQ(qvtestapp::NibbleText(QByteArray("\x4d\x00\xff", 3)), "4=00??");
  const QByteArray bytes(1000, '\x42');
  EXPECT_EQ(qvtestapp::NibbleText(bytes).size(), 2000);
}

class DialogsTest : public TestAppTest {
 protected:
  void SetUp() override {
    TestAppTest::SetUp();
    RegisterServiceObjects();
    ConfigureDevices();
  }

  // A 64 x 32 BMP with a black frame, in the test's own folder.
  QString WriteBitmap() {
    qvplatform::BmpSpec spec;
    spec.width = 64;
    spec.height = 32;
    spec.pixel = [](int32_t x, int32_t y) {
      return (x < 2 || y < 2 || x > 61 || y > 29) ? 0x000000u : 0xFFFFFFu;
    };
    const std::vector<BYTE> bytes = qvplatform::MakeBmp(spec);
    const QString path = m_dir.filePath("frame.bmp");
    std::ofstream(path.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Raster pictures the printer received.
  int Rasters() {
    int count = 0;
    for (const qvvp::ParsedCommand& command : engine().commands()) {
      if (command.name == "GS v 0") ++count;
    }
    return count;
  }

  QTemporaryDir m_dir;
};

TEST_F(DialogsTest, CapabilitiesDialogShowsTheValueTexts) {
  EnablePrinter();
  bool checked = false;
  ASSERT_TRUE(WithModalDialog([&] { Click(PrinterPage(), "Properties"); },
                              [&](QDialog& dialog) {
                                EXPECT_EQ(dialog.windowTitle(), "Properties");
                                EXPECT_EQ(dialog.findChildren<QLineEdit*>().size(), 22);
                                EXPECT_EQ(Edit(&dialog, "CapCharacterSet").text(), "Kanji");
                                EXPECT_EQ(Edit(&dialog, "CapRecPresent").text(), "True");
                                EXPECT_EQ(Edit(&dialog, "CapRecColor").text(), "Primary");
                                EXPECT_EQ(Edit(&dialog, "CapRecItalic").text(), "False");
                                EXPECT_EQ(Edit(&dialog, "CapRecMarkFeed").text(), "None");
                                Click(&dialog, "Close");
                                EXPECT_FALSE(dialog.isVisible());
                                checked = true;
                              }));
  EXPECT_TRUE(checked);
}

TEST_F(DialogsTest, PageModeDialogReadsAnEmptyAreaAsZerosAndWritesTheSettings) {
  EnablePrinter();
  auto& control = PrinterControl();
  control.SetNumber(u"PageModeHorizontalPosition", 5);
  control.SetNumber(u"PageModePrintDirection", 3);
  MessageBoxes boxes;
  ASSERT_TRUE(WithModalDialog([&] { Click(PrinterPage(), "PageModeProperties"); },
                              [&](QDialog& dialog) {
                                EXPECT_EQ(dialog.windowTitle(), "PageModeProperties");
                                for (const char* field : {"X0:", "Y0:", "Width:", "Hight:"}) {
                                  EXPECT_EQ(Edit(&dialog, field).text(), "0") << field;
                                }
                                EXPECT_EQ(Edit(&dialog, "Horizontal Pos:").text(), "5");
                                EXPECT_EQ(List(&dialog, "Print Direction").currentText(),
                                          "RightToLeft");
                                Edit(&dialog, "X0:").setText("8");
                                Edit(&dialog, "Width:").setText("400");
                                Edit(&dialog, "Hight:").setText("600");
                                Edit(&dialog, "Vertical Pos:").setText("12");
                                Choose(List(&dialog, "Print Direction"), "TopToBottom");
                                Click(&dialog, "Setting");
                                EXPECT_FALSE(dialog.isVisible());
                              }));
  EXPECT_EQ(boxes.texts(), std::vector<QString>{"Set Success."});
  EXPECT_EQ(boxes.seen()[0].caption, "Info");
  EXPECT_EQ(control.GetString(u"PageModePrintArea"), "8,0,400,600");
  EXPECT_EQ(control.GetNumber(u"PageModeHorizontalPosition"), 5);
  EXPECT_EQ(control.GetNumber(u"PageModeVerticalPosition"), 12);
  EXPECT_EQ(control.GetNumber(u"PageModePrintDirection"), 4);
}

TEST_F(DialogsTest, PageModeDialogStaysOpenOnARefusedSettingAndWritesNothingAfterIt) {
  InstallFaultProxy();
  EnablePrinter();
  // The horizontal position (property index 8047) is refused.
  Fail(u"SetPropertyNumber", u"8047", 106);
  MessageBoxes boxes;
  ASSERT_TRUE(WithModalDialog([&] { Click(PrinterPage(), "PageModeProperties"); },
                              [&](QDialog& dialog) {
                                Click(&dialog, "Setting");
                                EXPECT_TRUE(dialog.isVisible());
                              }));
  ASSERT_EQ(boxes.texts(), std::vector<QString>{ResultText(106)});
  EXPECT_EQ(boxes.seen()[0].caption, "Info");
  EXPECT_EQ(ServiceCalls(u"SetPropertyString", u"0,0,0,0"), 1);
  EXPECT_EQ(ServiceCalls(u"SetPropertyNumber", u"8050"), 0);  // the vertical position
  EXPECT_EQ(ServiceCalls(u"SetPropertyNumber", u"8048"), 0);  // the direction
}

TEST_F(DialogsTest, BitmapDialogSetsPrintsAndPrintsFromMemory) {
  EnablePrinter();
  const QString bitmap = WriteBitmap();
  auto& control = PrinterControl();
  const int32_t lineWidth = control.GetNumber(u"RecLineWidth");
  MessageBoxes boxes;
  ASSERT_TRUE(WithModalDialog(
      [&] { Click(PrinterPage(), "Bitmap Process"); },
      [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Bitmap Process");
        EXPECT_EQ(List(&dialog, "Bitmap Index:").currentText(), "1");
        EXPECT_EQ(List(&dialog, "Bitmap Index:").count(), 20);
        EXPECT_EQ(List(&dialog, "Alignment:").currentText(), "BM_LEFT");
        EXPECT_EQ(Edit(&dialog, "Width:").text(), QString::number(lineWidth / 3));

        // An empty file name is refused before any call.
        for (const char* button : {"Set Bitmap", "Print Bitmap", "Print Memery Bitmap"}) {
          Click(&dialog, button);
        }
        ASSERT_EQ(boxes.seen().size(), 3u);
        for (const auto& box : boxes.seen()) {
          EXPECT_EQ(box.text, "Please Select File,The file name can't be empty");
          EXPECT_EQ(box.caption, "Info");
        }

        // Index 20 prints its text line and ESC|20B.
        engine().ClearRecord();
        Choose(List(&dialog, "Bitmap Index:"), "20");
        Click(&dialog, "Print Set Bitmap");
        EXPECT_TRUE(engine().WaitFor(
            [&] { return Printed().find("Call Set Bitmap Index num 20\n") != std::string::npos; },
            5000));

        // A stored bitmap prints after its line.
        Edit(&dialog, "File Name:").setText(bitmap);
        Choose(List(&dialog, "Bitmap Index:"), "3");
        Click(&dialog, "Set Bitmap");
        engine().ClearRecord();
        Click(&dialog, "Print Set Bitmap");
        EXPECT_TRUE(engine().WaitFor([&] { return Rasters() == 1; }, 5000));

        Click(&dialog, "Print Bitmap");
        EXPECT_TRUE(engine().WaitFor([&] { return Rasters() == 2; }, 5000));

        Click(&dialog, "Print Memery Bitmap");
        EXPECT_TRUE(engine().WaitFor([&] { return Rasters() == 3; }, 5000));
        EXPECT_EQ(control.GetNumber(u"BinaryConversion"), 0);
        EXPECT_EQ(boxes.seen().size(), 3u) << boxes.texts().back().toStdString();

        // An unreadable file is reported before BinaryConversion is touched.
        Edit(&dialog, "File Name:").setText(m_dir.filePath("missing.bmp"));
        Click(&dialog, "Print Memery Bitmap");
        EXPECT_EQ(boxes.texts().back(), "Cannot open bitmap file.");
      }));
}

TEST_F(DialogsTest, MemoryBitmapFailureShowsBothCodesAndResetsTheConversion) {
  InstallFaultProxy();
  EnablePrinter();
  const QString bitmap = WriteBitmap();
  QFile file(bitmap);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString nibbles = qvtestapp::NibbleText(file.readAll());
  // Any PrintMemoryBitmap fails; its data must be the 2n-character nibble text.
  Fail(u"PrintMemoryBitmap", u"", 111);
  MessageBoxes boxes;
  ASSERT_TRUE(WithModalDialog([&] { Click(PrinterPage(), "Bitmap Process"); },
                              [&](QDialog& dialog) {
                                Edit(&dialog, "File Name:").setText(bitmap);
                                Click(&dialog, "Print Memery Bitmap");
                              }));
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_TRUE(
      boxes.texts()[0].startsWith("Cannot use a POS Printer\nResultCode = 111\n"
                                  "ResultCodeExtended = "))
      << boxes.texts()[0].toStdString();
  EXPECT_EQ(PrinterControl().GetNumber(u"BinaryConversion"), 0);
  // The data went out as the file's nibble text ("BM" is "424=").
  ASSERT_TRUE(nibbles.startsWith("424="));
  EXPECT_EQ(ServiceCalls(u"PrintMemoryBitmap", reinterpret_cast<const char16_t*>(nibbles.utf16())),
            1);
}

TEST_F(DialogsTest, OpenChoosesAnExistingFileThroughTheBitmapChooser) {
  const QString bitmap = WriteBitmap();
  const std::unique_ptr<QFileDialog> chooser = qvtestapp::NewOpenBitmapChooser(nullptr);
  EXPECT_EQ(chooser->windowTitle(), "Open Bitmap");
  EXPECT_EQ(chooser->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(
      chooser->nameFilters(),
      QStringList({"Bitmap files (*.bmp)", "image files(*.jpg) (*.jpg)", "All Files(*.*) (*)"}));
  EXPECT_TRUE(chooser->testOption(QFileDialog::HideNameFilterDetails));

  EnablePrinter();
  ASSERT_TRUE(WithModalDialog([&] { Click(PrinterPage(), "Bitmap Process"); },
                              [&](QDialog& dialog) {
                                const bool chosen = WithModalDialog(
                                    [&] { Click(&dialog, "Open"); },
                                    [&](QDialog& files) {
                                      auto* fileDialog = qobject_cast<QFileDialog*>(&files);
                                      ASSERT_NE(fileDialog, nullptr);
                                      fileDialog->setDirectory(m_dir.path());
                                      fileDialog->selectFile(bitmap);
                                      files.accept();
                                    });
                                EXPECT_TRUE(chosen);
                                EXPECT_EQ(Edit(&dialog, "File Name:").text(), bitmap);
                              }));
}

}  // namespace
}  // namespace qvtestapp_test
