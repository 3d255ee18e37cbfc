// COposPrinterDlg: the test application's "Printer" page. It lists the
// printer logical devices of this service object, opens, claims and
// enables one through its POS printer control object, and offers a button
// for each printer method; each call's result goes into the output line in
// words, and the printer's status events check and clear the status boxes.
//
// The page's state shows only in which controls are enabled: closed (only
// "Open"), opened, claimed, enabled (the test controls, switched by a 500 ms
// poll of DeviceEnabled), in a transaction, rotated, in page mode.
//
// GUI thread only; the thread pumps its apartment (CApartmentPump). The
// page owns its control object.
#ifndef QV_TEST_APP_PRINTER_DLG_H_
#define QV_TEST_APP_PRINTER_DLG_H_

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "test_app/opos_control.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qvtestapp {

class COutputLine;

class COposPrinterDlg : public QWidget {
  Q_OBJECT

 public:
  // `control` may hold no control object; see COPOSPOSPrinter1.
  explicit COposPrinterDlg(std::unique_ptr<COPOSPOSPrinter1> control, QWidget* parent = nullptr);
  ~COposPrinterDlg() override;

  COPOSPOSPrinter1& control() { return *m_control; }

 private:
  void BuildControls();
  void InitPage();

  // Runs one button's calls; an automation or standard exception they
  // raise is shown in a message box.
  void Guarded(const std::function<void()>& calls);
  void ShowResult(int32_t resultCode, const QString& successText);
  void SetOutput(const QString& text);
  void EnableTestControls(bool enable);
  void SetDeviceEnabledBox(bool enabled);
  bool Refuse(const QString& message);  // shows the "Info" box, returns true
  QString FormattedText() const;

  void OnEnablePoll();
  void OnOpen();
  void OnClaim();
  void OnDeviceEnable(bool checked);
  void OnRelease();
  void OnClose();
  void OnPrintNormal();
  void OnPrintImmediate();
  void OnValidateData();
  void OnCutPaper();
  void OnMarkFeed();
  void OnTransaction(bool begin);  // BeginTransation or EndTransation
  void OnPrintBarcode();
  void OnRotatePrint();
  void OnPageModePrint();
  void OnCheckHealth();
  void OnDirectIO();
  void OnMapModeSelected(int item);
  void OnStatusUpdate(int data);
  void OnPrintReceipt();
  void OnProperties();
  void OnPageModeProperties();
  void OnBitmapProcess();

  std::unique_ptr<COPOSPOSPrinter1> m_control;
  QTimer m_enablePoll;
  bool m_rememberedEnabled = false;

  QComboBox* m_printerList = nullptr;
  QPushButton* m_open = nullptr;
  QPushButton* m_claim = nullptr;
  QCheckBox* m_deviceEnable = nullptr;
  QPushButton* m_close = nullptr;
  QPushButton* m_release = nullptr;
  QPushButton* m_properties = nullptr;
  QPushButton* m_pageModeProperties = nullptr;
  QCheckBox* m_coverOpen = nullptr;
  QCheckBox* m_paperOut = nullptr;
  QCheckBox* m_paperNearEmpty = nullptr;
  QLineEdit* m_text = nullptr;
  QCheckBox* m_bold = nullptr;
  QCheckBox* m_underline = nullptr;
  QComboBox* m_size = nullptr;
  QComboBox* m_mapMode = nullptr;
  QComboBox* m_font = nullptr;
  QComboBox* m_alignment = nullptr;
  QLineEdit* m_barcodeHeight = nullptr;
  QLineEdit* m_barcodeWidth = nullptr;
  QComboBox* m_textPosition = nullptr;
  QComboBox* m_rotation = nullptr;
  QPushButton* m_rotatePrint = nullptr;
  QPushButton* m_pageModePrint = nullptr;
  QComboBox* m_pageMode = nullptr;
  QComboBox* m_symbology = nullptr;
  QPushButton* m_printBarcode = nullptr;
  QPushButton* m_beginTransaction = nullptr;
  QPushButton* m_endTransaction = nullptr;
  QPushButton* m_printNormal = nullptr;
  QPushButton* m_printImmediate = nullptr;
  QPushButton* m_markFeed = nullptr;
  QPushButton* m_cutPaper = nullptr;
  QPushButton* m_validateData = nullptr;
  QPushButton* m_checkHealth = nullptr;
  QPushButton* m_bitmapProcess = nullptr;
  QPushButton* m_printReceipt = nullptr;
  QPushButton* m_directIO = nullptr;
  COutputLine* m_output = nullptr;

  std::vector<QWidget*> m_testControls;
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_PRINTER_DLG_H_
