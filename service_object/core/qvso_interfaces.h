// The identities of the QVSO server and its two dual dispatch interfaces.
//
// IOposPrinter and ICCashDrawer are abstract classes in COM vtable order: the
// seven IDispatch methods, then the interface's methods in dispid order (the
// dispid of each equals its position). Every method returns S_OK; the OPOS
// outcome travels in the result parameter and the ResultCode property.
#ifndef QV_SERVICE_OBJECT_CORE_QVSO_INTERFACES_H_
#define QV_SERVICE_OBJECT_CORE_QVSO_INTERFACES_H_

#include "platform/com/interfaces.h"
#include "platform/com/types.h"

// {5009EFBB-A55E-4352-B360-2EE33042C321}
constexpr GUID LIBID_QVSOLib = {
    0x5009EFBB, 0xA55E, 0x4352, {0xB3, 0x60, 0x2E, 0xE3, 0x30, 0x42, 0xC3, 0x21}};
// {B7B7E528-089A-4577-A010-D1AC90D3E44B}
constexpr CLSID CLSID_QVOposPrinter = {
    0xB7B7E528, 0x089A, 0x4577, {0xA0, 0x10, 0xD1, 0xAC, 0x90, 0xD3, 0xE4, 0x4B}};
// {BAF4DF38-6424-4863-9B41-F607C3849684}
constexpr CLSID CLSID_CCashDrawer = {
    0xBAF4DF38, 0x6424, 0x4863, {0x9B, 0x41, 0xF6, 0x07, 0xC3, 0x84, 0x96, 0x84}};
// {4B03644F-0199-446C-A600-71C53FC1070C}
constexpr IID IID_IOposPrinter = {
    0x4B03644F, 0x0199, 0x446C, {0xA6, 0x00, 0x71, 0xC5, 0x3F, 0xC1, 0x07, 0x0C}};
// {475615BF-C849-4293-97D4-14D23029FBC4}
constexpr IID IID_ICCashDrawer = {
    0x475615BF, 0xC849, 0x4293, {0x97, 0xD4, 0x14, 0xD2, 0x30, 0x29, 0xFB, 0xC4}};

struct IOposPrinter : public IDispatch {
  virtual HRESULT COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) = 0;    // 1
  virtual HRESULT GetPropertyNumber(LONG PropIndex, LONG* pNumber) = 0;  // 2
  virtual HRESULT SetPropertyNumber(LONG PropIndex, LONG Number) = 0;    // 3
  virtual HRESULT GetPropertyString(LONG PropIndex, BSTR* pString) = 0;  // 4
  virtual HRESULT SetPropertyString(LONG PropIndex, BSTR String) = 0;    // 5
  virtual HRESULT OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch,
                              LONG* pRC) = 0;                   // 6
  virtual HRESULT CloseService(LONG* pRC) = 0;                  // 7
  virtual HRESULT ClaimDevice(LONG Timeout, LONG* pRC) = 0;     // 8
  virtual HRESULT ReleaseDevice(LONG* pRC) = 0;                 // 9
  virtual HRESULT BeginInsertion(LONG Timeout, LONG* pRC) = 0;  // 10
  virtual HRESULT BeginRemoval(LONG Timeout, LONG* pRC) = 0;    // 11
  virtual HRESULT CutPaper(LONG Percentage, LONG* pRC) = 0;     // 12
  virtual HRESULT EndInsertion(LONG* pRC) = 0;                  // 13
  virtual HRESULT EndRemoval(LONG* pRC) = 0;                    // 14
  virtual HRESULT PrintBarCode(LONG Station, BSTR Data, LONG Symbology, LONG Height, LONG Width,
                               LONG Alignment, LONG TextPosition,
                               LONG* pRC) = 0;  // 15
  virtual HRESULT PrintBitmap(LONG Station, BSTR FileName, LONG Width, LONG Alignment,
                              LONG* pRC) = 0;                                           // 16
  virtual HRESULT PrintImmediate(LONG Station, BSTR Data, LONG* pRC) = 0;               // 17
  virtual HRESULT PrintNormal(LONG Station, BSTR Data) = 0;                             // 18
  virtual HRESULT PrintTwoNormal(LONG Station, BSTR Data1, BSTR Data2, LONG* pRC) = 0;  // 19
  virtual HRESULT RotatePrint(LONG Station, LONG Rotation, LONG* pRC) = 0;              // 20
  virtual HRESULT SetBitmap(LONG BitmapNumber, LONG Station, BSTR FileName, LONG Width,
                            LONG Alignment, LONG* pRC) = 0;                           // 21
  virtual HRESULT SetLogo(LONG Location, BSTR Data, LONG* pRC) = 0;                   // 22
  virtual HRESULT TransactionPrint(LONG Station, LONG Control, LONG* pRC) = 0;        // 23
  virtual HRESULT ValidateData(LONG Station, BSTR Data, LONG* pRC) = 0;               // 24
  virtual HRESULT ChangePrintSide(LONG* pRC) = 0;                                     // 25
  virtual HRESULT MarkFeed(LONG Type, LONG* pRC) = 0;                                 // 26
  virtual HRESULT CheckHealth(LONG Level, LONG* pRC) = 0;                             // 27
  virtual HRESULT ClearOutput(LONG* pRC) = 0;                                         // 28
  virtual HRESULT ClearInput(LONG* pRC) = 0;                                          // 29
  virtual HRESULT DirectIO(LONG Command, LONG* pData, BSTR* pString, LONG* pRC) = 0;  // 30
  virtual HRESULT GetOpenResult(LONG* pRC) = 0;                                       // 31
  virtual HRESULT ResetStatistics(BSTR statisticsBuffer, LONG* pRC) = 0;              // 32
  virtual HRESULT RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) = 0;         // 33
  virtual HRESULT UpdateStatistics(BSTR statisticsBuffer, LONG* pRC) = 0;             // 34
  virtual HRESULT CompareFirmwareVersion(BSTR FirmwareFileName, LONG* pResult,
                                         LONG* pRC) = 0;                 // 35
  virtual HRESULT UpdateFirmware(BSTR FirmwareFileName, LONG* pRC) = 0;  // 36
  virtual HRESULT ClearPrintArea(LONG* pRC) = 0;                         // 37
  virtual HRESULT PageModePrint(LONG Control) = 0;                       // 38
  virtual HRESULT PrintMemoryBitmap(LONG Station, BSTR Data, LONG Type, LONG Width,
                                    LONG Alignment) = 0;  // 39
  virtual HRESULT DrawRuledLine(LONG Station, BSTR PositionList, LONG LineDirection, LONG LineWidth,
                                LONG LineStyle, LONG LineColor,
                                LONG* pRC) = 0;  // 40
};

struct ICCashDrawer : public IDispatch {
  virtual HRESULT OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch,
                              LONG* pRC) = 0;                                         // 1
  virtual HRESULT CheckHealth(LONG Level, LONG* pRC) = 0;                             // 2
  virtual HRESULT ClaimDevice(LONG Timeout, LONG* pRC) = 0;                           // 3
  virtual HRESULT ClearInput(LONG* pRC) = 0;                                          // 4
  virtual HRESULT CloseService(LONG* pRC) = 0;                                        // 5
  virtual HRESULT COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) = 0;                 // 6
  virtual HRESULT DirectIO(LONG Command, LONG* pData, BSTR* pString, LONG* pRC) = 0;  // 7
  virtual HRESULT GetOpenResult(LONG* pRC) = 0;                                       // 8
  virtual HRESULT ReleaseDevice(LONG* pRC) = 0;                                       // 9
  virtual HRESULT GetPropertyNumber(LONG PropIndex, LONG* pNumber) = 0;               // 10
  virtual HRESULT GetPropertyString(LONG PropIndex, BSTR* pString) = 0;               // 11
  virtual HRESULT SetPropertyNumber(LONG PropIndex, LONG Number) = 0;                 // 12
  virtual HRESULT SetPropertyString(LONG PropIndex, BSTR String) = 0;                 // 13
  virtual HRESULT ResetStatistics(BSTR statisticsBuffer, LONG* pRC) = 0;              // 14
  virtual HRESULT RetrieveStatistics(BSTR* pStatisticsBuffer, LONG* pRC) = 0;         // 15
  virtual HRESULT UpdateStatistics(BSTR statisticsBuffer, LONG* pRC) = 0;             // 16
  virtual HRESULT OpenDrawer() = 0;                                                   // 17
  virtual HRESULT WaitForDrawerClose(LONG BeepTimeout, LONG BeepFrequency, LONG BeepDuration,
                                     LONG BeepDelay) = 0;  // 18
};

#endif  // QV_SERVICE_OBJECT_CORE_QVSO_INTERFACES_H_
