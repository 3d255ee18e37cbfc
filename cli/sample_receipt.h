// The test application's sample receipt, printed through a POSPrinter
// control object that is open, claimed and enabled: a transaction holding a
// sideways (left 90) part with the receipt text and a UPC-A barcode, then a
// feed to the cutter and a cut.
//
// Where the dialog asks the user to retry a failed output, this prints the
// failure on `progress` and goes on without retrying (the dialog's Ignore).
// The wait for the idle state is bounded. Main thread (the one that owns the
// control object and pumps it).
#ifndef QV_CLI_SAMPLE_RECEIPT_H_
#define QV_CLI_SAMPLE_RECEIPT_H_

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "control_objects/opos_device.h"

namespace qvcli {

struct ReceiptOutcome {
  bool ok = false;
  std::string failure;  // the step that failed and its result code
};

// `now` gives the date and time printed on the receipt.
ReceiptOutcome PrintSampleReceipt(qvopos::PosPrinter& printer, std::time_t now,
                                  const std::function<void(std::string_view)>& progress);

// The body lines (text and escape sequences) for the given date and time
// texts, in print order; the line-spacing step between the 2nd and the 3rd
// line is not a print and is not in the list.
std::vector<std::u16string> SampleReceiptBody(const std::u16string& dateText,
                                              const std::u16string& timeText);

}  // namespace qvcli

#endif  // QV_CLI_SAMPLE_RECEIPT_H_
