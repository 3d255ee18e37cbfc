// CSerialDlg, caption "Serial": chooses the serial port and its line
// settings for the next printer Save.
//
// Construction makes the given settings (the printer's stored ones) the
// pending serial settings, so Cancel leaves them so. The port list shows the
// present serial ports in enumeration order, but only when the spooler lists
// any port at all; the pending port is selected when listed, else the first.
// The baud rate shows 9600, 38400 or 115200 as stored and 19200 for every
// other value; parity, stop bits and flow control select their item number
// (a number outside the list selects nothing). OK without a port changes
// nothing; otherwise it stores the port, the baud rate, 8 data bits and the
// item numbers (-1 for a list without selection). OK always ends the dialog.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_SERIAL_DLG_H_
#define QV_CONFIG_TOOL_SERIAL_DLG_H_

#include <QDialog>

#include "common/toolreg/device_save.h"

class QComboBox;

namespace qvconfig {

class CSerialDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSerialDlg(const qvtoolreg::SerialSettings& settings, QWidget* parent = nullptr);

 private:
  void OnOK();

  QComboBox* m_port;
  QComboBox* m_baudRate;
  QComboBox* m_dataBits;
  QComboBox* m_parity;
  QComboBox* m_stopBits;
  QComboBox* m_flowControl;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_SERIAL_DLG_H_
