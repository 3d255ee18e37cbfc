#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "test_support/temp_prefix.h"

namespace qvplatform {
namespace {

const BYTE* Bytes(const char* text) { return reinterpret_cast<const BYTE*>(text); }
const BYTE* Bytes(const char16_t* text) { return reinterpret_cast<const BYTE*>(text); }

class ScopedCodePage {
 public:
  explicit ScopedCodePage(const char* value) {
    if (const char* old = ::getenv("QV_OPOS_CODEPAGE")) previous_ = old;
    ::setenv("QV_OPOS_CODEPAGE", value, 1);
  }
  ~ScopedCodePage() {
    if (previous_) {
      ::setenv("QV_OPOS_CODEPAGE", previous_->c_str(), 1);
    } else {
      ::unsetenv("QV_OPOS_CODEPAGE");
    }
  }

 private:
  std::optional<std::string> previous_;
};

class RegistryTest : public ::testing::Test {
 protected:
  std::filesystem::path StoreFile() const { return prefix_.root() / "registry.db"; }

  RegKey Create(const char* path, HKEY root = HKEY_LOCAL_MACHINE) {
    RegKey key;
    EXPECT_EQ(RegCreateKeyExA(root, path, KEY_ALL_ACCESS, key.receive(), nullptr), ERROR_SUCCESS)
        << path << " " << RegGetLastErrorText();
    return key;
  }
  LSTATUS Open(const char* path, RegKey* key, REGSAM sam = KEY_READ,
               HKEY root = HKEY_LOCAL_MACHINE) {
    return RegOpenKeyExA(root, path, 0, sam, key->receive());
  }
  // The value's bytes as the A functions read them; nullopt when missing.
  std::optional<std::string> ReadA(HKEY key, const char* name, DWORD* type = nullptr) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    EXPECT_EQ(RegQueryValueExA(key, name, nullptr, reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    data.resize(size);
    return data;
  }
  std::optional<std::u16string> ReadW(HKEY key, const char16_t* name) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    EXPECT_EQ(size % 2, 0u);
    std::u16string data(size / 2, u'\0');
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    return data;
  }
  std::vector<std::string> SubkeysA(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD chars = sizeof name;
      LSTATUS status = RegEnumKeyExA(key, i, name, &chars);
      if (status == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(status, ERROR_SUCCESS);
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(name, chars);
    }
    return names;
  }
  std::vector<std::string> ValuesA(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD chars = sizeof name;
      LSTATUS status = RegEnumValueA(key, i, name, &chars, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(status, ERROR_SUCCESS);
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(name, chars);
    }
    return names;
  }

  TempPrefix prefix_;
};

TEST_F(RegistryTest, PrefixWithoutStoreReadsEmptyAndCreatesNothing) {
  RegKey key;
  EXPECT_EQ(Open("SOFTWARE\\OLEforRetail", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key);
  // The root itself opens (an empty key path), and holds nothing.
  ASSERT_EQ(Open("", &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key.get(), "IOType", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  char name[16];
  DWORD chars = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &chars), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValueA(HKEY_LOCAL_MACHINE, 0, name, &chars, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(HKEY_LOCAL_MACHINE, "x"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RegGetLastErrorText().empty());
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));
  EXPECT_FALSE(std::filesystem::exists(prefix_.root() / "registry.db-wal"));
}

TEST_F(RegistryTest, CreatesParentsAndReportsDisposition) {
  RegKey key;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter",
                            KEY_ALL_ACCESS, key.receive(), &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(std::filesystem::exists(StoreFile()));
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\oleforretail\\serviceopos\\posprinter",
                            KEY_ALL_ACCESS, key.receive(), &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  // Leading, trailing and doubled backslashes do not matter; case does not.
  for (const char* path : {"SOFTWARE\\OLEforRetail", "\\software\\\\OLEFORRETAIL\\",
                           "Software\\OleForRetail\\ServiceOPOS\\POSPRINTER"}) {
    EXPECT_EQ(Open(path, &key), ERROR_SUCCESS) << path;
  }
  EXPECT_EQ(Open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer", &key), ERROR_FILE_NOT_FOUND);
  // Relative to an open key.
  RegKey base;
  ASSERT_EQ(Open("SOFTWARE\\OLEforRetail", &base, KEY_ALL_ACCESS), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(base.get(), "ServiceOPOS\\POSPrinter", 0, KEY_READ, key.receive()),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegCreateKeyExA(base.get(), "ServiceInfo\\QV", KEY_ALL_ACCESS, key.receive(), &disposition),
      ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(Open("SOFTWARE\\OLEforRetail\\ServiceInfo\\QV", &key), ERROR_SUCCESS);
  // The two roots are separate trees.
  EXPECT_EQ(Open("SOFTWARE", &key, KEY_READ, HKEY_CLASSES_ROOT), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, StringsReadBackByteForByte) {
  RegKey key = Create("SOFTWARE\\Test");
  struct Case {
    const char* name;
    std::string data;
  } cases[] = {
      {"Without NUL", "COM1"},
      {"With NUL", std::string("COM1\0", 5)},
      {"Inner NUL", std::string("a\0b\0", 4)},
      {"Empty", ""},
      {"Euro", "\x80 5"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueExA(key.get(), c.name, REG_SZ, Bytes(c.data.c_str()),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
  }
  for (const Case& c : cases) {
    DWORD type = 0;
    EXPECT_EQ(ReadA(key.get(), c.name, &type), c.data) << c.name;
    EXPECT_EQ(type, REG_SZ);
  }
}

TEST_F(RegistryTest, OtherTypesAndTheDefaultValue) {
  RegKey key = Create("SOFTWARE\\Test");
  DWORD number = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key.get(), "Number", REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
            ERROR_SUCCESS);
  const BYTE blob[] = {0, 1, 2, 0xFF, 0};
  ASSERT_EQ(RegSetValueExA(key.get(), "Blob", REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  std::string big(100000, 'x');
  ASSERT_EQ(RegSetValueExA(key.get(), "Big", REG_BINARY, Bytes(big.c_str()), 100000),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.get(), nullptr, REG_SZ, Bytes("QV.Opos.Printer"), 16),
            ERROR_SUCCESS);

  DWORD type = 0;
  EXPECT_EQ(ReadA(key.get(), "NUMBER", &type), std::string("\x78\x56\x34\x12", 4));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(ReadA(key.get(), "blob", &type), std::string("\0\1\2\xFF\0", 5));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(ReadA(key.get(), "Big"), big);
  // The default value answers to the null and to the empty name, A and W.
  EXPECT_EQ(ReadA(key.get(), ""), std::string("QV.Opos.Printer\0", 16));
  EXPECT_EQ(ReadA(key.get(), nullptr), std::string("QV.Opos.Printer\0", 16));
  EXPECT_EQ(ReadW(key.get(), nullptr), std::u16string(u"QV.Opos.Printer\0", 16));
  // Writing again replaces type and data and keeps the first spelling.
  ASSERT_EQ(RegSetValueExA(key.get(), "nUmBeR", REG_SZ, Bytes("7"), 1), ERROR_SUCCESS);
  EXPECT_EQ(ReadA(key.get(), "Number", &type), "7");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(ValuesA(key.get()), (std::vector<std::string>{"", "Big", "Blob", "Number"}));
  EXPECT_EQ(RegSetValueExA(key.get(), "Bad", REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, QueryFollowsTheWin32BufferRules) {
  RegKey key = Create("SOFTWARE\\Test");
  ASSERT_EQ(RegSetValueExA(key.get(), "Port", REG_SZ, Bytes("COM12"), 6), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key.get(), "Port", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, REG_SZ);

  char buffer[8] = "zzzzzzz";
  size = 5;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key.get(), "Port", &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, REG_SZ);
  size = 6;
  EXPECT_EQ(RegQueryValueExA(key.get(), "Port", nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, 7), std::string("COM12\0z", 7));
  EXPECT_EQ(RegQueryValueExA(key.get(), "Port", nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key.get(), "Port", &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key.get(), "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // The W form counts UTF-16 bytes.
  size = 0;
  EXPECT_EQ(RegQueryValueExW(key.get(), u"Port", nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 12u);
  char16_t wide[8];
  size = 10;
  EXPECT_EQ(RegQueryValueExW(key.get(), u"Port", nullptr, reinterpret_cast<BYTE*>(wide), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
}

TEST_F(RegistryTest, NarrowAndWideSeeTheSameValues) {
  RegKey key = Create("SOFTWARE\\Test");
  // Written narrow, read wide, and back.
  ASSERT_EQ(RegSetValueExA(key.get(), "A", REG_SZ, Bytes("COM1"), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.get(), "Euro", REG_SZ, Bytes("\x80"), 2), ERROR_SUCCESS);
  EXPECT_EQ(ReadW(key.get(), u"a"), u"COM1");
  EXPECT_EQ(ReadW(key.get(), u"EURO"), std::u16string(u"\u20ac\0", 2));
  // Written wide, read narrow in the current ANSI code page.
  ASSERT_EQ(RegSetValueExW(key.get(), u"W", REG_SZ, Bytes(u"LPT1"), 10), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), u"Chinese", REG_SZ, Bytes(u"\u4e2d\u6587"), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadA(key.get(), "w"), std::string("LPT1\0", 5));
  EXPECT_EQ(ReadA(key.get(), "Chinese"), "??");
  {
    ScopedCodePage chinese("936");
    EXPECT_EQ(ReadA(key.get(), "Chinese"), "\xd6\xd0\xce\xc4");
    EXPECT_EQ(ReadA(key.get(), "Euro"), std::string("\x80", 2)) << "euro is 0x80 in 936 too";
  }
  EXPECT_EQ(ReadW(key.get(), u"W"), std::u16string(u"LPT1\0", 5));
  // Non-text types pass unchanged.
  ASSERT_EQ(RegSetValueExW(key.get(), u"Bin", REG_BINARY, Bytes("\x80\x81"), 2), ERROR_SUCCESS);
  EXPECT_EQ(ReadA(key.get(), "Bin"), "\x80\x81");

  // Names too: a key written wide with an accent is found narrow, in any case.
  RegKey wide;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Test\\Caf\u00e9", KEY_ALL_ACCESS,
                            wide.receive(), nullptr),
            ERROR_SUCCESS);
  RegKey narrow;
  EXPECT_EQ(Open("SOFTWARE\\Test\\CAF\xc9", &narrow), ERROR_SUCCESS);
  EXPECT_EQ(SubkeysA(key.get()), (std::vector<std::string>{"Caf\xe9"}));
  char16_t name[8];
  DWORD chars = 8;
  ASSERT_EQ(RegEnumKeyExW(key.get(), 0, name, &chars), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, chars), u"Caf\u00e9");
  ASSERT_EQ(RegSetValueExW(wide.get(), u"\u4e2d", REG_DWORD, Bytes("\1\0\0\0"), 4), ERROR_SUCCESS);
  chars = 8;
  DWORD type = 0;
  ASSERT_EQ(RegEnumValueW(wide.get(), 0, name, &chars, &type), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, chars), u"\u4e2d");
  EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryTest, EnumeratesInCaseInsensitiveOrder) {
  RegKey key = Create("SOFTWARE\\Enum");
  for (const char* name : {"b", "A", "_x", "C", "a1"}) {
    RegKey child = Create((std::string("SOFTWARE\\Enum\\") + name).c_str());
    ASSERT_EQ(RegSetValueExA(key.get(), name, REG_SZ, Bytes("v"), 1), ERROR_SUCCESS);
  }
  const std::vector<std::string> expected = {"A", "a1", "b", "C", "_x"};
  EXPECT_EQ(SubkeysA(key.get()), expected);
  EXPECT_EQ(ValuesA(key.get()), expected);

  char name[3];
  DWORD chars = 2;  // "a1" needs 3 with its NUL
  EXPECT_EQ(RegEnumKeyExA(key.get(), 1, name, &chars), ERROR_MORE_DATA);
  EXPECT_EQ(chars, 2u);
  chars = 3;
  EXPECT_EQ(RegEnumKeyExA(key.get(), 1, name, &chars), ERROR_SUCCESS);
  EXPECT_STREQ(name, "a1");
  chars = 1;
  DWORD type = 0;
  EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &chars, &type), ERROR_MORE_DATA);
  chars = 3;
  EXPECT_EQ(RegEnumKeyExA(key.get(), 5, name, &chars), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValueA(key.get(), 5, name, &chars, &type), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, DeletesValuesAndKeysOneAtATime) {
  RegKey key = Create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt");
  ASSERT_EQ(RegSetValueExA(key.get(), "IOType", REG_SZ, Bytes("ENet"), 5), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key.get(), "iotype"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key.get(), "IOType"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(ReadA(key.get(), "IOType"));
  ASSERT_EQ(RegSetValueExA(key.get(), "Model", REG_SZ, Bytes("80"), 3), ERROR_SUCCESS);

  RegKey printers;
  ASSERT_EQ(Open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter", &printers, KEY_ALL_ACCESS),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS"),
            ERROR_KEY_HAS_CHILDREN);
  EXPECT_EQ(RegDeleteKeyA(printers.get(), "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(printers.get(), "RECEIPT"), ERROR_SUCCESS);
  EXPECT_EQ(SubkeysA(printers.get()), std::vector<std::string>{});
  // A handle to the deleted key no longer writes; a re-created key is empty.
  EXPECT_EQ(RegSetValueExA(key.get(), "Model", REG_SZ, Bytes("80"), 3), 1018);
  EXPECT_FALSE(ReadA(key.get(), "Model"));
  RegKey again = Create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt");
  EXPECT_EQ(ValuesA(again.get()), std::vector<std::string>{});
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(printers.get(), u"Receipt"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, HandlesAreCheckedAndCarryTheirAccess) {
  RegKey writer = Create("SOFTWARE\\Test");
  RegKey reader;
  ASSERT_EQ(Open("SOFTWARE\\Test", &reader, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(reader.get(), "x", REG_SZ, Bytes("1"), 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader.get(), "x"), ERROR_ACCESS_DENIED);
  RegKey write_only;
  ASSERT_EQ(Open("SOFTWARE\\Test", &write_only, KEY_WRITE), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(write_only.get(), "x", REG_SZ, Bytes("1"), 1), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(write_only.get(), "x", nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExA(reader.get(), "x", nullptr, nullptr, &size), ERROR_SUCCESS);

  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &raw), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(raw), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(raw, "x", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, CorruptOrUnreadableStoreGivesAnErrorNamingTheFile) {
  {
    std::ofstream garbage(StoreFile(), std::ios::binary);
    garbage << std::string(4096, 'G');
  }
  RegKey key;
  EXPECT_EQ(Open("SOFTWARE", &key), ERROR_BADDB);
  EXPECT_NE(RegGetLastErrorText().find(StoreFile().string()), std::string::npos)
      << RegGetLastErrorText();
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_ALL_ACCESS, key.receive(), nullptr),
            ERROR_BADDB);
  EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "x", REG_SZ, Bytes("1"), 1), ERROR_BADDB);
  EXPECT_NE(RegGetLastErrorText().find("registry.db"), std::string::npos);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, &size), ERROR_BADDB);
  // A successful call clears the text.
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_TRUE(RegGetLastErrorText().empty());

  std::filesystem::remove(StoreFile());
  std::filesystem::create_directory(StoreFile());  // a directory where the file should be
  EXPECT_EQ(Open("SOFTWARE", &key), ERROR_CANTOPEN);
  EXPECT_NE(RegGetLastErrorText().find(StoreFile().string()), std::string::npos)
      << RegGetLastErrorText();
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_ALL_ACCESS, key.receive(), nullptr),
            ERROR_CANTOPEN);
}

// A cached connection must not outlive its file: a store removed or
// replaced behind the registry's back is seen as it now is.
TEST_F(RegistryTest, FollowsTheStoreFileAndThePrefix) {
  RegKey key = Create("SOFTWARE\\Test");
  ASSERT_EQ(RegSetValueExA(key.get(), "v", REG_SZ, Bytes("1"), 1), ERROR_SUCCESS);
  RegKey probe;
  EXPECT_EQ(Open("SOFTWARE\\Test", &probe), ERROR_SUCCESS);
  {
    TempPrefix other;
    EXPECT_EQ(Open("SOFTWARE\\Test", &probe), ERROR_FILE_NOT_FOUND);
    // A handle keeps the store it was opened in.
    EXPECT_EQ(ReadA(key.get(), "v"), "1");
  }
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::remove(StoreFile().string() + suffix);
  }
  EXPECT_EQ(Open("SOFTWARE\\Test", &probe), ERROR_FILE_NOT_FOUND);
  RegKey fresh = Create("SOFTWARE\\Other");
  EXPECT_EQ(Open("SOFTWARE\\Test", &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open("SOFTWARE\\Other", &probe), ERROR_SUCCESS);
}

// An empty file (as left by a tool that created but never wrote it) is an
// empty registry that the first write fills.
TEST_F(RegistryTest, EmptyStoreFileReadsEmptyAndTakesWrites) {
  { std::ofstream empty(StoreFile(), std::ios::binary); }
  RegKey key;
  EXPECT_EQ(Open("SOFTWARE", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RegGetLastErrorText().empty()) << RegGetLastErrorText();
  key = Create("SOFTWARE\\Test");
  ASSERT_EQ(RegSetValueExA(key.get(), "v", REG_SZ, Bytes("1"), 1), ERROR_SUCCESS);
  EXPECT_EQ(ReadA(key.get(), "v"), "1");
}

// A handle into a store that was deleted never reaches the key that has
// its id in the new store.
TEST_F(RegistryTest, HandleIntoAReplacedStoreReachesNoOtherKey) {
  RegKey old_key = Create("SOFTWARE\\Test");
  ASSERT_EQ(RegSetValueExA(old_key.get(), "v", REG_SZ, Bytes("old"), 3), ERROR_SUCCESS);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::remove(StoreFile().string() + suffix);
  }
  RegKey other = Create("SOFTWARE\\Other");  // same ids as SOFTWARE\Test had
  ASSERT_EQ(RegSetValueExA(other.get(), "v", REG_SZ, Bytes("other"), 5), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(old_key.get(), "v", REG_SZ, Bytes("stale"), 5), 1018);
  EXPECT_EQ(RegSetValueExA(old_key.get(), "w", REG_SZ, Bytes("stale"), 5), 1018);
  EXPECT_EQ(RegDeleteValueA(old_key.get(), "v"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(ReadA(old_key.get(), "v"));
  EXPECT_EQ(ValuesA(old_key.get()), std::vector<std::string>{});
  RegKey created;
  EXPECT_EQ(RegCreateKeyExA(old_key.get(), "Child", KEY_ALL_ACCESS, created.receive(), nullptr),
            1018);
  EXPECT_EQ(ReadA(other.get(), "v"), "other");
  EXPECT_EQ(ValuesA(other.get()), std::vector<std::string>{"v"});
  RegKey software;
  ASSERT_EQ(Open("SOFTWARE", &software), ERROR_SUCCESS);
  EXPECT_EQ(SubkeysA(software.get()), std::vector<std::string>{"Other"});
}

TEST_F(RegistryTest, RegKeyClosesItsHandle) {
  RegKey first = Create("SOFTWARE\\Test");
  HKEY raw = first.get();
  RegKey second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), raw);
  second.Close();
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(raw, "x", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

// Writers in several processes and threads, starting from a prefix without a
// store (so they also race to create it): nothing written is lost.
TEST_F(RegistryTest, ConcurrentWritersInSeveralProcessesLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kThreads = 2;
  constexpr int kValues = 60;
  // Reports a failing step on stderr (the child has no other way to say).
  auto check = [](LSTATUS status, const char* step) {
    if (status == ERROR_SUCCESS) return true;
    std::fprintf(stderr, "%s: %d %s\n", step, status, RegGetLastErrorText().c_str());
    return false;
  };
  auto writer = [&check](int process, int thread) -> bool {
    for (int i = 0; i < kValues; ++i) {
      RegKey key;
      std::string path = "SOFTWARE\\Shared\\Writer" + std::to_string(process);
      if (!check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS, key.receive(),
                                 nullptr),
                 "create")) {
        return false;
      }
      std::string name = "v" + std::to_string(thread) + "_" + std::to_string(i);
      std::string data = name + "@" + std::to_string(process);
      if (!check(RegSetValueExA(key.get(), name.c_str(), REG_SZ, Bytes(data.c_str()),
                                static_cast<DWORD>(data.size())),
                 "set")) {
        return false;
      }
      char buffer[64];
      DWORD size = sizeof buffer;
      if (!check(RegQueryValueExA(key.get(), name.c_str(), nullptr, reinterpret_cast<BYTE*>(buffer),
                                  &size),
                 "query") ||
          std::string(buffer, size) != data) {
        return false;
      }
    }
    return true;
  };
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      bool ok[kThreads] = {};
      std::vector<std::thread> threads;
      for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { ok[t] = writer(p, t); });
      for (auto& thread : threads) thread.join();
      bool all = true;
      for (bool b : ok) all = all && b;
      ::_exit(all ? 0 : 1);
    }
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << RegGetLastErrorText();
  }
  for (int p = 0; p < kProcesses; ++p) {
    RegKey key;
    std::string path = "SOFTWARE\\Shared\\Writer" + std::to_string(p);
    ASSERT_EQ(Open(path.c_str(), &key), ERROR_SUCCESS);
    EXPECT_EQ(ValuesA(key.get()).size(), static_cast<size_t>(kThreads * kValues));
    for (int t = 0; t < kThreads; ++t) {
      for (int i = 0; i < kValues; ++i) {
        std::string name = "v" + std::to_string(t) + "_" + std::to_string(i);
        EXPECT_EQ(ReadA(key.get(), name.c_str()), name + "@" + std::to_string(p));
      }
    }
  }
  RegKey shared;
  ASSERT_EQ(Open("SOFTWARE\\Shared", &shared), ERROR_SUCCESS);
  EXPECT_EQ(SubkeysA(shared.get()).size(), static_cast<size_t>(kProcesses));
}

// Threads of one process each have their own connection; handles opened on
// one thread are used on another.
TEST_F(RegistryTest, ThreadsWriteAndReadAtOnce) {
  RegKey key = Create("SOFTWARE\\Threads");
  HKEY shared = key.get();
  constexpr int kThreads = 4;
  constexpr int kValues = 50;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      RegKey own;
      std::string path = "SOFTWARE\\Threads\\T" + std::to_string(t);
      if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS, own.receive(),
                          nullptr) != ERROR_SUCCESS) {
        ++failures[t];
        return;
      }
      for (int i = 0; i < kValues; ++i) {
        std::string name = "v" + std::to_string(i);
        std::string data = std::to_string(t * 1000 + i);
        if (RegSetValueExA(own.get(), name.c_str(), REG_SZ, Bytes(data.c_str()),
                           static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
          ++failures[t];
        }
        char buffer[16];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(own.get(), name.c_str(), nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS ||
            std::string(buffer, size) != data) {
          ++failures[t];
        }
        char child[16];
        DWORD chars = sizeof child;
        LSTATUS status = RegEnumKeyExA(shared, 0, child, &chars);
        if (status != ERROR_SUCCESS) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  EXPECT_EQ(SubkeysA(shared).size(), static_cast<size_t>(kThreads));
  for (int t = 0; t < kThreads; ++t) {
    RegKey own;
    std::string path = "SOFTWARE\\Threads\\T" + std::to_string(t);
    ASSERT_EQ(Open(path.c_str(), &own), ERROR_SUCCESS);
    EXPECT_EQ(ValuesA(own.get()).size(), static_cast<size_t>(kValues));
    EXPECT_EQ(ReadA(own.get(), "v7"), std::to_string(t * 1000 + 7));
  }
}

}  // namespace
}  // namespace qvplatform
