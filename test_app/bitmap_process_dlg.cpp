#include "test_app/bitmap_process_dlg.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QPushButton>

#include "common/gui/message_box.h"
#include "test_app/dialog_widgets.h"
#include "test_app/enter_key_filter.h"
#include "test_app/guarded_call.h"
#include "test_app/print_format.h"
#include "test_app/result_text.h"

namespace qvtestapp {
namespace {

constexpr int32_t kStation = 2;   // PTR_S_RECEIPT
constexpr int32_t kBmtBmp = 1;    // PTR_BMT_BMP
constexpr int32_t kBcNibble = 1;  // OPOS_BC_NIBBLE
constexpr int32_t kBcNone = 0;    // OPOS_BC_NONE
constexpr int kBitmapIndexes = 20;

QPushButton* NewButton(const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setAutoDefault(false);
  return button;
}

// Puts BinaryConversion back to none however the print ends.
class CNibbleConversion {
 public:
  explicit CNibbleConversion(COposControl& control) : m_control(control) {
    m_control.SetNumber(u"BinaryConversion", kBcNibble);
  }
  ~CNibbleConversion() {
    try {
      m_control.SetNumber(u"BinaryConversion", kBcNone);
    } catch (const CAutomationException&) {
      // Already reported by the call that failed first.
    }
  }
  CNibbleConversion(const CNibbleConversion&) = delete;
  CNibbleConversion& operator=(const CNibbleConversion&) = delete;

 private:
  COposControl& m_control;
};

}  // namespace

QString NibbleText(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += QChar(0x30 + (byte >> 4));
    text += QChar(0x30 + (byte & 0x0F));
  }
  return text;
}

std::unique_ptr<QFileDialog> NewOpenBitmapChooser(QWidget* parent) {
  auto chooser = std::make_unique<QFileDialog>(parent, QStringLiteral("Open Bitmap"));
  chooser->setAcceptMode(QFileDialog::AcceptOpen);
  chooser->setFileMode(QFileDialog::ExistingFile);
  chooser->setOption(QFileDialog::DontUseNativeDialog);
  chooser->setOption(QFileDialog::HideNameFilterDetails);
  chooser->setNameFilters({QStringLiteral("Bitmap files (*.bmp)"),
                           QStringLiteral("image files(*.jpg) (*.jpg)"),
                           QStringLiteral("All Files(*.*) (*)")});
  return chooser;
}

CBitmapProcessDlg::CBitmapProcessDlg(COPOSPOSPrinter1& control, QWidget* parent)
    : QDialog(parent), m_control(control) {
  setWindowTitle(QStringLiteral("Bitmap Process"));
  QStringList indexes;
  for (int i = 1; i <= kBitmapIndexes; ++i) indexes << QString::number(i);
  m_index = NewList(indexes, this);
  m_fileName = new QLineEdit(this);
  m_width = NewDigitsEdit(this);
  m_alignment = NewList(
      {QStringLiteral("BM_LEFT"), QStringLiteral("BM_CENTER"), QStringLiteral("BM_RIGHT")}, this);
  QPushButton* open = NewButton(QStringLiteral("Open"), this);
  QPushButton* setBitmap = NewButton(QStringLiteral("Set Bitmap"), this);
  QPushButton* printSetBitmap = NewButton(QStringLiteral("Print Set Bitmap"), this);
  QPushButton* printBitmap = NewButton(QStringLiteral("Print Bitmap"), this);
  QPushButton* printMemoryBitmap = NewButton(QStringLiteral("Print Memery Bitmap"), this);

  auto* grid = new QGridLayout(this);
  AddLabelled(grid, 0, 0, QStringLiteral("Bitmap Index:"), m_index);
  AddLabelled(grid, 1, 0, QStringLiteral("File Name:"), m_fileName, 2);
  grid->addWidget(open, 1, 3);
  AddLabelled(grid, 2, 0, QStringLiteral("Width:"), m_width);
  AddLabelled(grid, 3, 0, QStringLiteral("Alignment:"), m_alignment);
  grid->addWidget(setBitmap, 4, 0);
  grid->addWidget(printSetBitmap, 4, 1);
  grid->addWidget(printBitmap, 4, 2);
  grid->addWidget(printMemoryBitmap, 4, 3);
  grid->setColumnStretch(1, 1);

  m_index->setCurrentIndex(0);
  m_alignment->setCurrentIndex(0);
  m_width->setText(QString::number(m_control.GetNumber(u"RecLineWidth") / 3));

  connect(open, &QPushButton::clicked, this, &CBitmapProcessDlg::OnOpen);
  connect(setBitmap, &QPushButton::clicked, this, &CBitmapProcessDlg::OnSetBitmap);
  connect(printSetBitmap, &QPushButton::clicked, this, &CBitmapProcessDlg::OnPrintSetBitmap);
  connect(printBitmap, &QPushButton::clicked, this, &CBitmapProcessDlg::OnPrintBitmap);
  connect(printMemoryBitmap, &QPushButton::clicked, this, &CBitmapProcessDlg::OnPrintMemoryBitmap);
  SwallowEnterKey(this);
}

int32_t CBitmapProcessDlg::Alignment() const { return -(m_alignment->currentIndex() + 1); }

bool CBitmapProcessDlg::FileNameGiven() {
  if (!m_fileName->text().isEmpty()) return true;
  qvgui::ShowMessageBox(this, QStringLiteral("Please Select File,The file name can't be empty"),
                        QStringLiteral("Info"));
  return false;
}

void CBitmapProcessDlg::ShowFailure(int32_t resultCode) {
  if (resultCode != 0) qvgui::ShowMessageBox(this, ResultText(resultCode), QStringLiteral("Info"));
}

void CBitmapProcessDlg::OnOpen() {
  std::unique_ptr<QFileDialog> chooser = NewOpenBitmapChooser(this);
  if (chooser->exec() != QDialog::Accepted || chooser->selectedFiles().isEmpty()) return;
  m_fileName->setText(QFileInfo(chooser->selectedFiles().first()).absoluteFilePath());
}

void CBitmapProcessDlg::OnSetBitmap() {
  if (!FileNameGiven()) return;
  GuardedCall(this, [&] {
    ShowFailure(m_control.Call(u"SetBitmap",
                               {m_index->currentIndex() + 1, kStation, ToU16(m_fileName->text()),
                                Wtoi(m_width->text()), Alignment()}));
  });
}

void CBitmapProcessDlg::OnPrintSetBitmap() {
  GuardedCall(this, [&] {
    const QString n = m_index->currentText();
    const QString text =
        QStringLiteral("Call Set Bitmap Index num ") + n + u'\n' + QChar(kEsc) + u'|' + n + u'B';
    ShowFailure(m_control.Call(u"PrintNormal", {kStation, ToU16(text)}));
  });
}

void CBitmapProcessDlg::OnPrintBitmap() {
  if (!FileNameGiven()) return;
  GuardedCall(this, [&] {
    ShowFailure(m_control.Call(
        u"PrintBitmap", {kStation, ToU16(m_fileName->text()), Wtoi(m_width->text()), Alignment()}));
  });
}

void CBitmapProcessDlg::OnPrintMemoryBitmap() {
  if (!FileNameGiven()) return;
  QFile file(m_fileName->text());
  if (!file.open(QIODevice::ReadOnly)) {
    qvgui::ShowMessageBox(this, QStringLiteral("Cannot open bitmap file."),
                          QString::fromUtf16(kProgramTitle));
    return;
  }
  const QString data = NibbleText(file.readAll());
  GuardedCall(this, [&] {
    CNibbleConversion conversion(m_control);
    const int32_t rc = m_control.Call(
        u"PrintMemoryBitmap", {kStation, ToU16(data), kBmtBmp, Wtoi(m_width->text()), Alignment()});
    if (rc == 0) return;
    const int32_t extended = m_control.GetResultCodeExtended();
    qvgui::ShowMessageBox(this,
                          QStringLiteral("Cannot use a POS Printer\nResultCode = %1"
                                         "\nResultCodeExtended = %2")
                              .arg(rc)
                              .arg(extended),
                          QString::fromUtf16(kProgramTitle));
  });
}

}  // namespace qvtestapp
