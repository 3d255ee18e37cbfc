// The device flag word (CDevice::m_flags): one bit per state of the OPOS
// device model that both device classes share.
#ifndef QV_SERVICE_OBJECT_CORE_DEVICE_FLAGS_H_
#define QV_SERVICE_OBJECT_CORE_DEVICE_FLAGS_H_

#include <cstdint>

constexpr uint32_t kFlagOpen = 0x1;
constexpr uint32_t kFlagClaimed = 0x2;
constexpr uint32_t kFlagDeviceEnabled = 0x4;
constexpr uint32_t kFlagDataEventEnabled = 0x8;
constexpr uint32_t kFlagAutoDisable = 0x10;
constexpr uint32_t kFlagAsyncMode = 0x40;
constexpr uint32_t kFlagFreezeEvents = 0x80;  // the FreezeEvents property
constexpr uint32_t kFlagBinaryNone = 0x100;
constexpr uint32_t kFlagBinaryNibble = 0x200;
constexpr uint32_t kFlagBinaryDecimal = 0x400;
constexpr uint32_t kFlagControlFreeze = 0x4000;  // COFreezeEvents

constexpr uint32_t kFlagsBinaryConversion =
    kFlagBinaryNone | kFlagBinaryNibble | kFlagBinaryDecimal;

#endif  // QV_SERVICE_OBJECT_CORE_DEVICE_FLAGS_H_
