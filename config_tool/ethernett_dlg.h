// CEthernettDlg, caption "Ethernet": chooses the printer's network address
// for the next printer Save.
//
// Construction makes the given address the pending one, with port 9100, so
// Cancel leaves it so. The dialog shows the address and the port "9100",
// which cannot be edited: the printer listens there. OK checks the port
// (1024 to 49151, not 4000); an invalid one shows "Please enter a valid
// port,wcsBuf" (caption "ERROR", OK and Cancel) and changes nothing, a valid
// one takes the port and the address control's address. OK always ends the
// dialog.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_ETHERNETT_DLG_H_
#define QV_CONFIG_TOOL_ETHERNETT_DLG_H_

#include <QDialog>
#include <string>

class QLineEdit;

namespace qvconfig {

class CIpAddressEdit;

class CEthernettDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEthernettDlg(const std::u16string& address, QWidget* parent = nullptr);

 private:
  void OnOK();

  CIpAddressEdit* m_address;
  QLineEdit* m_port;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_ETHERNETT_DLG_H_
