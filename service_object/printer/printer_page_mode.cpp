// QVCOposPrinter: page mode (PageModePrint), ClearPrintArea and
// DrawRuledLine.
//
// While page mode is being built (output mode bit kModePage) print methods
// collect their bytes in the device buffer; PageModePrint wraps them in a
// page header made from the page-mode properties and sends them.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/apartment/window.h"
#include "service_object/core/errors.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/map_units.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/page_area.h"
#include "service_object/printer/printer_constants.h"

namespace {

constexpr LONG PTR_PM_PAGE_MODE = 1;
constexpr LONG PTR_PM_PRINT_SAVE = 2;
constexpr LONG PTR_PM_NORMAL = 3;

// The area used when PageModePrintArea is empty.
constexpr int32_t kDefaultPageWidth = 512;
constexpr int32_t kDefaultPageHeight = 1572;

void Check(LONG result) {
  if (result != OPOS_SUCCESS) throw QVError("Out of memory building the page");
}

// A decimal number at the start of `text` (blanks, an optional sign, then
// digits); 0 without digits; saturated at the 32-bit range.
int32_t LeadingNumber(std::string_view text) {
  std::string copy(text);
  errno = 0;
  long long value = std::strtoll(copy.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Direction for SetPageDirection from PageModePrintDirection.
LONG PageDirection(int32_t direction) {
  switch (direction) {
    case 2: return PTR_RP_LEFT90;     // bottom to top
    case 3: return PTR_RP_ROTATE180;  // right to left
    case 4: return PTR_RP_RIGHT90;    // top to bottom
    default: return PTR_RP_NORMAL;    // left to right
  }
}

}  // namespace

PageArea ParsePageModePrintArea(std::string_view text) {
  if (text.empty()) return {0, 0, kDefaultPageWidth, kDefaultPageHeight};
  int32_t fields[4] = {0, 0, 0, 0};
  size_t start = 0;
  for (int i = 0; i < 4 && start <= text.size(); ++i) {
    size_t comma = i < 3 ? text.find(',', start) : std::string_view::npos;
    size_t end = comma == std::string_view::npos ? text.size() : comma;
    fields[i] = LeadingNumber(text.substr(start, end - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return {fields[0], fields[1], fields[2], fields[3]};
}

void QVCOposPrinter::WrapPage() {
  const PageArea area = ParsePageModePrintArea(m_pageModePrintArea);
  EscCmd page;
  Check(page.SelectPageMode());
  Check(page.SetPageArea(area.x, area.y, static_cast<LONG>(MapUnitsToDots(m_mapMode, area.width)),
                         static_cast<LONG>(MapUnitsToDots(m_mapMode, area.height))));
  Check(page.SetPageDirection(PageDirection(m_pageModePrintDirection)));
  Check(page.SelectKanjiMode());
  Check(page.SelectCodeTable(0));
  Check(page.SelectInternationalSet(0));
  // Remainder and quotient truncate toward zero, as C++ division does.
  const LONG h = static_cast<LONG>(MapUnitsToDots(m_mapMode, m_pageModeHorizontalPosition));
  const LONG v = static_cast<LONG>(MapUnitsToDots(m_mapMode, m_pageModeVerticalPosition));
  Check(page.SetAbsolutePosition(h % 256, h / 256));
  Check(page.SetAbsoluteVerticalPosition(v % 256, v / 256));
  Check(page.Append(m_cmd->Bytes()));
  m_cmd->Clear();
  Check(m_cmd->Append(page.Bytes()));
}

HRESULT QVCOposPrinter::PageModePrint(LONG Control) {
  Guarded("PageModePrint", nullptr, [&] {
    TraceEnter("PageModePrint");
    m_resultCode = OPOS_E_ILLEGAL;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("PageModePrint", OPOS_E_NOTCLAIMED, nullptr);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("PageModePrint", OPOS_E_DISABLED, nullptr);
      return;
    }
    const LONG last = m_lastPageModeControl;
    if (Control == last && Control != PTR_PM_PRINT_SAVE) {
      CompleteMethod("PageModePrint", OPOS_SUCCESS, nullptr);
      return;
    }
    int32_t result = OPOS_SUCCESS;
    const std::string collected(m_cmd->Bytes());
    try {
      if (Control == PTR_PM_PAGE_MODE) {
        m_outputMode |= kModePage;
      } else if (Control == PTR_PM_PRINT_SAVE) {
        if (last == PTR_PM_PAGE_MODE) {
          if (m_cmd->Length() != 0) WrapPage();
          Check(m_cmd->PrintPage());
        } else {
          Trace(4, ">>> PageModePrint PTR_PM_PRINT_SAVE");
        }
        // The page stays collected: a later PTR_PM_NORMAL sends it again.
        if (WriteCmd(*m_cmd)) {
          SendMessage(hwnd(), kMsgOutputComplete, 0, 0);
        } else {
          result = OPOS_E_FAILURE;
        }
      } else if (Control == PTR_PM_NORMAL) {
        m_outputMode &= ~kModePage;
        if (last == PTR_PM_PAGE_MODE && m_cmd->Length() != 0) WrapPage();
        Check(m_cmd->PrintPage());
        result = WriteDeviceBuffer();
      } else {
        m_outputMode &= ~kModePage;
        EscCmd cancel;
        Check(cancel.SelectStandardMode());
        m_cmd->Clear();
        if (WriteCmd(cancel)) {
          SendMessage(hwnd(), kMsgOutputComplete, 0, 0);
        } else {
          result = OPOS_E_FAILURE;
        }
      }
    } catch (...) {
      // Memory ran out while building: the collected page stays as it was.
      m_cmd->Clear();
      m_cmd->Append(collected);
      throw;
    }
    m_lastPageModeControl = Control;
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("PageModePrint", result, nullptr);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::ClearPrintArea(LONG* pRC) {
  Guarded("ClearPrintArea", pRC, [&] {
    TraceEnter("ClearPrintArea");
    m_resultCode = OPOS_E_ILLEGAL;
    if (pRC == nullptr) throw OposError("PageModePrint NULL pointer");
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("ClearPrintArea", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("ClearPrintArea", OPOS_E_DISABLED, pRC);
      return;
    }
    if (m_pageModeStation != PTR_S_RECEIPT) throw OposError("PageMode Station Error");
    int32_t result = OPOS_SUCCESS;
    if ((m_outputMode & kModePage) != 0) {
      // Ends the printer's page mode and drops what was collected; page
      // mode stays on for what follows.
      EscCmd clear;
      Check(clear.SelectStandardMode());
      m_cmd->Clear();
      if (WriteCmd(clear)) {
        SendMessage(hwnd(), kMsgOutputComplete, 0, 0);
      } else {
        result = OPOS_E_FAILURE;
      }
    }
    if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
    CompleteMethod("ClearPrintArea", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::DrawRuledLine(LONG Station, BSTR /*PositionList*/, LONG /*LineDirection*/,
                                      LONG /*LineWidth*/, LONG /*LineStyle*/, LONG /*LineColor*/,
                                      LONG* pRC) {
  Guarded("DrawRuledLine", pRC, [&] {
    TraceEnter("DrawRuledLine");
    m_resultCode = OPOS_E_ILLEGAL;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("DrawRuledLine", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("DrawRuledLine", OPOS_E_DISABLED, pRC);
      return;
    }
    if (Station != PTR_S_RECEIPT) throw OposError("DrawRuledLine:Invalid Station");
    // Ruled lines are not supported by the printer.
    CompleteMethod("DrawRuledLine", OPOS_E_NOSERVICE, pRC);
  });
  return S_OK;
}
