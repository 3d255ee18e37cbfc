// The sample receipt of the test application, which `qvopos demo` prints
// too: through a POSPrinter control object that is open, claimed and
// enabled, a transaction holding a sideways (left 90) part with the receipt
// text and a UPC-A barcode, then a feed to the cutter and a cut.
//
// The steps:
//  1. CapRecPresent and CapRecLeft90 must be true, else the receipt stops
//     (kNoReceiptStation, kNoRotation) before anything is set.
//  2. MapMode metric; the date and time texts come from `now` (local time).
//  3. AsyncMode on, TransactionPrint(begin); a refusal stops the receipt
//     (kTransactionRefused; map mode and asynchronous mode stay as set).
//  4. RotatePrint left 90 with barcodes and bitmaps.
//  5. The body (SampleReceiptBody, with RecLineSpacing set from
//     RecLineHeight after the second line) and the barcode. Every call is
//     checked: on the first one that fails, `outputFailed` is asked.
//     Retry: ClearOutput and print the body again from its first line.
//     Abort: ClearOutput and skip the rest of the body. Ignore: go on with
//     the next call of the body.
//  6. RotatePrint normal. Aborted: ClearOutput once more. Otherwise the feed
//     to the cutter (RecLinesToPaperCut lines) and, when CapRecPapercut, a
//     full cut.
//  7. Waits (bounded, ScaledMs(kIdleWaitMs), through `waitUntil`, which
//     must deliver the apartment's events) until State is idle; if it is
//     not, `stayedBusy` is told the state and the receipt goes on.
//  8. TransactionPrint(end), AsyncMode off. Its result is the receipt's.
//
// A dispatch failure of a call (no control object, a bad member) counts as
// OPOS_E_FAILURE (111). Thread: the one that owns the control object and
// pumps its apartment (the callbacks are called on it).
#ifndef QV_COMMON_RECEIPT_SAMPLE_RECEIPT_H_
#define QV_COMMON_RECEIPT_SAMPLE_RECEIPT_H_

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "control_objects/opos_device.h"

namespace qvreceipt {

inline constexpr int64_t kIdleWaitMs = 10000;

enum class OutputFailureAnswer { kAbort, kRetry, kIgnore };

enum class ReceiptStop {
  kCompleted,           // ran to the end of the transaction
  kNoReceiptStation,    // CapRecPresent false
  kNoRotation,          // CapRecLeft90 false
  kTransactionRefused,  // TransactionPrint(begin) failed
};

struct SampleReceiptCallbacks {
  // A call of the body failed with `resultCode`; the answer decides.
  std::function<OutputFailureAnswer(int32_t resultCode)> outputFailed;
  // Delivers events until `done()` holds or `timeoutMs` real milliseconds
  // have passed; returns done().
  std::function<bool(const std::function<bool()>& done, int64_t timeoutMs)> waitUntil;
  // The printer did not become idle in time; State read `state`.
  std::function<void(int32_t state)> stayedBusy;
};

struct SampleReceiptResult {
  ReceiptStop stop = ReceiptStop::kCompleted;
  // kCompleted: the ResultCode of TransactionPrint(end);
  // kTransactionRefused: that of TransactionPrint(begin); else 0.
  int32_t resultCode = 0;
  bool aborted = false;  // the user answered Abort
  int bodies = 0;        // how often the body was started
};

// The text the program shows for a stop; empty for kCompleted.
std::u16string StopMessage(ReceiptStop stop);

SampleReceiptResult PrintSampleReceipt(qvopos::PosPrinter& printer, std::time_t now,
                                       const SampleReceiptCallbacks& callbacks);

// The date ("%B %d, %Y") and time ("%p %I:%M") texts of `now` in local time,
// with English month names and AM/PM whatever the program's locale.
std::u16string ReceiptDateText(std::time_t now);
std::u16string ReceiptTimeText(std::time_t now);

// The body lines (text and escape sequences) in print order; the
// line-spacing step between the 2nd and the 3rd line is not a print and is
// not in the list.
std::vector<std::u16string> SampleReceiptBody(const std::u16string& dateText,
                                              const std::u16string& timeText);

}  // namespace qvreceipt

#endif  // QV_COMMON_RECEIPT_SAMPLE_RECEIPT_H_
