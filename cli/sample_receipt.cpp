#include "cli/sample_receipt.h"

#include "cli/cli_util.h"
#include "platform/apartment/message_queue.h"
#include "platform/base/clock.h"

namespace qvcli {
namespace {

constexpr int32_t kStation = 2;                    // PTR_S_RECEIPT
constexpr int32_t kMapMetric = 4;                  // PTR_MM_METRIC
constexpr int32_t kTpTransaction = 11;             // PTR_TP_TRANSACTION
constexpr int32_t kTpNormal = 12;                  // PTR_TP_NORMAL
constexpr int32_t kRotateLeft90Sideways = 0x3102;  // PTR_RP_LEFT90 | PTR_RP_BARCODE | PTR_RP_BITMAP
constexpr int32_t kRotateNormal = 1;               // PTR_RP_NORMAL
constexpr int32_t kUpcA = 101;                     // PTR_BCS_UPCA
constexpr int32_t kBcCenter = -2;                  // PTR_BC_CENTER
constexpr int32_t kBcTextBelow = -13;              // PTR_BC_TEXT_BELOW
constexpr int32_t kStateIdle = 2;                  // OPOS_S_IDLE
constexpr char16_t kEsc[] = u"\x1b";

std::u16string FormatTime(std::time_t now, const char* format) {
  std::tm local = {};
  localtime_r(&now, &local);
  char text[64];
  const size_t length = std::strftime(text, sizeof text, format, &local);
  return Widen(std::string_view(text, length));
}

}  // namespace

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

ReceiptOutcome PrintSampleReceipt(qvopos::PosPrinter& printer, std::time_t now,
                                  const std::function<void(std::string_view)>& progress) {
  ReceiptOutcome outcome;
  const auto fail = [&outcome](const std::string& step, int32_t rc) {
    outcome.failure = step + " failed with " + std::to_string(rc);
    return outcome;
  };
  if (printer.GetNumber(u"CapRecPresent") == 0) {
    outcome.failure = "This Printer doesn't have the Receipt Station.";
    return outcome;
  }
  if (printer.GetNumber(u"CapRecLeft90") == 0) {
    outcome.failure = "This printer doesn't have a rotation printing function.";
    return outcome;
  }
  printer.Set(u"MapMode", kMapMetric);
  const std::u16string dateText = FormatTime(now, "%B %d, %Y");
  const std::u16string timeText = FormatTime(now, "%p %I:%M");

  printer.Set(u"AsyncMode", 1);
  int32_t rc = printer.TransactionPrint(kStation, kTpTransaction);
  if (rc != 0) return fail("TransactionPrint (begin)", rc);
  rc = printer.RotatePrint(kStation, kRotateLeft90Sideways);
  if (rc != 0) progress("RotatePrint (left 90) failed with " + std::to_string(rc));

  const std::vector<std::u16string> body = SampleReceiptBody(dateText, timeText);
  for (size_t i = 0; i < body.size(); ++i) {
    if (i == 2) {
      // The line spacing follows the line height from here on.
      printer.Set(u"RecLineSpacing", printer.GetNumber(u"RecLineHeight"));
    }
    rc = printer.PrintNormal(kStation, body[i]);
    if (rc != 0) return fail("PrintNormal of receipt line " + std::to_string(i + 1), rc);
  }
  rc = printer.PrintBarCode(kStation, u"123456789012", kUpcA, 500,
                            printer.GetNumber(u"RecLineWidth") / 2, kBcCenter, kBcTextBelow);
  if (rc != 0) {
    progress("PrintBarCode failed with " + std::to_string(rc) + "; going on without it");
    printer.ClearOutput();
  }
  printer.RotatePrint(kStation, kRotateNormal);
  const std::u16string feed =
      kEsc + Widen("|" + std::to_string(printer.GetNumber(u"RecLinesToPaperCut")) + "lF");
  rc = printer.PrintNormal(kStation, feed);
  if (rc != 0) return fail("PrintNormal of the feed to the cutter", rc);
  if (printer.GetNumber(u"CapRecPapercut") != 0) {
    rc = printer.CutPaper(100);
    if (rc != 0) return fail("CutPaper", rc);
  }
  if (!qvplatform::PumpUntil([&] { return printer.State() == kStateIdle; },
                             qvplatform::ScaledMs(10000))) {
    return fail("waiting for the idle state, State", printer.State());
  }
  rc = printer.TransactionPrint(kStation, kTpNormal);
  printer.Set(u"AsyncMode", 0);
  if (rc != 0) return fail("TransactionPrint (end)", rc);
  outcome.ok = true;
  return outcome;
}

}  // namespace qvcli
