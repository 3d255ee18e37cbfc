// CLogDlg, caption "Log": sets the trace level of the service objects.
//
// The list holds the seven levels "None" (0) to "FunctionAll" (6); the
// stored LogVerbosity is selected on opening (0 when missing; a number
// outside 0 to 6 selects nothing). OK writes the selected level as
// LogVerbosity and "TORVEX" as PrimaryConfig; a stored number outside 0 to 6
// that the user did not replace is left as it is (only PrimaryConfig is
// written). Cancel writes nothing. Write failures are not shown.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_LOG_DLG_H_
#define QV_CONFIG_TOOL_LOG_DLG_H_

#include <QDialog>
#include <cstdint>

class QComboBox;

namespace qvconfig {

class CLogDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CLogDlg(QWidget* parent = nullptr);

 private:
  void OnLevelChosen(int index);
  void OnOK();

  QComboBox* m_level;
  int32_t m_selectedLevel = 0;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_LOG_DLG_H_
