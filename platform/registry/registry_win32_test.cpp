// The registry forms of registry.h over advapi32 (run under Wine, in a
// temporary registry root): char16_t text, the thin parameter lists, and
// where Windows answers differently from the Linux store.
#include "platform/registry/registry.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/text/codepage.h"
#include "test_support/temp_prefix.h"

namespace {

const char16_t kKey[] = u"SOFTWARE\\QvOposRegistryTest";

class RegistryWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, m_key.receive(), nullptr),
              ERROR_SUCCESS);
  }

  TempPrefix m_prefix;
  qvplatform::RegKey m_key;
};

TEST_F(RegistryWin32Test, WideTextReadsBackInTheAnsiCodePage) {
  const std::u16string text = u"Z\u00fcrich caf\u00e9";
  ASSERT_EQ(
      RegSetValueExW(m_key.get(), u"Place", REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
      ERROR_SUCCESS);
  char narrow[64] = {};
  DWORD size = sizeof narrow;
  DWORD type = 0;
  ASSERT_EQ(RegQueryValueExA(m_key.get(), "place", &type, reinterpret_cast<BYTE*>(narrow), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(narrow), qvplatform::WideToAnsi(text));

  char16_t wide[64] = {};
  size = sizeof wide;
  ASSERT_EQ(RegQueryValueExW(m_key.get(), u"PLACE", nullptr, reinterpret_cast<BYTE*>(wide), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(wide), text);
  EXPECT_EQ(size, (text.size() + 1) * sizeof(char16_t));
}

TEST_F(RegistryWin32Test, ValuesKeepTheirTypeAndBytes) {
  const BYTE number[4] = {0x80, 0x25, 0, 0};
  ASSERT_EQ(RegSetValueExA(m_key.get(), "BaudRate", REG_DWORD, number, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(m_key.get(), "Port", REG_SZ, reinterpret_cast<const BYTE*>("COM1"), 4),
            ERROR_SUCCESS);  // without its NUL
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(m_key.get(), "BaudRate", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);

  BYTE small[2];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(m_key.get(), "Port", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_GE(size, 4u);  // the size needed
  EXPECT_EQ(RegQueryValueExA(m_key.get(), "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryWin32Test, KeyWithSubkeysIsNotDeletedAndEnumerationListsThem) {
  for (const char16_t* child : {u"LDN One", u"LDN Two"}) {
    qvplatform::RegKey handle;
    ASSERT_EQ(RegCreateKeyExW(m_key.get(), child, KEY_ALL_ACCESS, handle.receive(), nullptr),
              ERROR_SUCCESS);
  }
  std::set<std::u16string> names;
  DWORD index = 0;
  for (;; ++index) {
    char16_t name[256];
    DWORD chars = 256;
    LSTATUS status = RegEnumKeyExW(m_key.get(), index, name, &chars);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.insert(std::u16string(name, chars));
  }
  EXPECT_EQ(names, (std::set<std::u16string>{u"LDN One", u"LDN Two"}));

  // Windows refuses with ERROR_ACCESS_DENIED where our store says
  // ERROR_KEY_HAS_CHILDREN; either way the key stays.
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey), ERROR_ACCESS_DENIED);
  qvplatform::RegKey still;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, still.receive()), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(m_key.get(), u"LDN One"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(m_key.get(), "LDN Two"), ERROR_SUCCESS);
  m_key.Close();
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
}

}  // namespace
