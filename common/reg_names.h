// Names in the OPOS registry tree that the service object reads and the tools
// write, all under HKEY_LOCAL_MACHINE:
//
//   SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<LDN>   one logical device; its
//       default value is the ProgID of the service object that serves it
//   SOFTWARE\OLEforRetail\ServiceInfo\QV              settings shared by all
//
// Every value is REG_SZ; numbers are decimal text. Each name is given narrow
// (the service object works in the ANSI code page) and wide (the tools work
// in UTF-16); the two spellings of a name are always the same ASCII text.
#ifndef QV_COMMON_REG_NAMES_H_
#define QV_COMMON_REG_NAMES_H_

namespace qvreg {

// Key paths.
inline constexpr char kServiceOposRoot[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS";
inline constexpr char16_t kServiceOposRootW[] = u"SOFTWARE\\OLEforRetail\\ServiceOPOS";
inline constexpr char kServiceInfoRoot[] = "SOFTWARE\\OLEforRetail\\ServiceInfo";
inline constexpr char16_t kServiceInfoRootW[] = u"SOFTWARE\\OLEforRetail\\ServiceInfo";
inline constexpr char kServiceInfoName[] = "QV";
inline constexpr char16_t kServiceInfoNameW[] = u"QV";

// Device classes (the class keys' names).
inline constexpr char kClassPrinter[] = "POSPrinter";
inline constexpr char16_t kClassPrinterW[] = u"POSPrinter";
inline constexpr char kClassDrawer[] = "CashDrawer";
inline constexpr char16_t kClassDrawerW[] = u"CashDrawer";

// ProgIDs: the default value of every device key of this service object.
// Note the different capitalisation of "Opos" and "OPOS".
inline constexpr char kProgIdPrinter[] = "QV.Opos.Printer";
inline constexpr char16_t kProgIdPrinterW[] = u"QV.Opos.Printer";
inline constexpr char kProgIdDrawer[] = "QV.OPOS.CashDrawer";
inline constexpr char16_t kProgIdDrawerW[] = u"QV.OPOS.CashDrawer";

// Printer device key.
inline constexpr char kIOType[] = "IOType";
inline constexpr char16_t kIOTypeW[] = u"IOType";
inline constexpr char kModel[] = "Model";
inline constexpr char16_t kModelW[] = u"Model";
inline constexpr char kEthIPAddr[] = "EthIPAddr";
inline constexpr char16_t kEthIPAddrW[] = u"EthIPAddr";
inline constexpr char kSerialPort[] = "Serial Port";
inline constexpr char16_t kSerialPortW[] = u"Serial Port";
inline constexpr char kBaudRate[] = "BaudRate";
inline constexpr char16_t kBaudRateW[] = u"BaudRate";
inline constexpr char kByteSize[] = "ByteSize";
inline constexpr char16_t kByteSizeW[] = u"ByteSize";
inline constexpr char kParity[] = "Parity";
inline constexpr char16_t kParityW[] = u"Parity";
inline constexpr char kStopBits[] = "StopBits";
inline constexpr char16_t kStopBitsW[] = u"StopBits";
inline constexpr char kFlowControl[] = "FlowControl";
inline constexpr char16_t kFlowControlW[] = u"FlowControl";
inline constexpr char kUSBPort[] = "USBPort";
inline constexpr char16_t kUSBPortW[] = u"USBPort";
inline constexpr char kLPTPort[] = "LPTPort";
inline constexpr char16_t kLPTPortW[] = u"LPTPort";

// Cash drawer device key.
inline constexpr char kUses[] = "Uses";
inline constexpr char16_t kUsesW[] = u"Uses";
inline constexpr char kConnectPin[] = "ConnectPin";
inline constexpr char16_t kConnectPinW[] = u"ConnectPin";
inline constexpr char kPulseOffTime[] = "PulseOffTime";
inline constexpr char16_t kPulseOffTimeW[] = u"PulseOffTime";
inline constexpr char kPulseOnTime[] = "PulseOnTime";
inline constexpr char16_t kPulseOnTimeW[] = u"PulseOnTime";

// Service-information key.
inline constexpr char kLogVerbosity[] = "LogVerbosity";
inline constexpr char16_t kLogVerbosityW[] = u"LogVerbosity";
inline constexpr char kDisableOnClose[] = "DisableOnClose";
inline constexpr char16_t kDisableOnCloseW[] = u"DisableOnClose";
inline constexpr char kPrimaryConfig[] = "PrimaryConfig";
inline constexpr char16_t kPrimaryConfigW[] = u"PrimaryConfig";

// Declared by the service object and never read or written by anyone.
inline constexpr char kService[] = "Service";
inline constexpr char kVersion[] = "Version";
inline constexpr char kPrinterVersion[] = "Printer Version";
inline constexpr char kCashDrawerVersion[] = "CashDrawer Version";
inline constexpr char kSymbologyID[] = "SymbologyID";
inline constexpr char kFirstPosUsbUnit[] = "FirstPosUsbUnit";
inline constexpr char kVendorEnforcement[] = "VendorEnforcement";
inline constexpr char kClientIP[] = "ClientIP";
inline constexpr char kClientPort[] = "ClientPort";

// What the configuration tool writes as fixed text.
inline constexpr char16_t kModelValueW[] = u"80";
inline constexpr char16_t kPrimaryConfigValueW[] = u"TORVEX";

}  // namespace qvreg

#endif  // QV_COMMON_REG_NAMES_H_
