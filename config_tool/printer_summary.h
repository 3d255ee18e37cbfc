// The printer page's summary of the chosen interface and its pending port
// settings, written into the summary edit as a whole (lines end in "\r\n"):
//
//   Interface Type:COM\r\nPort: COM3\r\nBaudRate: 19200\r\nByteSizes: 8
//   \r\nParity: None\r\nStopBits: 1\r\nFlowControl: NONE
//
// chosen by the number of the Interface Type item (the list is sorted):
// 0 "COM", 1 "ENet", 2 "LPT", 3 "USB". The network summary always ends in
// "\r\nPort: 9100", the port the printer listens on. Pure function.
#ifndef QV_CONFIG_TOOL_PRINTER_SUMMARY_H_
#define QV_CONFIG_TOOL_PRINTER_SUMMARY_H_

#include <string>

#include "config_tool/pending_ports.h"

namespace qvconfig {

// `itemNumber` -1 (no selection) gives "Interface Type:" alone.
std::u16string PrinterSummaryText(int itemNumber, const std::u16string& itemText,
                                  const PendingPortSettings& pending);

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_PRINTER_SUMMARY_H_
