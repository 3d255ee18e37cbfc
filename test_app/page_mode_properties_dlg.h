// The page-mode settings of the printer page: ReadPageModeSettings reads
// them from the printer control object, CPageModePropertiesDlg
// ("PageModeProperties") shows them for editing and, on "Setting", writes
// them back and ends with "Set Success." when every setting took. A setting
// the control object refuses is reported with its result text and the
// dialog stays open for a correction; settings after the refused one are
// not written. The window's close box cancels.
//
// GUI thread only; modal, created per use. Control-object calls may throw
// CAutomationException.
#ifndef QV_TEST_APP_PAGE_MODE_PROPERTIES_DLG_H_
#define QV_TEST_APP_PAGE_MODE_PROPERTIES_DLG_H_

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <cstdint>

#include "test_app/opos_control.h"

namespace qvtestapp {

struct PageModeSettings {
  int32_t x = 0;  // PageModePrintArea
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t horizontal = 0;  // PageModeHorizontalPosition
  int32_t vertical = 0;    // PageModeVerticalPosition
  int directionItem = 0;   // 0 LeftToRight, 1 BottomToTop, 2 RightToLeft, 3 TopToBottom
};

// Splits "x,y,width,height" at its commas (the last number is what follows
// the third comma); missing or empty parts read 0.
void SplitPrintArea(const QString& area, PageModeSettings* settings);

PageModeSettings ReadPageModeSettings(COposControl& control);

class CPageModePropertiesDlg : public QDialog {
  Q_OBJECT

 public:
  CPageModePropertiesDlg(const PageModeSettings& settings, COposControl& control,
                         QWidget* parent = nullptr);

 private:
  void OnSetting();
  // Whether the last setting took; shows its result text when not.
  bool Took();

  COposControl& m_control;
  QLineEdit* m_x;
  QLineEdit* m_y;
  QLineEdit* m_width;
  QLineEdit* m_height;
  QLineEdit* m_horizontal;
  QLineEdit* m_vertical;
  QComboBox* m_direction;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_PAGE_MODE_PROPERTIES_DLG_H_
