// CPrinterDlg, the "Printer" page: creates, changes and deletes the
// printers of this package (POSPrinter keys whose default value is
// "QV.Opos.Printer").
//
// - New adds the typed LDN to the sorted Device Name list and selects it;
//   nothing is written until Save (a name typed twice is listed twice).
// - Delete deletes the selected printer, reloads the list from the registry
//   (unsaved names disappear) and reports "Delete Success" (caption "Info").
// - Choosing a printer selects its stored IOType in the Interface Type list
//   ("COM" when it has none, unchanged when no item matches exactly).
// - Choosing an interface type, or ending a port dialog with OK, rebuilds
//   the summary from the pending port settings.
// - Save checks, in this order, the printer, the interface type, a serial
//   port for "COM" and a chosen device for "USB"; then it replaces the
//   printer's key with IOType, Model and the pending settings of the
//   interface. "Config Printer Success", or the failure and its reason.
// - Port Configure opens the interface's port dialog, filled from the
//   printer's stored values; Log Configure opens the log dialog.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_PRINTER_DLG_H_
#define QV_CONFIG_TOOL_PRINTER_DLG_H_

#include <QWidget>
#include <string>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace qvconfig {

class CLdnGroup;

class CPrinterDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CPrinterDlg(QWidget* parent = nullptr);

  // The summary as written, lines ending in "\r\n".
  const std::u16string& SummaryText() const { return m_summaryText; }

 private:
  void OnDeviceChosen();
  void OnInterfaceChosen();
  void OnSave();
  void OnPortConfigure();
  void OnLogConfigure();
  void RebuildSummary();

  std::u16string m_summaryText;

  CLdnGroup* m_devices;
  QComboBox* m_interfaceType;
  QPlainTextEdit* m_summary;
  QPushButton* m_save;
  QPushButton* m_portConfigure;
  QPushButton* m_logConfigure;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_PRINTER_DLG_H_
