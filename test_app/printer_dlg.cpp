#include "test_app/printer_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>
#include <string>

#include "common/gui/accessibility.h"
#include "common/gui/message_box.h"
#include "common/receipt/sample_receipt.h"
#include "common/toolreg/ldn_list.h"
#include "platform/base/clock.h"
#include "test_app/bitmap_process_dlg.h"
#include "test_app/dialog_widgets.h"
#include "test_app/enter_key_filter.h"
#include "test_app/guarded_call.h"
#include "test_app/output_line.h"
#include "test_app/page_mode_properties_dlg.h"
#include "test_app/print_format.h"
#include "test_app/properties_dlg.h"
#include "test_app/result_text.h"

namespace qvtestapp {
namespace {

constexpr int32_t kStation = 2;              // PTR_S_RECEIPT
constexpr int64_t kEnablePollMs = 500;       // the enable poll timer's period
constexpr int32_t kClaimTimeout = 1000;      // ms
constexpr int32_t kCutFull = 100;            // percent
constexpr int32_t kMarkFeedToCutter = 2;     // PTR_MF_TO_CUTTER
constexpr int32_t kTpTransaction = 11;       // PTR_TP_TRANSACTION
constexpr int32_t kTpNormal = 12;            // PTR_TP_NORMAL
constexpr int32_t kCheckHealthInternal = 1;  // OPOS_CH_INTERNAL
constexpr int32_t kDirectIOCommand = 990;
constexpr int32_t kOposEClosed = 101;  // OPOS_E_CLOSED
constexpr int kMaxBarcodeChars = 259;

// Status-update values of the printer.
constexpr int kSueCoverOpen = 11;   // PTR_SUE_COVER_OPEN
constexpr int kSueCoverOk = 12;     // PTR_SUE_COVER_OK
constexpr int kSueRecEmpty = 24;    // PTR_SUE_REC_EMPTY
constexpr int kSueRecPaperOk = 26;  // PTR_SUE_REC_PAPEROK

// What a successful RotatePrint does to the controls that only print in
// the normal orientation.
enum class RotationSwitch { kEnableAll, kDisableAll, kDisableSome };

struct RotationItem {
  const char* label;
  int32_t argument;
  const char* successText;
  RotationSwitch switching;
};

const RotationItem kRotations[] = {
    {"Normal", 1, "Rotate Normal:Success", RotationSwitch::kEnableAll},  // PTR_RP_NORMAL
    // PTR_RP_LEFT90 and PTR_RP_RIGHT90 with PTR_RP_BARCODE
    {"Left90", 0x1102, "Rotate Left90:Success", RotationSwitch::kDisableAll},
    {"Right90", 0x1101, "Rotate Right90:Success", RotationSwitch::kDisableAll},
    {"Rotate180", 0x0103, "Rotate Rotate180:Success", RotationSwitch::kDisableSome},
};

struct PageModeItem {
  const char* label;
  int32_t control;  // PTR_PM_PAGE_MODE 1, PTR_PM_PRINT_SAVE 2, PTR_PM_NORMAL 3, PTR_PM_CANCEL 4
  const char* successLabel;
  bool inPageMode;  // leaves the page in page mode
};

const PageModeItem kPageModes[] = {
    {"PM_PAGE_MODE", 1, "Enter PageMode", true},
    {"PM_PRINT_SAVE", 2, "Page Mode Print Save", true},
    {"PM_NORMAL", 3, "Page Mode Print And Exit", false},
    {"PM_CANCEL", 4, "Cancel Page Mode", false},
};

template <typename Item, size_t N>
QStringList Labels(const Item (&items)[N]) {
  QStringList labels;
  for (const Item& item : items) labels << QLatin1String(item.label);
  return labels;
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
  for (QWidget* widget : widgets) widget->setEnabled(enabled);
}

// Delivers events (the apartment's included, through its notifier) but no
// user input until `done()` holds or `timeoutMs` have passed.
bool WaitWithEvents(const std::function<bool()>& done, int64_t timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;  // ends the last wait at the deadline
  wake.setSingleShot(true);
  wake.start(static_cast<int>(timeoutMs));
  while (!done()) {
    if (clock.elapsed() >= timeoutMs) return done();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::WaitForMoreEvents);
  }
  return true;
}

}  // namespace

COposPrinterDlg::COposPrinterDlg(std::unique_ptr<COPOSPOSPrinter1> control, QWidget* parent)
    : QWidget(parent), m_control(std::move(control)) {
  BuildControls();
  SwallowEnterKey(this);
  m_enablePoll.setInterval(static_cast<int>(qvplatform::ScaledMs(kEnablePollMs)));
  connect(&m_enablePoll, &QTimer::timeout, this, &COposPrinterDlg::OnEnablePoll);
  connect(m_control.get(), &COposControl::StatusUpdateEvent, this,
          &COposPrinterDlg::OnStatusUpdate);
  InitPage();
}

COposPrinterDlg::~COposPrinterDlg() = default;

void COposPrinterDlg::BuildControls() {
  std::vector<std::u16string> ldns;
  LoadOwnLDNs(u"POSPrinter", &ldns);

  // Select POS Printer
  auto* selectGroup = new QGroupBox(QStringLiteral("Select POS Printer"), this);
  m_printerList = NewLdnList(ldns, selectGroup);
  m_open = new QPushButton(QStringLiteral("Open"), selectGroup);
  m_claim = new QPushButton(QStringLiteral("Cliam"), selectGroup);
  m_deviceEnable = new QCheckBox(QStringLiteral("DeviceEnable"), selectGroup);
  m_close = new QPushButton(QStringLiteral("Close"), selectGroup);
  m_release = new QPushButton(QStringLiteral("Release"), selectGroup);
  m_properties = new QPushButton(QStringLiteral("Properties"), selectGroup);
  m_pageModeProperties = new QPushButton(QStringLiteral("PageModeProperties"), selectGroup);
  auto* selectLayout = new QGridLayout(selectGroup);
  AddLabelled(selectLayout, 0, 0, QStringLiteral("LAN:"), m_printerList, 3);
  selectLayout->addWidget(m_open, 1, 0);
  selectLayout->addWidget(m_claim, 1, 1);
  selectLayout->addWidget(m_deviceEnable, 1, 2);
  selectLayout->addWidget(m_close, 2, 0);
  selectLayout->addWidget(m_release, 2, 1);
  selectLayout->addWidget(m_properties, 2, 2);
  selectLayout->addWidget(m_pageModeProperties, 2, 3);

  // Status
  auto* statusGroup = new QGroupBox(QStringLiteral("Status"), this);
  m_coverOpen = new QCheckBox(QStringLiteral("Cover Open"), statusGroup);
  m_paperOut = new QCheckBox(QStringLiteral("Paper Out"), statusGroup);
  m_paperNearEmpty = new QCheckBox(QStringLiteral("Paper Near Empty"), statusGroup);
  m_paperNearEmpty->setVisible(false);
  auto* statusLayout = new QVBoxLayout(statusGroup);
  statusLayout->addWidget(m_coverOpen);
  statusLayout->addWidget(m_paperOut);
  statusLayout->addWidget(m_paperNearEmpty);
  statusLayout->addStretch();

  // Text
  auto* textGroup = new QGroupBox(QStringLiteral("Text"), this);
  m_text = new QLineEdit(textGroup);
  qvgui::DescribeControl(m_text, QStringLiteral("Text"));
  m_bold = new QCheckBox(QStringLiteral("Bold"), textGroup);
  m_underline = new QCheckBox(QStringLiteral("Underline"), textGroup);
  m_size = NewList({QStringLiteral("SignalHighAndWide"), QStringLiteral("DoubleWide"),
                    QStringLiteral("DoubleHigh"), QStringLiteral("DoubleHighAndWide")},
                   textGroup);
  qvgui::DescribeControl(m_size, QStringLiteral("Size"));
  m_mapMode = NewList({QStringLiteral("PTR_MM_DOTS"), QStringLiteral("PTR_MM_TWIPS"),
                       QStringLiteral("PTR_MM_ENGLISH"), QStringLiteral("PTR_MM_METRIC")},
                      textGroup);
  m_font = NewList({QStringLiteral("Font A"), QStringLiteral("Font B")}, textGroup);
  m_alignment = NewList({QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")},
                        textGroup);
  m_barcodeHeight = NewDigitsEdit(textGroup);
  m_barcodeWidth = NewDigitsEdit(textGroup);
  m_textPosition = NewList(
      {QStringLiteral("None"), QStringLiteral("Above"), QStringLiteral("Below")}, textGroup);
  m_rotation = NewList(Labels(kRotations), textGroup);
  qvgui::DescribeControl(m_rotation, QStringLiteral("Rotation"));
  m_rotation->setPlaceholderText(QStringLiteral("Rotation"));
  m_rotatePrint = new QPushButton(QStringLiteral("RotatePrint"), textGroup);
  m_pageModePrint = new QPushButton(QStringLiteral("PageModePrint"), textGroup);
  m_pageMode = NewList(Labels(kPageModes), textGroup);
  qvgui::DescribeControl(m_pageMode, QStringLiteral("Page Mode"));
  m_pageMode->setPlaceholderText(QStringLiteral("Page Mode"));
  m_symbology = NewList({QStringLiteral("UPCA"), QStringLiteral("UPCE"), QStringLiteral("EAN13"),
                         QStringLiteral("EAN8"), QStringLiteral("CODE39"), QStringLiteral("I25"),
                         QStringLiteral("CODABAR"), QStringLiteral("CODE93"),
                         QStringLiteral("CODE128"), QStringLiteral("QR"), QStringLiteral("PDF417")},
                        textGroup);
  qvgui::DescribeControl(m_symbology, QStringLiteral("Symbology"));
  m_printBarcode = new QPushButton(QStringLiteral("PrintBarcode"), textGroup);

  auto* textLayout = new QGridLayout(textGroup);
  textLayout->addWidget(m_text, 0, 0, 1, 6);
  textLayout->addWidget(m_bold, 1, 0);
  textLayout->addWidget(m_underline, 1, 1);
  textLayout->addWidget(m_size, 1, 2, 1, 2);
  AddLabelled(textLayout, 2, 0, QStringLiteral("MapMode"), m_mapMode);
  AddLabelled(textLayout, 2, 2, QStringLiteral("Font"), m_font);
  AddLabelled(textLayout, 2, 4, QStringLiteral("Alignment"), m_alignment);
  AddLabelled(textLayout, 3, 0, QStringLiteral("Hight:"), m_barcodeHeight);
  AddLabelled(textLayout, 3, 2, QStringLiteral("Width:"), m_barcodeWidth);
  AddLabelled(textLayout, 3, 4, QStringLiteral("Barcode Text Position"), m_textPosition);
  textLayout->addWidget(m_rotation, 4, 0, 1, 2);
  textLayout->addWidget(m_rotatePrint, 4, 2);
  textLayout->addWidget(m_pageMode, 4, 3, 1, 2);
  textLayout->addWidget(m_pageModePrint, 4, 5);
  textLayout->addWidget(m_symbology, 5, 0, 1, 2);
  textLayout->addWidget(m_printBarcode, 5, 2);

  // Methods
  m_beginTransaction = new QPushButton(QStringLiteral("BeginTransation"), this);
  m_endTransaction = new QPushButton(QStringLiteral("EndTransation"), this);
  m_printNormal = new QPushButton(QStringLiteral("PrintNormal"), this);
  m_printImmediate = new QPushButton(QStringLiteral("PrintImmediate"), this);
  m_markFeed = new QPushButton(QStringLiteral("MarkFeed"), this);
  m_cutPaper = new QPushButton(QStringLiteral("Cutpaper"), this);
  m_validateData = new QPushButton(QStringLiteral("ValidateData"), this);
  m_checkHealth = new QPushButton(QStringLiteral("CheckHealth"), this);
  m_bitmapProcess = new QPushButton(QStringLiteral("Bitmap Process"), this);
  m_printReceipt = new QPushButton(QStringLiteral("Print Receipt"), this);
  m_directIO = new QPushButton(QStringLiteral("DirectIO"), this);
  auto* methodLayout = new QGridLayout;
  const QPushButton* const methods[] = {m_beginTransaction, m_endTransaction, m_printNormal,
                                        m_printImmediate,   m_markFeed,       m_cutPaper,
                                        m_validateData,     m_checkHealth,    m_bitmapProcess,
                                        m_printReceipt,     m_directIO};
  int index = 0;
  for (const QPushButton* button : methods) {
    methodLayout->addWidget(const_cast<QPushButton*>(button), index / 6, index % 6);
    ++index;
  }

  m_output = new COutputLine(this);
  auto* outputLabel = NewLabel(QStringLiteral("Output Result:"), m_output, this);

  auto* top = new QHBoxLayout;
  top->addWidget(selectGroup, 3);
  top->addWidget(statusGroup, 1);
  auto* page = new QVBoxLayout(this);
  page->addLayout(top);
  page->addWidget(textGroup);
  page->addLayout(methodLayout);
  page->addWidget(outputLabel);
  page->addWidget(m_output);

  m_testControls = {m_size,
                    m_mapMode,
                    m_textPosition,
                    m_alignment,
                    m_symbology,
                    m_rotation,
                    m_pageMode,
                    m_font,
                    m_bold,
                    m_underline,
                    m_barcodeHeight,
                    m_barcodeWidth,
                    m_text,
                    m_coverOpen,
                    m_paperOut,
                    m_paperNearEmpty,
                    m_beginTransaction,
                    m_rotatePrint,
                    m_printBarcode,
                    m_printNormal,
                    m_cutPaper,
                    m_validateData,
                    m_printImmediate,
                    m_pageModePrint,
                    m_bitmapProcess,
                    m_markFeed,
                    m_checkHealth,
                    m_pageModeProperties,
                    m_printReceipt,
                    m_directIO};

  connect(m_open, &QPushButton::clicked, this, &COposPrinterDlg::OnOpen);
  connect(m_claim, &QPushButton::clicked, this, &COposPrinterDlg::OnClaim);
  connect(m_deviceEnable, &QCheckBox::clicked, this, &COposPrinterDlg::OnDeviceEnable);
  connect(m_release, &QPushButton::clicked, this, &COposPrinterDlg::OnRelease);
  connect(m_close, &QPushButton::clicked, this, &COposPrinterDlg::OnClose);
  connect(m_printNormal, &QPushButton::clicked, this, &COposPrinterDlg::OnPrintNormal);
  connect(m_printImmediate, &QPushButton::clicked, this, &COposPrinterDlg::OnPrintImmediate);
  connect(m_validateData, &QPushButton::clicked, this, &COposPrinterDlg::OnValidateData);
  connect(m_cutPaper, &QPushButton::clicked, this, &COposPrinterDlg::OnCutPaper);
  connect(m_markFeed, &QPushButton::clicked, this, &COposPrinterDlg::OnMarkFeed);
  connect(m_beginTransaction, &QPushButton::clicked, this, [this] { OnTransaction(true); });
  connect(m_endTransaction, &QPushButton::clicked, this, [this] { OnTransaction(false); });
  connect(m_printBarcode, &QPushButton::clicked, this, &COposPrinterDlg::OnPrintBarcode);
  connect(m_rotatePrint, &QPushButton::clicked, this, &COposPrinterDlg::OnRotatePrint);
  connect(m_pageModePrint, &QPushButton::clicked, this, &COposPrinterDlg::OnPageModePrint);
  connect(m_checkHealth, &QPushButton::clicked, this, &COposPrinterDlg::OnCheckHealth);
  connect(m_directIO, &QPushButton::clicked, this, &COposPrinterDlg::OnDirectIO);
  connect(m_printReceipt, &QPushButton::clicked, this, &COposPrinterDlg::OnPrintReceipt);
  connect(m_properties, &QPushButton::clicked, this, &COposPrinterDlg::OnProperties);
  connect(m_pageModeProperties, &QPushButton::clicked, this,
          &COposPrinterDlg::OnPageModeProperties);
  connect(m_bitmapProcess, &QPushButton::clicked, this, &COposPrinterDlg::OnBitmapProcess);
  connect(m_mapMode, &QComboBox::activated, this, &COposPrinterDlg::OnMapModeSelected);
  // Only status events change the status boxes: a click is undone.
  for (QCheckBox* box : {m_coverOpen, m_paperOut, m_paperNearEmpty}) {
    connect(box, &QCheckBox::clicked, box, [box](bool checked) { box->setChecked(!checked); });
  }
}

void COposPrinterDlg::InitPage() {
  for (QComboBox* list : {m_size, m_alignment, m_textPosition, m_symbology, m_font}) {
    list->setCurrentIndex(0);
  }
  m_open->setEnabled(true);
  SetEnabled({m_claim, m_close, m_release, m_properties, m_deviceEnable}, false);
  SetEnabled({m_beginTransaction, m_endTransaction}, false);
  GuardedCall(this, [&] { m_mapMode->setCurrentIndex(m_control->GetNumber(u"MapMode") - 1); });
  EnableTestControls(false);
}

void COposPrinterDlg::Guarded(const std::function<void()>& calls) { GuardedCall(this, calls); }

void COposPrinterDlg::SetOutput(const QString& text) { m_output->SetText(text); }

void COposPrinterDlg::ShowResult(int32_t resultCode, const QString& successText) {
  SetOutput(resultCode == 0 ? successText : ResultText(resultCode));
}

bool COposPrinterDlg::Refuse(const QString& message) {
  qvgui::ShowMessageBox(this, message, QStringLiteral("Info"));
  return true;
}

void COposPrinterDlg::EnableTestControls(bool enable) {
  for (QWidget* control : m_testControls) control->setEnabled(enable);
  m_endTransaction->setEnabled(false);
}

void COposPrinterDlg::SetDeviceEnabledBox(bool enabled) {
  m_deviceEnable->setChecked(enabled);
  if (enabled) {
    m_beginTransaction->setEnabled(true);
    m_endTransaction->setEnabled(false);
  }
}

QString COposPrinterDlg::FormattedText() const {
  TextFormat format;
  format.bold = m_bold->isChecked();
  format.underline = m_underline->isChecked();
  format.alignmentItem = m_alignment->currentIndex();
  format.sizeItem = m_size->currentIndex();
  format.fontItem = m_font->currentIndex();
  return FormattedPrintText(format, m_text->text());
}

void COposPrinterDlg::OnEnablePoll() {
  Guarded([&] {
    const bool enabled = m_control->GetDeviceEnabled();
    if (enabled == m_rememberedEnabled) return;
    m_rememberedEnabled = enabled;
    EnableTestControls(enabled);
  });
}

void COposPrinterDlg::OnOpen() {
  if (m_printerList->currentIndex() < 0) {
    qvgui::ShowMessageBox(this, POText("PO_ERR_SELECT_PRINTER_TYPE"),
                          QString::fromUtf16(kProgramTitle));
    return;
  }
  Guarded([&] {
    const int32_t rc = m_control->Open(m_printerList->currentText());
    ShowResult(rc, QStringLiteral("OPen:Success"));
    if (rc != 0) return;
    SetEnabled({m_open, m_release}, false);
    SetEnabled({m_claim, m_close, m_properties, m_deviceEnable}, true);
    m_mapMode->setCurrentIndex(m_control->GetNumber(u"MapMode") - 1);
    m_rememberedEnabled = false;
    m_enablePoll.start();
  });
}

void COposPrinterDlg::OnClaim() {
  Guarded([&] {
    const int32_t rc = m_control->ClaimDevice(kClaimTimeout);
    ShowResult(rc, QStringLiteral("Claim:Success"));
    if (rc != 0) return;
    m_claim->setEnabled(false);
    m_release->setEnabled(true);
  });
}

void COposPrinterDlg::OnDeviceEnable(bool checked) {
  Guarded([&] {
    m_control->SetDeviceEnabled(checked);
    // The setting's own outcome, before the read below replaces it.
    const int32_t rc = m_control->GetResultCode();
    SetDeviceEnabledBox(m_control->GetDeviceEnabled());
    ShowResult(rc, QStringLiteral("Device Enable:Success"));
  });
}

void COposPrinterDlg::OnRelease() {
  Guarded([&] {
    const int32_t rc = m_control->ReleaseDevice();
    ShowResult(rc, QStringLiteral("Release:Success"));
    if (rc != 0) return;
    SetDeviceEnabledBox(m_control->GetDeviceEnabled());
    m_release->setEnabled(false);
    m_claim->setEnabled(true);
  });
}

void COposPrinterDlg::OnClose() {
  Guarded([&] {
    const int32_t rc = m_control->Close();
    if (rc != 0 && rc != kOposEClosed) {
      ShowResult(rc, QString());
      return;
    }
    SetOutput(QStringLiteral("Close:Success"));
    m_open->setEnabled(true);
    SetEnabled({m_claim, m_close, m_properties, m_release, m_deviceEnable}, false);
    SetDeviceEnabledBox(m_control->GetDeviceEnabled());
    EnableTestControls(false);
    m_enablePoll.stop();
    m_rememberedEnabled = false;
  });
}

void COposPrinterDlg::OnPrintNormal() {
  if (m_text->text().isEmpty() && Refuse(QStringLiteral("The input text cann't be empty"))) return;
  Guarded([&] {
    ShowResult(m_control->Call(u"PrintNormal", {kStation, ToU16(FormattedText())}),
               QStringLiteral("PrintNormal:Success"));
  });
}

void COposPrinterDlg::OnPrintImmediate() {
  if (m_text->text().isEmpty() && Refuse(QStringLiteral("The input text cann't be empty"))) return;
  Guarded([&] {
    ShowResult(m_control->Call(u"PrintImmediate", {kStation, ToU16(FormattedText())}),
               QStringLiteral("PrintImmediate:Success"));
  });
}

void COposPrinterDlg::OnValidateData() {
  if (m_text->text().isEmpty() && Refuse(QStringLiteral("The input text cann't be empty"))) return;
  Guarded([&] {
    ShowResult(m_control->Call(u"ValidateData", {kStation, ToU16(m_text->text())}),
               QStringLiteral("ValidateData:Success"));
  });
}

void COposPrinterDlg::OnCutPaper() {
  Guarded([&] {
    if (!m_control->GetDeviceEnabled()) return;
    ShowResult(m_control->Call(u"CutPaper", {kCutFull}), QStringLiteral("CutPaper:Success"));
  });
}

void COposPrinterDlg::OnMarkFeed() {
  Guarded([&] {
    ShowResult(m_control->Call(u"MarkFeed", {kMarkFeedToCutter}),
               QStringLiteral("Mark Feed:Success"));
  });
}

void COposPrinterDlg::OnTransaction(bool begin) {
  Guarded([&] {
    if (!m_control->GetDeviceEnabled()) return;
    const int32_t rc =
        m_control->Call(u"TransactionPrint", {kStation, begin ? kTpTransaction : kTpNormal});
    ShowResult(rc, begin ? QStringLiteral("BeginTransation:Success")
                         : QStringLiteral("EndTransation:Success"));
    if (rc != 0) return;
    // What a transaction excludes.
    SetEnabled({m_beginTransaction, m_pageModePrint, m_pageModeProperties, m_pageMode, m_directIO,
                m_printReceipt, m_checkHealth},
               !begin);
    m_endTransaction->setEnabled(begin);
  });
}

void COposPrinterDlg::OnPrintBarcode() {
  Guarded([&] {
    if (!m_control->GetDeviceEnabled()) return;
    if (m_text->text().isEmpty() && Refuse(QStringLiteral("The input text cann't be empty"))) {
      return;
    }
    if (m_barcodeHeight->text().isEmpty() && Refuse(QStringLiteral("Please Input BarCode Hight"))) {
      return;
    }
    if (m_barcodeWidth->text().isEmpty() && Refuse(QStringLiteral("Please Input BarCode Width"))) {
      return;
    }
    const int32_t rc = m_control->Call(
        u"PrintBarCode",
        {kStation, ToU16(m_text->text().left(kMaxBarcodeChars)),
         SymbologyOfItem(m_symbology->currentIndex()), Wtoi(m_barcodeHeight->text()),
         Wtoi(m_barcodeWidth->text()), BarcodeAlignmentOfItem(m_alignment->currentIndex()),
         BarcodeTextPositionOfItem(m_textPosition->currentIndex())});
    ShowResult(rc, QStringLiteral("PrintBarCode:Success"));
    if (rc != 0) return;
    m_beginTransaction->setEnabled(true);
    m_endTransaction->setEnabled(false);
  });
}

void COposPrinterDlg::OnRotatePrint() {
  Guarded([&] {
    if (!m_control->GetDeviceEnabled()) return;
    const int item = m_rotation->currentIndex();
    if (item < 0) return;  // no rotation chosen: nothing to ask for
    const RotationItem& rotation = kRotations[item];
    const int32_t rc = m_control->Call(u"RotatePrint", {kStation, rotation.argument});
    ShowResult(rc, QLatin1String(rotation.successText));
    if (rc != 0) return;
    const bool normal = rotation.switching == RotationSwitch::kEnableAll;
    SetEnabled({m_directIO, m_printReceipt, m_checkHealth, m_bitmapProcess}, normal);
    if (rotation.switching != RotationSwitch::kDisableSome) {
      SetEnabled({m_pageModePrint, m_pageModeProperties, m_pageMode}, normal);
    }
  });
}

void COposPrinterDlg::OnPageModePrint() {
  const int item = m_pageMode->currentIndex();
  if (item < 0 && Refuse(QStringLiteral("Please Select Page Mode Type"))) return;
  Guarded([&] {
    const PageModeItem& mode = kPageModes[item];
    const int32_t rc = m_control->Call(u"PageModePrint", {mode.control});
    ShowResult(rc, QLatin1String(mode.successLabel) + QStringLiteral(":Success"));
    if (rc != 0) return;
    SetEnabled({m_rotatePrint, m_rotation, m_beginTransaction}, !mode.inPageMode);
  });
}

void COposPrinterDlg::OnCheckHealth() {
  Guarded([&] {
    m_control->Call(u"CheckHealth", {kCheckHealthInternal});
    const QString health = m_control->GetString(u"CheckHealthText");
    const int32_t rc = m_control->Call(u"PrintNormal", {kStation, ToU16(health + u'\n')});
    ShowResult(rc, health);
  });
}

void COposPrinterDlg::OnDirectIO() {
  Guarded([&] {
    const int32_t rc =
        m_control->Call(u"DirectIO", {kDirectIOCommand, 0, std::u16string(u"\x1b\x61\x01")});
    m_control->Call(u"PrintNormal", {kStation, std::u16string(u"DirectIO Test\r\n")});
    ShowResult(rc, QStringLiteral("Direct IO:Success"));
  });
}

void COposPrinterDlg::OnMapModeSelected(int item) {
  if (item < 0) return;
  Guarded([&] { m_control->SetNumber(u"MapMode", item + 1); });
}

void COposPrinterDlg::OnStatusUpdate(int data) {
  switch (data) {
    case kSueCoverOpen: m_coverOpen->setChecked(true); break;
    case kSueCoverOk: m_coverOpen->setChecked(false); break;
    case kSueRecEmpty:
      m_paperOut->setChecked(true);
      m_paperNearEmpty->setChecked(false);
      break;
    case kSueRecPaperOk:
      m_paperOut->setChecked(false);
      m_paperNearEmpty->setChecked(false);
      break;
    default: break;  // near end (25) and everything else change nothing
  }
}

void COposPrinterDlg::OnPrintReceipt() {
  qvopos::PosPrinter* printer = m_control->printer();
  if (printer == nullptr) {
    ShowResult(kOposEClosed, QString());
    return;
  }
  const QString title = QString::fromUtf16(kProgramTitle);
  qvreceipt::SampleReceiptCallbacks callbacks;
  callbacks.outputFailed = [this](int32_t) {
    const QMessageBox::StandardButton answer = qvgui::ShowMessageBox(
        this, QStringLiteral("Fails to output to a printer.\n\nRetry?"), QStringLiteral("Info"),
        QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Question);
    if (answer == QMessageBox::Retry) return qvreceipt::OutputFailureAnswer::kRetry;
    if (answer == QMessageBox::Ignore) return qvreceipt::OutputFailureAnswer::kIgnore;
    return qvreceipt::OutputFailureAnswer::kAbort;
  };
  callbacks.waitUntil = WaitWithEvents;
  callbacks.stayedBusy = [this, &title](int32_t state) {
    qvgui::ShowMessageBox(this, QStringLiteral("The printer stays busy (State %1).").arg(state),
                          title);
  };
  Guarded([&] {
    const qvreceipt::SampleReceiptResult result =
        qvreceipt::PrintSampleReceipt(*printer, std::time(nullptr), callbacks);
    if (result.stop != qvreceipt::ReceiptStop::kCompleted) {
      qvgui::ShowMessageBox(this, FromU16(qvreceipt::StopMessage(result.stop)), title);
      return;
    }
    ShowResult(result.resultCode, QStringLiteral("Print Receipt:Success"));
    OnMapModeSelected(m_mapMode->currentIndex());
  });
}

void COposPrinterDlg::OnProperties() {
  Guarded([&] {
    COPosPropertiesDlg dialog(*m_control, this);
    dialog.exec();
  });
}

void COposPrinterDlg::OnPageModeProperties() {
  Guarded([&] {
    CPageModePropertiesDlg dialog(ReadPageModeSettings(*m_control), *m_control, this);
    dialog.exec();
  });
}

void COposPrinterDlg::OnBitmapProcess() {
  Guarded([&] {
    CBitmapProcessDlg dialog(*m_control, this);
    dialog.exec();
  });
}

}  // namespace qvtestapp
