#include "test_app/page_mode_properties_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/gui/message_box.h"
#include "test_app/dialog_widgets.h"
#include "test_app/enter_key_filter.h"
#include "test_app/guarded_call.h"
#include "test_app/print_format.h"
#include "test_app/result_text.h"

namespace qvtestapp {

void SplitPrintArea(const QString& area, PageModeSettings* settings) {
  int32_t* const parts[] = {&settings->x, &settings->y, &settings->width, &settings->height};
  for (int32_t* part : parts) *part = 0;
  if (area.isEmpty()) return;
  qsizetype start = 0;
  for (int i = 0; i < 4 && start <= area.size(); ++i) {
    const qsizetype comma = i < 3 ? area.indexOf(u',', start) : -1;
    const qsizetype end = comma < 0 ? area.size() : comma;
    *parts[i] = Wtoi(QStringView(area).mid(start, end - start));
    if (comma < 0) break;
    start = comma + 1;
  }
}

PageModeSettings ReadPageModeSettings(COposControl& control) {
  PageModeSettings settings;
  SplitPrintArea(control.GetString(u"PageModePrintArea"), &settings);
  settings.horizontal = control.GetNumber(u"PageModeHorizontalPosition");
  settings.vertical = control.GetNumber(u"PageModeVerticalPosition");
  switch (control.GetNumber(u"PageModePrintDirection")) {
    case 2: settings.directionItem = 1; break;  // PTR_PD_BOTTOM_TO_TOP
    case 3: settings.directionItem = 2; break;  // PTR_PD_RIGHT_TO_LEFT
    case 4: settings.directionItem = 3; break;  // PTR_PD_TOP_TO_BOTTOM
    default: settings.directionItem = 0; break;
  }
  return settings;
}

CPageModePropertiesDlg::CPageModePropertiesDlg(const PageModeSettings& settings,
                                               COposControl& control, QWidget* parent)
    : QDialog(parent), m_control(control) {
  setWindowTitle(QStringLiteral("PageModeProperties"));
  auto* area = new QGroupBox(QStringLiteral("Print Area"), this);
  m_x = NewDigitsEdit(area);
  m_y = NewDigitsEdit(area);
  m_width = NewDigitsEdit(area);
  m_height = NewDigitsEdit(area);
  auto* areaLayout = new QGridLayout(area);
  AddLabelled(areaLayout, 0, 0, QStringLiteral("X0:"), m_x);
  AddLabelled(areaLayout, 0, 2, QStringLiteral("Y0:"), m_y);
  AddLabelled(areaLayout, 1, 0, QStringLiteral("Width:"), m_width);
  AddLabelled(areaLayout, 1, 2, QStringLiteral("Hight:"), m_height);

  m_horizontal = NewDigitsEdit(this);
  m_vertical = NewDigitsEdit(this);
  m_direction = NewList({QStringLiteral("LeftToRight"), QStringLiteral("BottomToTop"),
                         QStringLiteral("RightToLeft"), QStringLiteral("TopToBottom")},
                        this);
  auto* setting = new QPushButton(QStringLiteral("Setting"), this);
  setting->setAutoDefault(false);

  auto* grid = new QGridLayout;
  AddLabelled(grid, 0, 0, QStringLiteral("Horizontal Pos:"), m_horizontal);
  AddLabelled(grid, 1, 0, QStringLiteral("Vertical Pos:"), m_vertical);
  AddLabelled(grid, 2, 0, QStringLiteral("Print Direction"), m_direction);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(area);
  layout->addLayout(grid);
  layout->addWidget(setting, 0, Qt::AlignRight);

  m_x->setText(QString::number(settings.x));
  m_y->setText(QString::number(settings.y));
  m_width->setText(QString::number(settings.width));
  m_height->setText(QString::number(settings.height));
  m_horizontal->setText(QString::number(settings.horizontal));
  m_vertical->setText(QString::number(settings.vertical));
  m_direction->setCurrentIndex(settings.directionItem);

  connect(setting, &QPushButton::clicked, this, &CPageModePropertiesDlg::OnSetting);
  SwallowEnterKey(this);
}

bool CPageModePropertiesDlg::Took() {
  const int32_t rc = m_control.GetResultCode();
  if (rc == 0) return true;
  qvgui::ShowMessageBox(this, ResultText(rc), QStringLiteral("Info"));
  return false;
}

void CPageModePropertiesDlg::OnSetting() {
  GuardedCall(this, [&] {
    const QString area = QStringLiteral("%1,%2,%3,%4")
                             .arg(Wtoi(m_x->text()))
                             .arg(Wtoi(m_y->text()))
                             .arg(Wtoi(m_width->text()))
                             .arg(Wtoi(m_height->text()));
    m_control.SetString(u"PageModePrintArea", area);
    if (!Took()) return;
    m_control.SetNumber(u"PageModeHorizontalPosition", Wtoi(m_horizontal->text()));
    if (!Took()) return;
    m_control.SetNumber(u"PageModeVerticalPosition", Wtoi(m_vertical->text()));
    if (!Took()) return;
    const int direction = m_direction->currentIndex();
    if (direction >= 0) {
      m_control.SetNumber(u"PageModePrintDirection", direction + 1);
      if (!Took()) return;
    }
    qvgui::ShowMessageBox(this, QStringLiteral("Set Success."), QStringLiteral("Info"));
    accept();
  });
}

}  // namespace qvtestapp
