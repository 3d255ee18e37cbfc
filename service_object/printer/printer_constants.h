// The published OPOS constants of the POSPrinter device class that the
// printer service object uses, by their published names.
#ifndef QV_SERVICE_OBJECT_PRINTER_PRINTER_CONSTANTS_H_
#define QV_SERVICE_OBJECT_PRINTER_PRINTER_CONSTANTS_H_

#include <cstdint>

// Stations.
constexpr int32_t PTR_S_JOURNAL = 1;
constexpr int32_t PTR_S_RECEIPT = 2;
constexpr int32_t PTR_S_SLIP = 4;

// ResultCodeExtended after a successful print operation and SetBitmap.
constexpr int32_t OPOS_EPTR_SUCCESS_PRINT = 201;
constexpr int32_t OPOS_EPTR_SUCCESS_BITMAP = 207;

// ErrorLevel.
constexpr int32_t PTR_EL_NONE = 1;

// TransactionPrint controls.
constexpr int32_t PTR_TP_TRANSACTION = 11;
constexpr int32_t PTR_TP_NORMAL = 12;

// RotatePrint rotations and flags.
constexpr int32_t PTR_RP_NORMAL = 0x0001;
constexpr int32_t PTR_RP_RIGHT90 = 0x0101;
constexpr int32_t PTR_RP_LEFT90 = 0x0102;
constexpr int32_t PTR_RP_ROTATE180 = 0x0103;
constexpr int32_t PTR_RP_BARCODE = 0x1000;
constexpr int32_t PTR_RP_BITMAP = 0x2000;

// MarkFeed types.
constexpr int32_t PTR_MF_TO_TAKEUP = 1;
constexpr int32_t PTR_MF_TO_CUTTER = 2;

// Status-update values.
constexpr int32_t PTR_SUE_COVER_OPEN = 11;
constexpr int32_t PTR_SUE_COVER_OK = 12;
constexpr int32_t PTR_SUE_REC_EMPTY = 24;
constexpr int32_t PTR_SUE_REC_NEAREMPTY = 25;
constexpr int32_t PTR_SUE_REC_PAPEROK = 26;

// PowerState.
constexpr int32_t OPOS_PS_UNKNOWN = 2000;

// Map modes.
constexpr int32_t PTR_MM_DOTS = 1;
constexpr int32_t PTR_MM_TWIPS = 2;
constexpr int32_t PTR_MM_ENGLISH = 3;
constexpr int32_t PTR_MM_METRIC = 4;

// Property indexes the printer answers (common, printer, capabilities,
// strings).
constexpr int32_t PIDX_Claimed = 1;
constexpr int32_t PIDX_DataEventEnabled = 2;
constexpr int32_t PIDX_DeviceEnabled = 3;
constexpr int32_t PIDX_FreezeEvents = 4;
constexpr int32_t PIDX_OutputID = 5;
constexpr int32_t PIDX_ResultCode = 6;
constexpr int32_t PIDX_ResultCodeExtended = 7;
constexpr int32_t PIDX_ServiceObjectVersion = 8;
constexpr int32_t PIDX_State = 9;
constexpr int32_t PIDX_AutoDisable = 10;
constexpr int32_t PIDX_BinaryConversion = 11;
constexpr int32_t PIDX_DataCount = 12;
constexpr int32_t PIDX_PowerNotify = 13;
constexpr int32_t PIDX_PowerState = 14;
constexpr int32_t PIDX_CapPowerReporting = 501;
constexpr int32_t PIDX_CapStatisticsReporting = 502;
constexpr int32_t PIDX_CapUpdateStatistics = 503;

constexpr int32_t PIDXPtr_AsyncMode = 8001;
constexpr int32_t PIDXPtr_CharacterSet = 8002;
constexpr int32_t PIDXPtr_CoverOpen = 8003;
constexpr int32_t PIDXPtr_FlagWhenIdle = 8005;
constexpr int32_t PIDXPtr_MapMode = 8013;
constexpr int32_t PIDXPtr_RecEmpty = 8014;
constexpr int32_t PIDXPtr_RecLineChars = 8016;
constexpr int32_t PIDXPtr_RecLineHeight = 8017;
constexpr int32_t PIDXPtr_RecLineSpacing = 8018;
constexpr int32_t PIDXPtr_RecLinesToPaperCut = 8019;
constexpr int32_t PIDXPtr_RecLineWidth = 8020;
constexpr int32_t PIDXPtr_RecNearEnd = 8021;
constexpr int32_t PIDXPtr_RecSidewaysMaxChars = 8022;
constexpr int32_t PIDXPtr_RecSidewaysMaxLines = 8023;
constexpr int32_t PIDXPtr_ErrorLevel = 8035;
constexpr int32_t PIDXPtr_RotateSpecial = 8036;
constexpr int32_t PIDXPtr_JrnCartridgeState = 8038;
constexpr int32_t PIDXPtr_SlpCurrentCartridge = 8044;
constexpr int32_t PIDXPtr_MapCharacterSet = 8045;
constexpr int32_t PIDXPtr_PageModeHorizontalPosition = 8047;
constexpr int32_t PIDXPtr_PageModePrintDirection = 8048;
constexpr int32_t PIDXPtr_PageModeStation = 8049;
constexpr int32_t PIDXPtr_PageModeVerticalPosition = 8050;

constexpr int32_t PIDXPtr_CapCoverSensor = 8504;
constexpr int32_t PIDXPtr_CapRecBarCode = 8516;
constexpr int32_t PIDXPtr_CapRecBitmap = 8517;
constexpr int32_t PIDXPtr_CapRecBold = 8518;
constexpr int32_t PIDXPtr_CapRecDhigh = 8519;
constexpr int32_t PIDXPtr_CapRecDwide = 8520;
constexpr int32_t PIDXPtr_CapRecDwideDhigh = 8521;
constexpr int32_t PIDXPtr_CapRecEmptySensor = 8522;
constexpr int32_t PIDXPtr_CapRecLeft90 = 8524;
constexpr int32_t PIDXPtr_CapRecNearEndSensor = 8525;
constexpr int32_t PIDXPtr_CapRecPapercut = 8526;
constexpr int32_t PIDXPtr_CapRecPresent = 8527;
constexpr int32_t PIDXPtr_CapRecRight90 = 8528;
constexpr int32_t PIDXPtr_CapRecRotate180 = 8529;
constexpr int32_t PIDXPtr_CapRecUnderline = 8531;
constexpr int32_t PIDXPtr_CapCharacterSet = 8548;
constexpr int32_t PIDXPtr_CapTransaction = 8549;
constexpr int32_t PIDXPtr_CapRecColor = 8553;
constexpr int32_t PIDXPtr_CapMapCharacterSet = 8558;
constexpr int32_t PIDXPtr_CapRecPageMode = 8560;

constexpr int32_t PIDX_CheckHealthText = 1000001;
constexpr int32_t PIDX_DeviceDescription = 1000002;
constexpr int32_t PIDX_DeviceName = 1000003;
constexpr int32_t PIDX_ServiceObjectDescription = 1000004;
constexpr int32_t PIDXPtr_CharacterSetList = 1008001;
constexpr int32_t PIDXPtr_JrnLineCharsList = 1008002;
constexpr int32_t PIDXPtr_RecLineCharsList = 1008003;
constexpr int32_t PIDXPtr_SlpLineCharsList = 1008004;
constexpr int32_t PIDXPtr_ErrorString = 1008005;
constexpr int32_t PIDXPtr_FontTypefaceList = 1008006;
constexpr int32_t PIDXPtr_RecBarCodeRotationList = 1008007;
constexpr int32_t PIDXPtr_SlpBarCodeRotationList = 1008008;
constexpr int32_t PIDXPtr_RecBitmapRotationList = 1008009;
constexpr int32_t PIDXPtr_SlpBitmapRotationList = 1008010;
constexpr int32_t PIDXPtr_PageModeArea = 1008011;
constexpr int32_t PIDXPtr_PageModePrintArea = 1008012;

#endif  // QV_SERVICE_OBJECT_PRINTER_PRINTER_CONSTANTS_H_
