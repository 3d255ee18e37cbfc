#include "test_app/properties_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "test_app/dialog_widgets.h"
#include "test_app/enter_key_filter.h"

namespace qvtestapp {
namespace {

using TextOf = QString (*)(int32_t);

struct Capability {
  const char* label;
  const char16_t* property;
  TextOf text;
};

// In field order.
const Capability kCapabilities[] = {
    {"CapCharacterSet", u"CapCharacterSet", CharacterSetText},
    {"CapRecBarCode", u"CapRecBarCode", BoolText},
    {"CapRecBitmap", u"CapRecBitmap", BoolText},
    {"CapRecBold", u"CapRecBold", BoolText},
    {"CapRecCartridgeSensor", u"CapRecCartridgeSensor", CartridgeSensorText},
    {"CapRecColor", u"CapRecColor", ColorText},
    {"CapRecDHigh", u"CapRecDhigh", BoolText},
    {"CapRecDWide", u"CapRecDwide", BoolText},
    {"CapRecDWideDHigh", u"CapRecDwideDhigh", BoolText},
    {"CapRecEmptySensor", u"CapRecEmptySensor", BoolText},
    {"CapRecItalic", u"CapRecItalic", BoolText},
    {"CapRecLeft90", u"CapRecLeft90", BoolText},
    {"CapRecMarkFeed", u"CapRecMarkFeed", MarkFeedText},
    {"CapRecNearEndSensor", u"CapRecNearEndSensor", BoolText},
    {"CapRecPageMode", u"CapRecPageMode", BoolText},
    {"CapRecPaperCut", u"CapRecPapercut", BoolText},
    {"CapRecPresent", u"CapRecPresent", BoolText},
    {"CapRecRight90", u"CapRecRight90", BoolText},
    {"CapRecRotate180", u"CapRecRotate180", BoolText},
    {"CapRecRuledLine", u"CapRecRuledLine", RuledLineText},
    {"CapRecStamp", u"CapRecStamp", BoolText},
    {"CapRecUnderLine", u"CapRecUnderline", BoolText},
};

}  // namespace

QString CharacterSetText(int32_t value) {
  switch (value) {
    case 1: return QStringLiteral("Alpha");
    case 10: return QStringLiteral("KANA");
    case 11: return QStringLiteral("Kanji");
    case 997: return QStringLiteral("Unicode");
    case 998: return QStringLiteral("ASCII");
    default: return {};
  }
}

QString BoolText(int32_t value) {
  return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
}

QString CartridgeSensorText(int32_t value) {
  switch (value) {
    case 1: return QStringLiteral("Removed");
    case 2: return QStringLiteral("Empty");
    case 4: return QStringLiteral("Near end");
    case 8: return QStringLiteral("Cleaning");
    default: return QStringLiteral("None");
  }
}

QString ColorText(int32_t value) {
  switch (static_cast<uint32_t>(value)) {
    case 2: return QStringLiteral("Custom1");
    case 4: return QStringLiteral("Custom2");
    case 8: return QStringLiteral("Custom3");
    case 16: return QStringLiteral("Custom4");
    case 32: return QStringLiteral("Custom5");
    case 64: return QStringLiteral("Custom6");
    case 256: return QStringLiteral("CYAN");
    case 512: return QStringLiteral("Magenta");
    case 1024: return QStringLiteral("Yellow");
    case 0x80000000u: return QStringLiteral("Full");
    default: return QStringLiteral("Primary");
  }
}

QString MarkFeedText(int32_t value) {
  switch (value) {
    case 1: return QStringLiteral("Take up");
    case 2: return QStringLiteral("Curter");
    case 4: return QStringLiteral("Current top of form");
    case 8: return QStringLiteral("Next top of form");
    default: return QStringLiteral("None");
  }
}

QString RuledLineText(int32_t value) {
  switch (value) {
    case 1: return QStringLiteral("Horizontal");
    case 2: return QStringLiteral("Vertical");
    default: return QStringLiteral("None");
  }
}

COPosPropertiesDlg::COPosPropertiesDlg(COPOSPOSPrinter1& control, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Properties"));
  auto* group = new QGroupBox(QStringLiteral("Capabilities"), this);
  auto* grid = new QGridLayout(group);
  constexpr int kRowsPerColumn = 11;
  int index = 0;
  for (const Capability& capability : kCapabilities) {
    auto* value = new QLineEdit(group);
    value->setReadOnly(true);
    value->setText(capability.text(control.GetNumber(capability.property)));
    const int row = index % kRowsPerColumn;
    const int column = index / kRowsPerColumn * 2;
    AddLabelled(grid, row, column, QLatin1String(capability.label), value);
    ++index;
  }
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(close, 0, Qt::AlignRight);
  SwallowEnterKey(this);
}

}  // namespace qvtestapp
