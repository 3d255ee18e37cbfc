// CBitmapProcessDlg: the "Bitmap Process" dialog of the printer page. It
// stores a bitmap file under an index (SetBitmap), prints a stored bitmap
// through the escape sequence ESC|nB, prints a file (PrintBitmap), and
// prints a file's bytes handed over as text in nibble form
// (PrintMemoryBitmap with BinaryConversion 1, reset to 0 afterwards
// whatever happened). An empty file name is refused before any call.
//
// GUI thread only; modal, created per use. Control-object calls may throw
// CAutomationException (from the constructor).
#ifndef QV_TEST_APP_BITMAP_PROCESS_DLG_H_
#define QV_TEST_APP_BITMAP_PROCESS_DLG_H_

#include <QByteArray>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <memory>

#include "test_app/opos_control.h"

class QFileDialog;

namespace qvtestapp {

// Each byte as two characters, 0x30 plus its high four bits, then 0x30 plus
// its low four bits (the nibble form of BinaryConversion).
QString NibbleText(const QByteArray& bytes);

// The file chooser of "Open": an existing file, titled "Open Bitmap", with
// the filters "Bitmap files", "image files(*.jpg)" and "All Files(*.*)".
std::unique_ptr<QFileDialog> NewOpenBitmapChooser(QWidget* parent);

class CBitmapProcessDlg : public QDialog {
  Q_OBJECT

 public:
  CBitmapProcessDlg(COPOSPOSPrinter1& control, QWidget* parent = nullptr);

 private:
  void OnOpen();
  void OnSetBitmap();
  void OnPrintSetBitmap();
  void OnPrintBitmap();
  void OnPrintMemoryBitmap();
  bool FileNameGiven();  // refuses an empty file name with a message
  void ShowFailure(int32_t resultCode);
  int32_t Alignment() const;

  COPOSPOSPrinter1& m_control;
  QComboBox* m_index;
  QLineEdit* m_fileName;
  QLineEdit* m_width;
  QComboBox* m_alignment;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_BITMAP_PROCESS_DLG_H_
