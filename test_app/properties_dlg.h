// COPosPropertiesDlg: the "Properties" dialog of the printer page. On
// opening it reads 22 capabilities of the page's printer control object and
// shows each as text beside its name; "Close" ends it. The bit-mask
// capabilities are compared as whole values, so a printer that reports
// several bits shows the text of "any other value".
//
// GUI thread only; modal, created per use. Reading a capability may throw
// CAutomationException (from the constructor).
#ifndef QV_TEST_APP_PROPERTIES_DLG_H_
#define QV_TEST_APP_PROPERTIES_DLG_H_

#include <QDialog>
#include <QString>
#include <cstdint>

#include "test_app/opos_control.h"

namespace qvtestapp {

// The value texts.
QString CharacterSetText(int32_t value);     // CapCharacterSet
QString BoolText(int32_t value);             // "True" / "False"
QString CartridgeSensorText(int32_t value);  // CapRecCartridgeSensor
QString ColorText(int32_t value);            // CapRecColor
QString MarkFeedText(int32_t value);         // CapRecMarkFeed
QString RuledLineText(int32_t value);        // CapRecRuledLine

class COPosPropertiesDlg : public QDialog {
  Q_OBJECT

 public:
  COPosPropertiesDlg(COPOSPOSPrinter1& control, QWidget* parent = nullptr);
};

}  // namespace qvtestapp

#endif  // QV_TEST_APP_PROPERTIES_DLG_H_
