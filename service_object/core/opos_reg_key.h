// COposRegKey: the service object's reader of one logical device's key and
// of the service-information key, both under HKEY_LOCAL_MACHINE:
//
//   SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<name>\   (empty when the class
//                                                        or the name is empty)
//   SOFTWARE\OLEforRetail\ServiceInfo\QV\   (service information)
//
// Every read opens the key, reads one value and closes the key; nothing is
// cached, so each read sees the store as it is now. The store is never
// written. Errors:
//   - the key cannot be opened: OposRegistryError "Error opening <path>\<value>"
//   - the value is missing, not REG_SZ, cannot be read or holds more than
//     kMaxValueChars characters: OposRegistryError "Error retrieving <path>\<value>"
//   - a number that does not parse is reported like a missing value (the same
//     retrieval error), so every reader falls back as it does for a missing one.
// Any thread; an instance holds no handle.
#ifndef QV_SERVICE_OBJECT_CORE_OPOS_REG_KEY_H_
#define QV_SERVICE_OBJECT_CORE_OPOS_REG_KEY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class COposRegKey {
 public:
  // The longest text a value may hold (the read buffer is one larger).
  static constexpr size_t kMaxValueChars = 2047;

  COposRegKey(const std::string& deviceClass, const std::string& deviceName);

  // From the logical device's key.
  std::string GetString(const std::string& valueName) const;
  int32_t GetNumber(const std::string& valueName) const;
  // From the service-information key.
  int32_t GetInfoNumber(const std::string& valueName) const;

  const std::string& ServiceKeyPath() const { return m_serviceKeyPath; }
  const std::string& InfoKeyPath() const { return m_infoKeyPath; }

 private:
  std::string ReadText(const std::string& keyPath, const std::string& valueName) const;
  int32_t ReadNumber(const std::string& keyPath, const std::string& valueName) const;

  std::string m_serviceKeyPath;
  std::string m_infoKeyPath;
};

// The text of stored REG_SZ data: the bytes up to the first NUL, or all of
// them when none is stored.
std::string RegSzText(const unsigned char* data, size_t size);

// A stored number: empty text gives 0; otherwise leading white space is
// skipped, a sign is allowed and reading stops at the first non-digit. Text
// without a leading number, or a number outside the 32-bit signed range,
// raises StringError "StringToNum".
int32_t StringToNum(std::string_view text);

#endif  // QV_SERVICE_OBJECT_CORE_OPOS_REG_KEY_H_
