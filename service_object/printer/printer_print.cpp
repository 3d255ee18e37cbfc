// QVCOposPrinter: the print methods, the output modes (transaction,
// sideways page) and output completion.
//
// A failing call leaves the device buffer as it found it: translation rolls
// itself back, and a job is assembled in a separate command object that
// replaces the buffer only when complete.
#include <string>
#include <string_view>

#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/printer_constants.h"
#include "service_object/printer/printer_tables.h"

namespace {

void Check(LONG result) {
  if (result != OPOS_SUCCESS) throw QVError("Out of memory building the print job");
}

// The prefix that resets the printer's formatting ahead of every job; the
// buffered form lacks the leading SelectPeripheral.
void AppendPrintPrefix(Cmd& cmd, bool immediate, int32_t rotation) {
  if (immediate) Check(cmd.SelectPeripheral(1));
  Check(cmd.SetJustification(0));
  Check(cmd.SetLeftMargin(0, 0));
  Check(cmd.SetUpsideDown(rotation == PTR_RP_ROTATE180 ? 1 : 0));
  Check(cmd.SelectCodeTable(0));
  Check(cmd.SelectInternationalSet(0));
  Check(cmd.SelectKanjiMode());
  Check(cmd.SetCharacterSize(0));
  Check(cmd.SetFs3(30));
}

// Replaces the contents of `target` by those of `source`.
void ReplaceContents(Cmd& target, const Cmd& source) {
  target.Clear();
  Check(target.Append(source.Bytes()));
}

}  // namespace

void QVCOposPrinter::BuildPrintJob(bool immediate, std::string_view text,
                                   CEscapeTranslator& translator) {
  const LONG before = m_cmd->Length();
  LONG plain = translator.Translate(text, *m_cmd);
  try {
    if (!immediate && plain > m_widestText) m_widestText = plain;
    EscCmd job;
    AppendPrintPrefix(job, immediate, m_rotation);
    if (LogoRequested(true)) {
      std::string logo = GetLogo(1);
      if (!logo.empty()) CEscapeTranslator(m_mapMode, this).Translate(logo, job);
    }
    Check(job.Append(m_cmd->Bytes()));
    if (LogoRequested(false)) {
      std::string logo = GetLogo(2);
      if (!logo.empty()) CEscapeTranslator(m_mapMode, this).Translate(logo, job);
    }
    ReplaceContents(*m_cmd, job);
  } catch (...) {
    m_cmd->Truncate(before);
    throw;
  }
}

int32_t QVCOposPrinter::PrintText(const char* method, LONG /*Station*/, BSTR Data, bool immediate) {
  const bool normal = !immediate;
  std::string text = DecodeBinary(ToAnsi(Data));
  ClearLogoRequests();
  Trace(5, std::string(" ") + method + text);
  if (m_outputMode == 0) {
    if (normal) {
      Trace(5, " PrintNormal Call dataParse");
      if (text.empty()) return OPOS_SUCCESS;
    }
    CEscapeTranslator translator(m_mapMode, this);
    BuildPrintJob(true, text, translator);
    int32_t result = WriteDeviceBuffer();
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    return result;
  }
  if (normal) Trace(4, ">>> m_mapMode");
  m_bufferedTranslator.SetMapMode(m_mapMode);
  BuildPrintJob(false, text, m_bufferedTranslator);
  if (normal) Trace(5, " PrintNormal APPend");
  m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
  return OPOS_SUCCESS;
}

HRESULT QVCOposPrinter::PrintNormal(LONG Station, BSTR Data) {
  Guarded("PrintNormal", nullptr, [&] {
    TraceEnter("PrintNormal");
    m_resultCode = OPOS_SUCCESS;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("PrintNormal", OPOS_E_NOTCLAIMED, nullptr);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("PrintNormal", OPOS_E_DISABLED, nullptr);
      return;
    }
    if (Station != PTR_S_RECEIPT) throw OposError("PrintNormal:Invalid Station");
    CompleteMethod("PrintNormal", PrintText("PrintNormal", Station, Data, false), nullptr);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::PrintImmediate(LONG Station, BSTR Data, LONG* pRC) {
  Guarded("PrintImmediate", pRC, [&] {
    TraceEnter("PrintImmediate");
    m_resultCode = OPOS_SUCCESS;
    if ((m_flags.load() & kFlagDeviceEnabled) == 0) {
      CompleteMethod("PrintImmediate", OPOS_E_DISABLED, pRC);
      return;
    }
    if (pRC == nullptr) throw OposError("PrintImmediate:pRC NULL");
    if (Station != PTR_S_RECEIPT) throw OposError("PrintImmediate:Invalid Station");
    CompleteMethod("PrintImmediate", PrintText("PrintImmediate", Station, Data, true), pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::PrintTwoNormal(LONG /*Station*/, BSTR /*Data1*/, BSTR /*Data2*/,
                                       LONG* pRC) {
  Guarded("PrintTwoNormal", pRC, [&] {
    TraceEnter("PrintTwoNormal");
    m_resultCode = OPOS_E_ILLEGAL;
    int32_t result = OPOS_E_ILLEGAL;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      result = OPOS_E_NOTCLAIMED;
    } else if ((flags & kFlagDeviceEnabled) == 0) {
      result = OPOS_E_DISABLED;
    } else {
      m_resultCodeExtended = 0;
    }
    CompleteMethod("PrintTwoNormal", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::TransactionPrint(LONG Station, LONG Control, LONG* pRC) {
  Guarded("TransactionPrint", pRC, [&] {
    TraceEnter("TransactionPrint");
    m_resultCode = OPOS_E_ILLEGAL;
    if (pRC == nullptr) throw OposError("TransactionPrint NULL pointer");
    if (Station != PTR_S_RECEIPT) throw OposError("TransactionPrint invalid station");
    if (Control != PTR_TP_TRANSACTION && Control != PTR_TP_NORMAL) {
      throw OposError("TransactionPrint Bad 'Control' parameter.");
    }
    int32_t result = OPOS_SUCCESS;
    m_bufferedTranslator.ClearAttributes();
    if (Control == PTR_TP_TRANSACTION) {
      m_outputMode |= kModeTransaction;
    } else {
      m_outputMode &= ~kModeTransaction;
      result = WriteDeviceBuffer();
    }
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("TransactionPrint", result, pRC);
  });
  return S_OK;
}

int32_t QVCOposPrinter::PrintSidewaysPage() {
  if (m_cmd->Length() == 0) return OPOS_SUCCESS;
  // The direction comes from the rotation without its barcode and bitmap
  // flags, so a rotate-180 job really prints rotated by 180 degrees.
  int32_t direction = PTR_RP_NORMAL;
  switch (m_rotation & 0xFFF) {
    case PTR_RP_RIGHT90: direction = PTR_RP_RIGHT90; break;
    case PTR_RP_LEFT90: direction = PTR_RP_LEFT90; break;
    case PTR_RP_ROTATE180: direction = PTR_RP_ROTATE180; break;
    default: break;
  }
  const LONG height = m_widestText <= 20 ? 504 : 24 * m_widestText + 24;
  EscCmd page;
  Check(page.SelectPageMode());
  Check(page.SetPageArea(0, 0, 512, height));
  Check(page.SetPageDirection(direction));
  Check(page.SelectKanjiMode());
  Check(page.SelectCodeTable(0));
  Check(page.SelectInternationalSet(0));
  Check(page.FeedDots(21));
  Check(page.Append(m_cmd->Bytes()));
  Check(page.PrintPage());
  ReplaceContents(*m_cmd, page);
  if ((m_outputMode & kModeTransaction) != 0) return OPOS_SUCCESS;
  bool written = WriteCmd(*m_cmd);
  m_cmd->Clear();
  return written ? OPOS_SUCCESS : OPOS_E_FAILURE;
}

HRESULT QVCOposPrinter::RotatePrint(LONG Station, LONG Rotation, LONG* pRC) {
  Guarded("RotatePrint", pRC, [&] {
    Trace(4, ">>> RotatePrint:" + NumToString(Rotation));
    m_resultCode = OPOS_SUCCESS;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("RotatePrint", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("RotatePrint", OPOS_E_DISABLED, pRC);
      return;
    }
    if (Station != PTR_S_RECEIPT) throw OposError("RotatePrint:Invalid Station");
    m_resultCode = OPOS_E_ILLEGAL;
    if ((m_outputMode & kModeSideways) != 0 && Rotation != m_rotation) {
      int32_t flushed = PrintSidewaysPage();
      if (flushed != OPOS_SUCCESS) {
        CompleteMethod("RotatePrint", flushed, pRC);
        return;
      }
    }
    if (Rotation == PTR_RP_RIGHT90 || Rotation == PTR_RP_LEFT90) {
      m_outputMode |= kModeSideways;
    } else if (Rotation == PTR_RP_ROTATE180) {
      // The print prefix turns the printer upside down.
    } else if ((Rotation & PTR_RP_BARCODE) != 0) {
      m_outputMode |= kModeSideways;
      Trace(4, ">>> RotatePrint: PTR_RP_BARCODE&Rotation");
    } else if ((Rotation & PTR_RP_BITMAP) != 0) {
      // Bitmaps rotate themselves.
    } else {
      m_outputMode &= ~kModeSideways;
    }
    m_rotation = Rotation;
    m_widestText = 0;
    m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("RotatePrint", OPOS_SUCCESS, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::CutPaper(LONG Percentage, LONG* pRC) {
  Guarded("CutPaper", pRC, [&] {
    TraceEnter("CutPaper");
    TraceValue("Percentage", static_cast<long long>(Percentage));
    m_resultCode = OPOS_SUCCESS;
    if (pRC == nullptr) throw OposError("CutPaper:pRC NULL");
    Check(Percentage == 50 ? m_cmd->CutThreePointsLeft() : m_cmd->CutOnePointLeft());
    int32_t result = m_outputMode == 0 ? WriteDeviceBuffer() : OPOS_SUCCESS;
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("CutPaper", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::MarkFeed(LONG Type, LONG* pRC) {
  Guarded("MarkFeed", pRC, [&] {
    TraceEnter("MarkFeed");
    m_resultCode = OPOS_SUCCESS;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("MarkFeed", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("MarkFeed", OPOS_E_DISABLED, pRC);
      return;
    }
    if (pRC == nullptr) throw OposError("MarkFeed NULL pointer");
    if (Type != PTR_MF_TO_CUTTER) throw OposError("MarkFeed type not supported by printer");
    Check(m_cmd->FeedLineBreaks(4));
    int32_t result = m_outputMode == 0 ? WriteDeviceBuffer() : OPOS_SUCCESS;
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("MarkFeed", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::ValidateData(LONG Station, BSTR Data, LONG* pRC) {
  Guarded("ValidateData", pRC, [&] {
    TraceEnter("ValidateData");
    m_resultCode = OPOS_SUCCESS;
    if (pRC == nullptr) throw OposError("ValidateData NULL pointer");
    if (Station != PTR_S_RECEIPT) throw OposError("ValidateData invalid station");
    std::string text = DecodeBinary(ToAnsi(Data));
    CompleteMethod("ValidateData", m_bufferedTranslator.Check(text), pRC);
  });
  return S_OK;
}
