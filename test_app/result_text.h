// The test application's words for the OPOS result codes, shown in the
// printer page's output line and in the message boxes of the drawer page
// and the dialogs. The texts keep their CR LF pairs and tabs.
#ifndef QV_TEST_APP_RESULT_TEXT_H_
#define QV_TEST_APP_RESULT_TEXT_H_

#include <QString>
#include <cstdint>

namespace qvtestapp {

// The text for a non-zero ResultCode; empty for 0, 114 (OPOS_E_EXTENDED)
// and every code outside the table.
QString ResultText(int32_t resultCode);

// The program's text for a message key of the port library's table
// (BaseGetPOText), such as "PO_ERR_SELECT_PRINTER_TYPE"; empty when unknown.
QString POText(const char* key);

// The caption of message boxes that name none.
inline constexpr char16_t kProgramTitle[] = u"QVOPosTest";

}  // namespace qvtestapp

#endif  // QV_TEST_APP_RESULT_TEXT_H_
