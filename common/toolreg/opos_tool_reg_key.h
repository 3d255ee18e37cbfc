// COposToolRegKey: the tools' accessor of one logical device's key and of
// the service-information key, both under HKEY_LOCAL_MACHINE:
//
//   SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<LDN>\   (empty when the class
//                                                       or the LDN is empty)
//   SOFTWARE\OLEforRetail\ServiceInfo\QV\              (always)
//
// An accessor is a short-lived local object: every operation opens the key
// it needs and closes it again; no handle is held between operations.
//
// Reads never fail loudly: a missing key or value, a value that is not
// REG_SZ or holds more than kMaxValueChars characters reads as empty text or
// 0. Writes store REG_SZ with the terminating NUL, numbers as decimal text,
// and return the registry status (0 on success). Every CreateAndSetString
// of a "POSPrinter" or "CashDrawer" accessor also (re)writes the key's
// default value with the class's ProgID, the mark by which the tools know
// their own devices. An accessor without a device key path (empty class or
// LDN) reads nothing from and writes nothing to the device key: its writes
// return ERROR_INVALID_PARAMETER.
//
// Any thread; the store serialises writers.
#ifndef QV_COMMON_TOOLREG_OPOS_TOOL_REG_KEY_H_
#define QV_COMMON_TOOLREG_OPOS_TOOL_REG_KEY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

class COposToolRegKey {
 public:
  // The longest text a read takes: the read buffer is 4096 bytes.
  static constexpr size_t kMaxValueChars = 2047;

  COposToolRegKey(const std::u16string& deviceClass, const std::u16string& ldn);

  // From the device key; the empty name reads the default value.
  std::u16string GetString(const std::u16string& name) const;
  int32_t GetNumber(const std::u16string& name) const;
  // From the service-information key.
  int32_t GetInfoNumber(const std::u16string& name) const;

  // Creates the device key when missing, marks it with the ProgID and sets
  // the value; returns the status of setting the value (or of the create).
  LSTATUS CreateAndSetString(const std::u16string& name, const std::u16string& text) const;
  // Sets a number in the device key, which must exist (it is not created);
  // returns the status of the open or of the write.
  LSTATUS SetNumber(const std::u16string& name, int32_t number) const;
  // Create the service-information key when missing and set the value.
  LSTATUS SetInfoNumber(const std::u16string& name, int32_t number) const;
  LSTATUS SetInfoString(const std::u16string& name, const std::u16string& text) const;

  const std::u16string& DeviceKeyPath() const { return m_deviceKeyPath; }
  const std::u16string& InfoKeyPath() const { return m_infoKeyPath; }
  const std::u16string& DeviceClass() const { return m_deviceClass; }

  // Why the last failing write through this accessor failed (see
  // DescribeRegistryFailure); empty while none failed.
  const std::u16string& LastFailure() const { return m_lastFailure; }

 private:
  // Returns `status`; a failure's description is kept in m_lastFailure. Call
  // it on the failing call's result, before any other registry call.
  LSTATUS Noted(LSTATUS status) const;

  std::u16string m_deviceKeyPath;
  std::u16string m_infoKeyPath;
  std::u16string m_deviceClass;
  mutable std::u16string m_lastFailure;
};

namespace qvtoolreg {

// The ProgID that marks the devices of `deviceClass` as ours ("POSPrinter"
// gives "QV.Opos.Printer", "CashDrawer" gives "QV.OPOS.CashDrawer"); empty
// for any other class.
std::u16string ProgIdOfClass(std::u16string_view deviceClass);

// A number as the tools read it: leading blanks skipped, an optional sign,
// then decimal digits up to the first other character; no digit gives 0;
// values beyond the 32-bit range saturate.
int32_t ParseToolNumber(std::u16string_view text);

// The decimal text of a number ("-12", "0", "300").
std::u16string NumberText(int32_t number);

// Why the registry call that just returned `status` failed: the store's own
// text when it has one (it names the store file: unreadable, corrupt,
// unwritable), else "registry status N" with a word on the common codes.
// Call it before any other registry call: every call resets the store text.
std::u16string DescribeRegistryFailure(LSTATUS status);

}  // namespace qvtoolreg

#endif  // QV_COMMON_TOOLREG_OPOS_TOOL_REG_KEY_H_
