#include "service_object/core/opos_reg_key.h"

#include <cstring>
#include <limits>

#include "common/reg_names.h"
#include "platform/registry/registry.h"
#include "service_object/core/errors.h"

namespace {

// The read buffer: one value's text and its terminating NUL.
constexpr DWORD kBufferBytes = COposRegKey::kMaxValueChars + 1;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

COposRegKey::COposRegKey(const std::string& deviceClass, const std::string& deviceName)
    : m_infoKeyPath(std::string(qvreg::kServiceInfoRoot) + "\\" + qvreg::kServiceInfoName + "\\") {
  if (!deviceClass.empty() && !deviceName.empty()) {
    m_serviceKeyPath =
        std::string(qvreg::kServiceOposRoot) + "\\" + deviceClass + "\\" + deviceName + "\\";
  }
}

std::string COposRegKey::GetString(const std::string& valueName) const {
  return ReadText(m_serviceKeyPath, valueName);
}

int32_t COposRegKey::GetNumber(const std::string& valueName) const {
  return ReadNumber(m_serviceKeyPath, valueName);
}

int32_t COposRegKey::GetInfoNumber(const std::string& valueName) const {
  return ReadNumber(m_infoKeyPath, valueName);
}

std::string COposRegKey::ReadText(const std::string& keyPath, const std::string& valueName) const {
  qvplatform::RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS) {
    throw OposRegistryError("Error opening " + keyPath + "\\" + valueName);
  }
  auto retrievalError = [&] {
    return OposRegistryError("Error retrieving " + keyPath + "\\" + valueName);
  };

  // One query gives the type and the data: a value that does not fit the
  // buffer fails with ERROR_MORE_DATA and is reported like a missing one.
  unsigned char buffer[kBufferBytes];
  std::memset(buffer, 0, sizeof buffer);
  DWORD type = REG_NONE;
  DWORD size = kBufferBytes;
  if (RegQueryValueExA(key.get(), valueName.c_str(), &type, buffer, &size) != ERROR_SUCCESS ||
      type != REG_SZ || size > kBufferBytes) {
    throw retrievalError();
  }
  key.Close();

  std::string text = RegSzText(buffer, size);
  // A full buffer without a NUL would be a value one character too long.
  if (text.size() > kMaxValueChars) throw retrievalError();
  return text;
}

int32_t COposRegKey::ReadNumber(const std::string& keyPath, const std::string& valueName) const {
  std::string text = ReadText(keyPath, valueName);
  try {
    return StringToNum(text);
  } catch (const StringError&) {
    throw OposRegistryError("Error retrieving " + keyPath + "\\" + valueName);
  }
}

std::string RegSzText(const unsigned char* data, size_t size) {
  const void* nul = size == 0 ? nullptr : std::memchr(data, 0, size);
  size_t length =
      nul == nullptr ? size : static_cast<size_t>(static_cast<const unsigned char*>(nul) - data);
  return std::string(reinterpret_cast<const char*>(data), length);
}

int32_t StringToNum(std::string_view text) {
  if (text.empty()) return 0;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || text[i] < '0' || text[i] > '9') throw StringError("StringToNum");

  // Accumulate the magnitude; stop as soon as it leaves the 32-bit range.
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int32_t>::min())
                                   : static_cast<long long>(std::numeric_limits<int32_t>::max());
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) throw StringError("StringToNum");
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}
