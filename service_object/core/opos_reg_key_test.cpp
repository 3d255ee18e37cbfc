#include "service_object/core/opos_reg_key.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/registry/registry.h"
#include "service_object/core/errors.h"
#include "test_support/temp_prefix.h"

namespace {

const char kPrinterKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk";
const char kInfoKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV";

// Writes raw bytes of `type` under HKLM\<key>.
void PutRaw(const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
  qvplatform::RegKey handle;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_ALL_ACCESS, handle.receive(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExA(handle.get(), name.c_str(), type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS);
}

// A REG_SZ written the usual way, with its terminating NUL.
void PutString(const std::string& key, const std::string& name, const std::string& text) {
  PutRaw(key, name, REG_SZ, std::string(text.data(), text.size() + 1));
}

// Runs `read` and returns the message of the OposRegistryError it raises.
template <typename Read>
std::string RegistryErrorOf(Read read) {
  try {
    read();
  } catch (const OposRegistryError& error) {
    return error.what();
  }
  return "(no OposRegistryError)";
}

class OposRegKeyTest : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
  COposRegKey m_key{"POSPrinter", "Front Desk"};
};

TEST(OposRegKeyPathTest, KeyPathsEndInABackslash) {
  COposRegKey key("POSPrinter", "Front Desk");
  EXPECT_EQ(key.ServiceKeyPath(), "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk\\");
  EXPECT_EQ(key.InfoKeyPath(), "SOFTWARE\\OLEforRetail\\ServiceInfo\\QV\\");
  EXPECT_EQ(COposRegKey("", "Front Desk").ServiceKeyPath(), "");
  EXPECT_EQ(COposRegKey("CashDrawer", "").ServiceKeyPath(), "");
}

TEST_F(OposRegKeyTest, StringWithOrWithoutNulReadsTheSame) {
  PutRaw(kPrinterKey, "Serial Port", REG_SZ, "COM1");  // no terminating NUL
  PutString(kPrinterKey, "LPTPort", "COM1");
  PutRaw(kPrinterKey, "USBPort", REG_SZ, std::string("COM1\0junk", 9));
  PutRaw(kPrinterKey, "Model", REG_SZ, "");
  EXPECT_EQ(m_key.GetString("Serial Port"), "COM1");
  EXPECT_EQ(m_key.GetString("LPTPort"), "COM1");
  EXPECT_EQ(m_key.GetString("USBPort"), "COM1");
  EXPECT_EQ(m_key.GetString("Model"), "");
}

TEST_F(OposRegKeyTest, ValueNamesAreCaseInsensitive) {
  PutString(kPrinterKey, "IOType", "USB");
  EXPECT_EQ(m_key.GetString("iotype"), "USB");
}

TEST_F(OposRegKeyTest, OpeningAndRetrievalErrors) {
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetString("IOType"); }),
            "Error opening SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk\\\\IOType");
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetInfoNumber("LogVerbosity"); }),
            "Error opening SOFTWARE\\OLEforRetail\\ServiceInfo\\QV\\\\LogVerbosity");

  PutString(kPrinterKey, "Model", "80");
  EXPECT_EQ(
      RegistryErrorOf([&] { m_key.GetString("IOType"); }),
      "Error retrieving SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk\\\\IOType");

  // A number written by hand as a DWORD is not a REG_SZ: treated as missing.
  PutRaw(kPrinterKey, "BaudRate", REG_DWORD, std::string("\x80\x25\x00\x00", 4));
  EXPECT_EQ(
      RegistryErrorOf([&] { m_key.GetNumber("BaudRate"); }),
      "Error retrieving SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front Desk\\\\BaudRate");
}

TEST_F(OposRegKeyTest, EmptyClassReadsFromTheRootWhereNothingIsFound) {
  PutString(kPrinterKey, "IOType", "USB");
  COposRegKey key("", "Front Desk");
  EXPECT_EQ(RegistryErrorOf([&] { key.GetString("IOType"); }), "Error retrieving \\IOType");
}

TEST_F(OposRegKeyTest, LengthLimitOfAValue) {
  const std::string longest(COposRegKey::kMaxValueChars, 'x');
  PutString(kPrinterKey, "WithNul", longest);
  PutRaw(kPrinterKey, "WithoutNul", REG_SZ, longest);
  EXPECT_EQ(m_key.GetString("WithNul"), longest);
  EXPECT_EQ(m_key.GetString("WithoutNul"), longest);

  const std::string tooLong(COposRegKey::kMaxValueChars + 1, 'y');
  PutRaw(kPrinterKey, "FullBuffer", REG_SZ, tooLong);  // 2048 bytes, no NUL
  PutString(kPrinterKey, "OverBuffer", tooLong);       // 2049 bytes
  PutString(kPrinterKey, "Huge", std::string(100000, 'z'));
  for (const char* name : {"FullBuffer", "OverBuffer", "Huge"}) {
    EXPECT_EQ(RegistryErrorOf([&] { m_key.GetString(name); }),
              std::string("Error retrieving ") + m_key.ServiceKeyPath() + "\\" + name)
        << name;
  }
}

TEST_F(OposRegKeyTest, Numbers) {
  PutString(kPrinterKey, "BaudRate", "9600 baud");
  PutString(kPrinterKey, "ByteSize", "");
  PutString(kPrinterKey, "Parity", "  -2");
  PutString(kInfoKey, "LogVerbosity", "5");
  EXPECT_EQ(m_key.GetNumber("BaudRate"), 9600);
  EXPECT_EQ(m_key.GetNumber("ByteSize"), 0);
  EXPECT_EQ(m_key.GetNumber("Parity"), -2);
  EXPECT_EQ(m_key.GetInfoNumber("LogVerbosity"), 5);
  // The service-information key is not the device key.
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetNumber("LogVerbosity"); }),
            std::string("Error retrieving ") + m_key.ServiceKeyPath() + "\\LogVerbosity");
}

TEST_F(OposRegKeyTest, NumberThatDoesNotParseIsARetrievalError) {
  PutString(kPrinterKey, "BaudRate", "fast");
  PutString(kPrinterKey, "StopBits", "2147483648");
  PutString(kInfoKey, "DisableOnClose", "yes");
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetNumber("BaudRate"); }),
            std::string("Error retrieving ") + m_key.ServiceKeyPath() + "\\BaudRate");
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetNumber("StopBits"); }),
            std::string("Error retrieving ") + m_key.ServiceKeyPath() + "\\StopBits");
  EXPECT_EQ(RegistryErrorOf([&] { m_key.GetInfoNumber("DisableOnClose"); }),
            std::string("Error retrieving ") + m_key.InfoKeyPath() + "\\DisableOnClose");
}

TEST_F(OposRegKeyTest, ReadsTheStoreAsItIsNow) {
  PutString(kPrinterKey, "IOType", "COM");
  EXPECT_EQ(m_key.GetString("IOType"), "COM");
  PutString(kPrinterKey, "IOType", "ENet");
  EXPECT_EQ(m_key.GetString("IOType"), "ENet");
}

TEST(StringToNumTest, ParsesLikeTheStreamExtraction) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"", 0},
      {"0", 0},
      {"9600", 9600},
      {"9600 abc", 9600},
      {"+7", 7},
      {"-7", -7},
      {" \t\n42", 42},
      {"12ab34", 12},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"0000000000000000000019", 19},
  };
  for (const Case& c : cases) EXPECT_EQ(StringToNum(c.text), c.value) << '"' << c.text << '"';
}

TEST(StringToNumTest, RejectsTextWithoutANumberAndOverflow) {
  for (const char* text :
       {"abc", " ", "-", "+ 5", "- 5", "x1", "2147483648", "-2147483649", "99999999999999999999"}) {
    try {
      StringToNum(text);
      ADD_FAILURE() << "no error for \"" << text << '"';
    } catch (const StringError& error) {
      EXPECT_STREQ(error.what(), "StringToNum");
    }
  }
}

TEST(RegSzTextTest, StopsAtTheFirstNul) {
  const unsigned char data[] = {'C', 'O', 'M', '1', 0, 'x'};
  EXPECT_EQ(RegSzText(data, 6), "COM1");
  EXPECT_EQ(RegSzText(data, 4), "COM1");
  EXPECT_EQ(RegSzText(data, 0), "");
  const unsigned char leadingNul[] = {0, 'a'};
  EXPECT_EQ(RegSzText(leadingNul, 2), "");
}

}  // namespace
