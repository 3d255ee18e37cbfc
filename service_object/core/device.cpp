#include "service_object/core/device.h"

#include <utility>

#include "service_object/core/binary_conversion.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"

CDevice::CDevice(std::string traceTag)
    : m_cmd(std::make_unique<EscCmd>()), m_traceTag(std::move(traceTag)) {}

CDevice::~CDevice() = default;

bool CDevice::IsFrozen() const {
  return (m_flags.load() & (kFlagFreezeEvents | kFlagControlFreeze)) != 0;
}

void CDevice::FreezeEvents() {
  BaseTrace(4, ">>> FreezeEvents");
  int32_t kinds = 0;
  if (!IsFrozen()) {
    uint32_t flags = m_flags.load();
    if ((flags & kFlagOpen) != 0) kinds |= kEventDirectIO | kEventError;
    if ((flags & kFlagDataEventEnabled) != 0) kinds |= kEventData;
    if ((flags & kFlagAsyncMode) != 0) kinds |= kEventOutputComplete;
  }
  m_eventQueue.SetEnabledEvents(kinds);
  BaseTrace(4, "<<< FreezeEvents");
}

void CDevice::DataEventEnable(bool enable) {
  BaseTrace(4, ">>> DataEventEnable");
  BaseTrace(5, enable ? "    | Enable: True" : "    | Enable: False");
  if (enable) {
    m_flags.fetch_or(kFlagDataEventEnabled);
    if (!IsFrozen()) m_eventQueue.ChangeEnabledEvents(kEventData, 0);
  } else {
    m_flags.fetch_and(~kFlagDataEventEnabled);
    m_eventQueue.ChangeEnabledEvents(0, kEventData);
  }
  m_resultCode = 0;
  BaseTrace(4, "<<< DataEventEnable");
}

void CDevice::Trace(int32_t level, std::string text) const {
  TheLog().Log(level, m_traceTag, std::move(text));
}

void CDevice::TraceEnter(std::string_view method) const { Trace(4, ">>> " + std::string(method)); }

void CDevice::TraceLeave(std::string_view method) const { Trace(4, "<<< " + std::string(method)); }

void CDevice::TraceValue(std::string_view name, std::string_view value) const {
  std::string text = "    | ";
  text.append(name);
  text.append(": ");
  text.append(value);
  Trace(5, std::move(text));
}

void CDevice::TraceValue(std::string_view name, long long value) const {
  TraceValue(name, NumToString(value));
}

void CDevice::TraceWarning(std::string text) const { Trace(2, std::move(text)); }

void CDevice::TraceError(std::string text) const { Trace(1, std::move(text)); }

int32_t CDevice::CompleteMethod(std::string_view method, int32_t result, LONG* pRC) {
  m_resultCode = result;
  if (pRC != nullptr) *pRC = result;
  Trace(5, "    | pRC: " + NumToString(result));
  TraceLeave(method);
  return result;
}

std::string CDevice::EncodeBinary(std::string_view bytes) const {
  return BinaryConversionEncode(m_flags.load(), bytes);
}

std::string CDevice::DecodeBinary(std::string_view text) const {
  return BinaryConversionDecode(m_flags.load(), text);
}

void CDevice::BaseTrace(int32_t level, std::string text) {
  TheLog().Log(level, kTraceTag, std::move(text));
}
