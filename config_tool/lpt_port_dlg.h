// CLPTPortDlg, caption "LPT": chooses the parallel port for the next printer
// Save. The list shows the spooler's port names that are LPT ports, with
// their colon ("LPT1:"), in the spooler's order, first one selected; OK is
// enabled only when there is one. OK copies the selected name into the
// pending LPT port (without a selection the pending name stays) and ends.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_LPT_PORT_DLG_H_
#define QV_CONFIG_TOOL_LPT_PORT_DLG_H_

#include <QDialog>

class QComboBox;

namespace qvconfig {

class CLPTPortDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CLPTPortDlg(QWidget* parent = nullptr);

 private:
  void OnOK();

  QComboBox* m_port;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_LPT_PORT_DLG_H_
