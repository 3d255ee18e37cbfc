// CDevice: the first base of both service objects (printer and cash drawer).
// It holds the part of the OPOS device model the two share: State, the result
// codes, the open result, the flag word (device_flags.h), the interface
// settings read from the configuration store, the claim mutex, the event
// sink and queue, and the device's command buffer (an ESC/POS command
// object, owned). It also supplies the pieces every method of the device
// classes uses: the result-pattern trace lines, the settings readers, the
// claim steps and the BinaryConversion codecs.
//
// Threads: a device object is created and called on one thread (its
// apartment). State, the flag word and the result codes are also written by
// the object's event worker, so they are atomic words. The claim mutex is
// owned by the thread that acquired it: claim and release on the object's
// thread.
//
// Errors: the settings readers never raise; they trace a warning and keep
// their defaults. OpenClaimMutex raises QVError when the mutex cannot be had.
#ifndef QV_SERVICE_OBJECT_CORE_DEVICE_H_
#define QV_SERVICE_OBJECT_CORE_DEVICE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"
#include "platform/sync/named_mutex.h"
#include "service_object/core/device_flags.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/event_sink.h"
#include "service_object/core/opos_constants.h"

class Cmd;
class COposRegKey;

class CDevice {
 public:
  // `traceTag` is the source tag of the device class's own trace lines
  // ("QVCOposPrinter", "CCashDrawer"); the base's lines use "CDevice".
  explicit CDevice(std::string traceTag);
  virtual ~CDevice();
  CDevice(const CDevice&) = delete;
  CDevice& operator=(const CDevice&) = delete;

  // FreezeEvents property (bit 7) or the control object's freeze (bit 14).
  bool IsFrozen() const;

  // Recomputes the queue's enabled event kinds from the flag word: 0 while
  // frozen, else direct I/O and error when open, data with DataEventEnabled,
  // output complete with AsyncMode. Status update is never part of it (only
  // the device classes' enable adds it). Run after a freeze bit changes.
  void FreezeEvents();
  // Sets or clears DataEventEnabled; enabling adds data to the enabled kinds
  // unless frozen, disabling removes it frozen or not. ResultCode becomes 0.
  // Called on the object's thread and by the event worker.
  void DataEventEnable(bool enable);

  // Read one interface's settings of the logical device `deviceName` of
  // `deviceClass` into the members below, with defaults and a warning for
  // what is missing or unreadable.
  void GetRegETHSettings(const std::string& deviceClass, const std::string& deviceName);
  void GetRegComSettings(const std::string& deviceClass, const std::string& deviceName);
  void GetRegUSBSettings(const std::string& deviceClass, const std::string& deviceName);
  void GetRegLPTSettings(const std::string& deviceClass, const std::string& deviceName);

  // The interface index for an IOType text: each of "ENet" (0), "USB" (1),
  // "LPT" (2), "COM" (3) that the text contains, tested case-sensitively in
  // this order, overwrites the index; a text with none returns `index`.
  static int32_t IoTypeIndexOf(const std::string& ioType, int32_t index);

  // The source tag of the base's own lines.
  static constexpr char kTraceTag[] = "CDevice";

 protected:
  // --- Result pattern: lines with the device class's trace tag. ---
  const std::string& TraceTag() const { return m_traceTag; }
  void Trace(int32_t level, std::string text) const;
  void TraceEnter(std::string_view method) const;  // ">>> " + method, level 4
  void TraceLeave(std::string_view method) const;  // "<<< " + method, level 4
  // "    | " + name + ": " + value, level 5.
  void TraceValue(std::string_view name, std::string_view value) const;
  void TraceValue(std::string_view name, long long value) const;
  void TraceWarning(std::string text) const;  // level 2; the text begins with "Warning"
  void TraceError(std::string text) const;    // level 1; the text begins with "Error"
  // Steps 4 and 5 of every method: stores `result` in ResultCode and in *pRC
  // (when given), traces "    | pRC: " + result and "<<< " + method, and
  // returns `result`.
  int32_t CompleteMethod(std::string_view method, int32_t result, LONG* pRC);

  // --- OpenService helpers. ---
  // LogVerbosity from the service-information key becomes the trace level
  // (0 when it cannot be read).
  static void ApplyLogVerbosity(const COposRegKey& key);
  // IOType of the printer key into m_ioType and m_ioTypeIndex; "COM" and 3
  // when it cannot be read.
  void ReadIoType(const COposRegKey& printerKey);
  // By m_ioTypeIndex traces "    | Ethernet", "    | USB", "    | LPT" or
  // "    | : SerialPrinter" and runs that interface's settings reader.
  void ReadInterfaceSettings(const std::string& deviceClass, const std::string& deviceName);

  // --- Claim steps (the report channel is the device class's business). ---
  // OpenService: creates the named mutex, or opens it when it exists, with no
  // owner, and keeps it in m_claimMutex. Raises QVError when it cannot.
  void OpenClaimMutex(const std::string& name);
  // ClaimDevice: waits `timeout` ms for the mutex (negative: without limit,
  // 0: test once). Acquired: sets Claimed, raises ClaimedDeviceCount and
  // returns OPOS_SUCCESS. Otherwise (time-out, failure, a holder that died)
  // traces the claim warning and returns OPOS_E_CLAIMED with nothing held.
  int32_t AcquireClaim(int32_t timeout);
  // ReleaseDevice, after disabling: releases the mutex (tracing that it did),
  // clears Claimed and lowers ClaimedDeviceCount. True when this ended the
  // last claim of the process (the shared channel is then closed). Does
  // nothing and returns false without a claim.
  bool ReleaseClaim();
  // CloseService: closes the mutex handle.
  void CloseClaimMutex();

  // --- BinaryConversion by the current flag word. ---
  std::string EncodeBinary(std::string_view bytes) const;
  std::string DecodeBinary(std::string_view text) const;

  // Writes a line with the base's tag.
  static void BaseTrace(int32_t level, std::string text);

  std::atomic<int32_t> m_state{OPOS_S_CLOSED};
  std::atomic<uint32_t> m_flags{0};
  int32_t m_powerNotify = OPOS_PN_DISABLED;
  int32_t m_openResult = 0;
  std::atomic<int32_t> m_resultCode{OPOS_E_CLOSED};
  std::atomic<int32_t> m_resultCodeExtended{0};
  int32_t m_ioTypeIndex = 3;
  int32_t m_baudRate = 19200;
  int32_t m_byteSizes = 0;
  int32_t m_parity = 0;
  int32_t m_stopBits = 0;
  int32_t m_flowControl = 0;
  std::unique_ptr<qvplatform::NamedMutex> m_claimMutex;
  std::string m_ioType;
  std::string m_mutexName;
  std::string m_checkHealthText;
  std::string m_deviceDescription;
  std::string m_deviceName;
  std::string m_modelNumber;
  std::string m_serialPort;
  std::string m_usbPort;
  std::string m_lptPort;
  CEventSink m_eventSink;    // control object callbacks
  CEventQueue m_eventQueue;  // queued events; its worker runs from construction
  bool m_disableOnClose = false;
  std::string m_clientIP = "127.0.0.1";
  std::string m_clientPort = "9100";
  std::unique_ptr<Cmd> m_cmd;  // the device's command buffer, an EscCmd

 private:
  void ReadDisableOnClose(const COposRegKey& key);

  std::string m_traceTag;
};

#endif  // QV_SERVICE_OBJECT_CORE_DEVICE_H_
