#include "common/toolreg/opos_tool_reg_key.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/reg_names.h"
#include "platform/registry/registry.h"
#include "platform/text/codepage.h"

namespace qvtoolreg {
namespace {

// KEY_READ plus KEY_SET_VALUE and KEY_CREATE_SUB_KEY.
constexpr REGSAM kSetNumberAccess = 0x2001F;
constexpr DWORD kReadBufferBytes = 4096;

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Reads a REG_SZ value of `keyPath` as text; false on any failure. An empty
// path (an accessor without class or LDN) has no values.
bool ReadText(const std::u16string& keyPath, const std::u16string& name, std::u16string* text) {
  if (keyPath.empty()) return false;
  qvplatform::RegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  std::vector<BYTE> buffer(kReadBufferBytes, 0);
  size = kReadBufferBytes;
  if (RegQueryValueExW(key.get(), name.c_str(), &type, buffer.data(), &size) != ERROR_SUCCESS ||
      size == 0) {
    return false;
  }
  // The buffer was zero-filled and holds at most kReadBufferBytes: the text
  // is everything up to the first NUL unit.
  const auto* units = reinterpret_cast<const char16_t*>(buffer.data());
  size_t count = std::min<size_t>(size / sizeof(char16_t), kReadBufferBytes / sizeof(char16_t));
  size_t length = std::find(units, units + count, u'\0') - units;
  if (length > COposToolRegKey::kMaxValueChars) return false;
  text->assign(units, length);
  return true;
}

LSTATUS SetText(HKEY key, const std::u16string& name, const std::u16string& text) {
  return RegSetValueExW(key, name.c_str(), REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

LSTATUS CreateKey(const std::u16string& path, qvplatform::RegKey* key) {
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS, key->receive(), nullptr);
}

}  // namespace

std::u16string ProgIdOfClass(std::u16string_view deviceClass) {
  if (deviceClass == qvreg::kClassPrinterW) return qvreg::kProgIdPrinterW;
  if (deviceClass == qvreg::kClassDrawerW) return qvreg::kProgIdDrawerW;
  return {};
}

int32_t ParseToolNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(value * 10 + (text[i] - u'0'), kLimit);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

std::u16string NumberText(int32_t number) {
  std::string narrow = std::to_string(number);
  return std::u16string(narrow.begin(), narrow.end());
}

std::u16string DescribeRegistryFailure(LSTATUS status) {
  const std::string storeText = RegGetLastErrorText();
  if (!storeText.empty()) return qvplatform::Utf8ToWide(storeText);
  std::u16string text = u"registry status " + NumberText(status);
  switch (status) {
    case ERROR_FILE_NOT_FOUND: return text + u" (no such key)";
    case ERROR_ACCESS_DENIED: return text + u" (access denied)";
    case ERROR_INVALID_PARAMETER: return text + u" (invalid name)";
    case ERROR_KEY_HAS_CHILDREN: return text + u" (the key has subkeys)";
    default: return text;
  }
}

}  // namespace qvtoolreg

COposToolRegKey::COposToolRegKey(const std::u16string& deviceClass, const std::u16string& ldn)
    : m_deviceClass(deviceClass) {
  if (!deviceClass.empty() && !ldn.empty()) {
    m_deviceKeyPath =
        std::u16string(qvreg::kServiceOposRootW) + u"\\" + deviceClass + u"\\" + ldn + u"\\";
  }
  m_infoKeyPath =
      std::u16string(qvreg::kServiceInfoRootW) + u"\\" + qvreg::kServiceInfoNameW + u"\\";
}

std::u16string COposToolRegKey::GetString(const std::u16string& name) const {
  std::u16string text;
  if (!qvtoolreg::ReadText(m_deviceKeyPath, name, &text)) return {};
  return text;
}

int32_t COposToolRegKey::GetNumber(const std::u16string& name) const {
  std::u16string text;
  if (!qvtoolreg::ReadText(m_deviceKeyPath, name, &text)) return 0;
  return qvtoolreg::ParseToolNumber(text);
}

int32_t COposToolRegKey::GetInfoNumber(const std::u16string& name) const {
  std::u16string text;
  if (!qvtoolreg::ReadText(m_infoKeyPath, name, &text)) return 0;
  return qvtoolreg::ParseToolNumber(text);
}

LSTATUS COposToolRegKey::CreateAndSetString(const std::u16string& name,
                                            const std::u16string& text) const {
  // Without a device key path the create would open HKEY_LOCAL_MACHINE
  // itself; nothing is written there.
  if (m_deviceKeyPath.empty()) return Noted(ERROR_INVALID_PARAMETER);
  qvplatform::RegKey key;
  LSTATUS status = qvtoolreg::CreateKey(m_deviceKeyPath, &key);
  if (status != ERROR_SUCCESS) return Noted(status);
  std::u16string progId = qvtoolreg::ProgIdOfClass(m_deviceClass);
  if (!progId.empty()) qvtoolreg::SetText(key.get(), u"", progId);
  return Noted(qvtoolreg::SetText(key.get(), name, text));
}

LSTATUS COposToolRegKey::SetNumber(const std::u16string& name, int32_t number) const {
  if (m_deviceKeyPath.empty()) return Noted(ERROR_INVALID_PARAMETER);
  qvplatform::RegKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_deviceKeyPath.c_str(), 0,
                                 qvtoolreg::kSetNumberAccess, key.receive());
  if (status != ERROR_SUCCESS) return Noted(status);
  return Noted(qvtoolreg::SetText(key.get(), name, qvtoolreg::NumberText(number)));
}

LSTATUS COposToolRegKey::SetInfoNumber(const std::u16string& name, int32_t number) const {
  qvplatform::RegKey key;
  LSTATUS status = qvtoolreg::CreateKey(m_infoKeyPath, &key);
  if (status != ERROR_SUCCESS) return Noted(status);
  return Noted(qvtoolreg::SetText(key.get(), name, qvtoolreg::NumberText(number)));
}

LSTATUS COposToolRegKey::SetInfoString(const std::u16string& name,
                                       const std::u16string& text) const {
  qvplatform::RegKey key;
  LSTATUS status = qvtoolreg::CreateKey(m_infoKeyPath, &key);
  if (status != ERROR_SUCCESS) return Noted(status);
  return Noted(qvtoolreg::SetText(key.get(), name, text));
}

LSTATUS COposToolRegKey::Noted(LSTATUS status) const {
  if (status != ERROR_SUCCESS) m_lastFailure = qvtoolreg::DescribeRegistryFailure(status);
  return status;
}
