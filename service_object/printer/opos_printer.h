// QVCOposPrinter: the service object of the OPOS device class POSPrinter,
// behind the dual dispatch interface IOposPrinter.
//
// Composition, in base order: the device base (CDevice: state, result codes,
// flag word, settings, claim mutex, events, command buffer), the hidden
// message window "CPrinterWindow" (timers 10 and 11, the private messages),
// the COM object root, the interface with its dispatch implementation, and
// the receive interface CCommData through which the report channel hands
// status images to the object. Objects are made by CreateComInstance (plain
// or aggregated, com_object.h).
//
// Threads: every interface method, the window and its timers belong to the
// thread that created the object. ProcessCommData runs on the channel's read
// thread and ProcessEvent on the event worker; both touch only atomic words,
// the event queue and (ProcessEvent) the control object's callbacks and the
// enable routine, which holds the enable lock.
//
// Errors: every method returns S_OK. The OPOS outcome is in the result
// parameter and ResultCode. An exception that reaches a method is caught
// there: OposError (a print error) gives 106, anything else 111, with the
// trace line "Error: <method>: <text>". Bytes that cannot be handed to an
// open, connected channel give 111 and no output-complete event.
#ifndef QV_SERVICE_OBJECT_PRINTER_OPOS_PRINTER_H_
#define QV_SERVICE_OBJECT_PRINTER_OPOS_PRINTER_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/apartment/message_window.h"
#include "platform/com/dispatch.h"
#include "platform/sync/critical_section.h"
#include "service_object/comm/comm.h"
#include "service_object/core/com_object.h"
#include "service_object/core/device.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/printer/escape_translator.h"

struct CDeviceEvent;

// Process-wide: which of the four status requests the next poll tick sends.
extern std::atomic<int32_t> StatusPollCounter;

class QVCOposPrinter : public CDevice,
                       public qvplatform::MessageWindow,
                       public CComObjectRoot,
                       public IOposPrinter,
                       public CCommData,
                       public CEscapeHost {
 public:
  static constexpr char kTraceTag[] = "QVCOposPrinter";
  static constexpr char16_t kWindowTitle[] = u"CPrinterWindow";

  // Window timers and private messages.
  static constexpr UINT_PTR kStatusTimerId = 10;
  static constexpr UINT_PTR kHeartbeatTimerId = 11;
  static constexpr UINT kMsgDataEvent = WM_USER + 101;
  static constexpr UINT kMsgErrorEvent = WM_USER + 102;
  static constexpr UINT kMsgOutputComplete = WM_USER + 104;

  // Output mode flags.
  static constexpr uint32_t kModeSideways = 0x1;
  static constexpr uint32_t kModePage = 0x2;
  static constexpr uint32_t kModeTransaction = 0x4;

  QVCOposPrinter();
  ~QVCOposPrinter() override;

  // COM plumbing (com_object.h).
  static const IID& InterfaceId() { return IID_IOposPrinter; }
  static const CLSID& ClassId();
  IDispatch* DispatchPointer() { return static_cast<IOposPrinter*>(this); }
  HRESULT FinalConstruct();
  void FinalRelease();
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
  // The dispatch table of IOposPrinter (dispids as the interface's order).
  static const qvplatform::DispatchTable& DispTable();

  // IDispatch.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                        DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // IOposPrinter.
  HRESULT COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) override;
  HRESULT GetPropertyNumber(LONG PropIndex, LONG* pNumber) override;
  HRESULT SetPropertyNumber(LONG PropIndex, LONG Number) override;
  HRESULT GetPropertyString(LONG PropIndex, BSTR* pString) override;
  HRESULT SetPropertyString(LONG PropIndex, BSTR String) override;
  HRESULT OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch, LONG* pRC) override;
  HRESULT CloseService(LONG* pRC) override;
  HRESULT ClaimDevice(LONG Timeout, LONG* pRC) override;
  HRESULT ReleaseDevice(LONG* pRC) override;
  HRESULT BeginInsertion(LONG Timeout, LONG* pRC) override;
  HRESULT BeginRemoval(LONG Timeout, LONG* pRC) override;
  HRESULT CutPaper(LONG Percentage, LONG* pRC) override;
  HRESULT EndInsertion(LONG* pRC) override;
  HRESULT EndRemoval(LONG* pRC) override;
  HRESULT PrintBarCode(LONG Station, BSTR Data, LONG Symbology, LONG Height, LONG Width,
                       LONG Alignment, LONG TextPosition, LONG* pRC) override;
  HRESULT PrintBitmap(LONG Station, BSTR FileName, LONG Width, LONG Alignment, LONG* pRC) override;
  HRESULT PrintImmediate(LONG Station, BSTR Data, LONG* pRC) override;
  HRESULT PrintNormal(LONG Station, BSTR Data) override;
  HRESULT PrintTwoNormal(LONG Station, BSTR Data1, BSTR Data2, LONG* pRC) override;
  HRESULT RotatePrint(LONG Station, LONG Rotation, LONG* pRC) override;
  HRESULT SetBitmap(LONG BitmapNumber, LONG Station, BSTR FileName, LONG Width, LONG Alignment,
                    LONG* pRC) override;
  HRESULT SetLogo(LONG Location, BSTR Data, LONG* pRC) override;
  HRESULT TransactionPrint(LONG Station, LONG Control, LONG* pRC) override;
  HRESULT ValidateData(LONG Station, BSTR Data, LONG* pRC) override;
  HRESULT ChangePrintSide(LONG* pRC) override;
  HRESULT MarkFeed(LONG Type, LONG* pRC) override;
  HRESULT CheckHealth(LONG Level, LONG* pRC) override;
  HRESULT ClearOutput(LONG* pRC) override;
  HRESULT ClearInput(LONG* pRC) override;
  HRESULT DirectIO(LONG Command, LONG* pData, BSTR* pString, LONG* pRC) override;
  HRESULT GetOpenResult(LONG* pRC) override;
  HRESULT ResetStatistics(BSTR statisticsBuffer, LONG* pRC) override;
  HRESULT RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) override;
  HRESULT UpdateStatistics(BSTR statisticsBuffer, LONG* pRC) override;
  HRESULT CompareFirmwareVersion(BSTR FirmwareFileName, LONG* pResult, LONG* pRC) override;
  HRESULT UpdateFirmware(BSTR FirmwareFileName, LONG* pRC) override;
  HRESULT ClearPrintArea(LONG* pRC) override;
  HRESULT PageModePrint(LONG Control) override;
  HRESULT PrintMemoryBitmap(LONG Station, BSTR Data, LONG Type, LONG Width,
                            LONG Alignment) override;
  HRESULT DrawRuledLine(LONG Station, BSTR PositionList, LONG LineDirection, LONG LineWidth,
                        LONG LineStyle, LONG LineColor, LONG* pRC) override;

  // CCommData: a status image from the report channel's read thread.
  void ProcessCommData(const std::string& data) override;

  // CEscapeHost.
  std::string StoredBitmap(LONG number) const override;
  void RequestLogo(bool top) override;

  // The event worker's callback.
  void ProcessEvent(const CDeviceEvent& event);

  // One status poll tick (timer 10); public for tests.
  void OnStatusTimer();

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Runs `body` with the dispatch boundary's exception handling: an escaping
  // OposError gives 106, anything else 111, stored in ResultCode and *pRC.
  void Guarded(const char* method, LONG* pRC, const std::function<void()>& body);

  void InitProperties();
  void EnableDevice(bool enable);
  bool DeviceCommEnable(bool enable);
  void OpenReportChannel();
  void CloseReportChannel();
  // The network client is counted per user: each object closes what it
  // opened.
  void ReleaseNetworkChannel();
  // Writes `command` through the arbiter by interface index; false when the
  // bytes did not reach an open, connected channel.
  bool WriteCmd(const Cmd& command);
  // Writes and empties the device buffer and completes the output; the
  // result is 0, or 111 when the bytes did not reach the printer.
  int32_t WriteDeviceBuffer();
  void OnOutputComplete();

  std::string ToAnsi(BSTR text) const;
  void BuildPrintJob(bool immediate, std::string_view text, CEscapeTranslator& translator);
  int32_t PrintText(const char* method, LONG Station, BSTR Data, bool immediate);
  int32_t PrintSidewaysPage();

  // Pictures and page mode (printer_bitmap.cpp, printer_page_mode.cpp).
  void TraceBitmapDescription(const qvplatform::DibDescription& picture) const;
  // Appends the justification and the upright raster of `picture` at Width
  // (map units, or PTR_BM_ASIS) to `cmd`; 106 for a size beyond the bounds,
  // 111 when memory runs out, with nothing appended.
  int32_t AppendPicture(Cmd& cmd, const qvplatform::DibDescription& picture, LONG Width,
                        LONG Alignment) const;
  // Writes unless an output mode collects; 201 on success.
  int32_t FinishPicturePrint();
  // Wraps the collected device buffer in the page header.
  void WrapPage();
  int32_t RecLineWidthInMapMode() const;

  qvplatform::CriticalSection m_enableLock;
  qvplatform::CriticalSection m_outputCompleteLock;

  // Properties.
  int32_t m_characterSet = 998;
  std::atomic<int32_t> m_coverOpen{0};
  int32_t m_flagWhenIdle = 0;
  int32_t m_mapMode = 1;
  std::atomic<int32_t> m_recEmpty{0};
  int32_t m_recLineChars = 42;
  int32_t m_recLineHeight = 0;
  int32_t m_recLineSpacing = 0;
  int32_t m_recLinesToPaperCut = 5;
  int32_t m_recLineWidth = 576;
  std::atomic<int32_t> m_recNearEnd{0};
  int32_t m_recSidewaysMaxChars = 0;
  int32_t m_recSidewaysMaxLines = 0;
  std::atomic<int32_t> m_errorLevel{1};
  int32_t m_rotateSpecial = 1;
  int32_t m_jrnCartridgeState = 0x10000000;
  int32_t m_mapCharacterSet = 1;
  int32_t m_pageModeHorizontalPosition = 0;
  int32_t m_pageModePrintDirection = 0;
  int32_t m_pageModeStation = 0;
  int32_t m_pageModeVerticalPosition = 0;
  std::atomic<int32_t> m_outputId{0};
  std::string m_errorString;
  std::string m_pageModeArea;
  std::string m_pageModePrintArea;

  bool m_holdsNetworkChannel = false;

  // Printing.
  uint32_t m_outputMode = 0;
  int32_t m_rotation = 0;
  int32_t m_widestText = 0;
  CEscapeTranslator m_bufferedTranslator{1};
  // The last PageModePrint control (PTR_PM_NORMAL after OpenService).
  LONG m_lastPageModeControl = 3;

  // Status: the previous image, sign-extended.
  std::atomic<int32_t> m_lastStatus[4] = {0, 0, 0, 0};
};

#endif  // QV_SERVICE_OBJECT_PRINTER_OPOS_PRINTER_H_
