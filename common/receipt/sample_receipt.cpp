#include "common/receipt/sample_receipt.h"

#include <iomanip>
#include <locale>
#include <sstream>
#include <string_view>

#include "platform/base/clock.h"

namespace qvreceipt {
namespace {

constexpr int32_t kStation = 2;                    // PTR_S_RECEIPT
constexpr int32_t kMapMetric = 4;                  // PTR_MM_METRIC
constexpr int32_t kTpTransaction = 11;             // PTR_TP_TRANSACTION
constexpr int32_t kTpNormal = 12;                  // PTR_TP_NORMAL
constexpr int32_t kRotateLeft90Sideways = 0x3102;  // PTR_RP_LEFT90 | PTR_RP_BARCODE | PTR_RP_BITMAP
constexpr int32_t kRotateNormal = 1;               // PTR_RP_NORMAL
constexpr int32_t kUpcA = 101;                     // PTR_BCS_UPCA
constexpr int32_t kBarcodeHeight = 500;            // 5 mm in metric units
constexpr int32_t kBcCenter = -2;                  // PTR_BC_CENTER
constexpr int32_t kBcTextBelow = -13;              // PTR_BC_TEXT_BELOW
constexpr int32_t kStateIdle = 2;                  // OPOS_S_IDLE
constexpr int32_t kOposEFailure = 111;             // OPOS_E_FAILURE
constexpr char16_t kEsc[] = u"\x1b";
constexpr char16_t kBarcodeData[] = u"123456789012";

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string FormatLocalTime(std::time_t now, const char* format) {
  std::tm local = {};
  localtime_r(&now, &local);
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::put_time(&local, format);
  return Ascii(out.str());
}

// The calls of one printer, each giving its ResultCode.
class Calls {
 public:
  explicit Calls(qvopos::PosPrinter& printer) : m_printer(printer) {}

  int32_t Method(std::u16string_view name, const std::vector<qvopos::OposValue>& args) {
    const qvopos::CallResult result = m_printer.Call(name, args);
    return FAILED(result.hr) ? kOposEFailure : result.resultCode;
  }
  int32_t PrintNormal(const std::u16string& text) {
    return Method(u"PrintNormal", {kStation, text});
  }
  int32_t Set(std::u16string_view property, int32_t value) {
    return FAILED(m_printer.Set(property, value)) ? kOposEFailure : m_printer.ResultCode();
  }
  int32_t Get(std::u16string_view property) { return m_printer.GetNumber(property); }

 private:
  qvopos::PosPrinter& m_printer;
};

// Step 5: the body and the barcode, with the question on a failure.
// Returns true when the user aborted.
bool PrintBody(Calls& calls, const std::vector<std::u16string>& body,
               const SampleReceiptCallbacks& callbacks, int* bodies) {
  // The body's calls in order: the lines, the line spacing after the second
  // line (a setting, not checked), the barcode last.
  std::vector<std::function<int32_t()>> steps;
  for (size_t i = 0; i < body.size(); ++i) {
    if (i == 2) {
      steps.push_back([&calls] {
        calls.Set(u"RecLineSpacing", calls.Get(u"RecLineHeight"));
        return 0;
      });
    }
    steps.push_back([&calls, &line = body[i]] { return calls.PrintNormal(line); });
  }
  steps.push_back([&calls] {
    return calls.Method(u"PrintBarCode",
                        {kStation, std::u16string(kBarcodeData), kUpcA, kBarcodeHeight,
                         calls.Get(u"RecLineWidth") / 2, kBcCenter, kBcTextBelow});
  });

  *bodies = 1;
  size_t next = 0;
  while (next < steps.size()) {
    const int32_t rc = steps[next]();
    if (rc == 0) {
      ++next;
      continue;
    }
    const OutputFailureAnswer answer =
        callbacks.outputFailed ? callbacks.outputFailed(rc) : OutputFailureAnswer::kAbort;
    if (answer != OutputFailureAnswer::kIgnore) calls.Method(u"ClearOutput", {});
    switch (answer) {
      case OutputFailureAnswer::kRetry:
        next = 0;
        ++*bodies;
        break;
      case OutputFailureAnswer::kAbort: return true;
      case OutputFailureAnswer::kIgnore: ++next; break;
    }
  }
  return false;
}

}  // namespace

std::u16string StopMessage(ReceiptStop stop) {
  switch (stop) {
    case ReceiptStop::kCompleted: return {};
    case ReceiptStop::kNoReceiptStation: return u"This Printer doesn't have the Receipt Station.";
    case ReceiptStop::kNoRotation:
      return u"This printer doesn't have a rotation printing function.";
    case ReceiptStop::kTransactionRefused: return u"Can't use a POS Printer.";
  }
  return {};
}

std::u16string ReceiptDateText(std::time_t now) { return FormatLocalTime(now, "%B %d, %Y"); }

std::u16string ReceiptTimeText(std::time_t now) { return FormatLocalTime(now, "%p %I:%M"); }

std::vector<std::u16string> SampleReceiptBody(const std::u16string& dateText,
                                              const std::u16string& timeText) {
  const std::u16string esc = kEsc;
  const std::u16string rule = esc + u"|N" + std::u16string(45, u'-') + u"\n";
  return {
      esc + u"|4C" + esc + u"|bC" + u"Receipt\n",
      esc + u"|2uC" + std::u16string(29, u' ') + dateText + u"\n",
      u"No.             Receiver             Time\n",
      u"0013            0031                 " + timeText + u"\n",
      rule,
      u"Dairy(020217)                          $28.00\n",
      u"Frozen(020219)                         $12.00\n",
      rule,
      u"Subtotal                               $40.00\n",
      u"Sales Tax                               $1.80\n",
      esc + u"|bC" + u"Total                                  $41.80\n",
      u"Payment                                $50.00\n",
      u"Change                                  $8.20\n",
      rule + esc + u"|lF",
  };
}

SampleReceiptResult PrintSampleReceipt(qvopos::PosPrinter& printer, std::time_t now,
                                       const SampleReceiptCallbacks& callbacks) {
  SampleReceiptResult result;
  Calls calls(printer);
  if (calls.Get(u"CapRecPresent") == 0) {
    result.stop = ReceiptStop::kNoReceiptStation;
    return result;
  }
  if (calls.Get(u"CapRecLeft90") == 0) {
    result.stop = ReceiptStop::kNoRotation;
    return result;
  }
  calls.Set(u"MapMode", kMapMetric);
  const std::vector<std::u16string> body =
      SampleReceiptBody(ReceiptDateText(now), ReceiptTimeText(now));

  calls.Set(u"AsyncMode", 1);
  const int32_t begun = calls.Method(u"TransactionPrint", {kStation, kTpTransaction});
  if (begun != 0) {
    result.stop = ReceiptStop::kTransactionRefused;
    result.resultCode = begun;
    return result;
  }
  calls.Method(u"RotatePrint", {kStation, kRotateLeft90Sideways});
  result.aborted = PrintBody(calls, body, callbacks, &result.bodies);
  calls.Method(u"RotatePrint", {kStation, kRotateNormal});
  if (result.aborted) {
    calls.Method(u"ClearOutput", {});
  } else {
    const std::string feed = "|" + std::to_string(calls.Get(u"RecLinesToPaperCut")) + "lF";
    calls.PrintNormal(kEsc + Ascii(feed));
    if (calls.Get(u"CapRecPapercut") != 0) calls.Method(u"CutPaper", {100});
  }

  const auto idle = [&printer] { return printer.State() == kStateIdle; };
  const bool becameIdle =
      callbacks.waitUntil ? callbacks.waitUntil(idle, qvplatform::ScaledMs(kIdleWaitMs)) : idle();
  if (!becameIdle && callbacks.stayedBusy) callbacks.stayedBusy(printer.State());

  result.resultCode = calls.Method(u"TransactionPrint", {kStation, kTpNormal});
  calls.Set(u"AsyncMode", 0);
  return result;
}

}  // namespace qvreceipt
