#include "common/ports/po_text.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

using qvports::GetPOText;
using qvports::POTextTable;

struct TextCase {
  POTextTable table;
  bool chinese;
  const char* key;
  const char16_t* expected;  // null: not in the table
};

TEST(GetPOText, AnswersPerProgramAndLanguage) {
  const TextCase cases[] = {
      {POTextTable::kConfigTool, false, "PO_ERR_SELECT_PRINTER_TYPE",
       u"Please Select Printer Type!"},
      {POTextTable::kConfigTool, true, "PO_ERR_SELECT_PRINTER_TYPE", u"请选择打印机类型"},
      {POTextTable::kTestApp, false, "PO_ERR_SELECT_PRINTER_TYPE", u"Please Select Printer!"},
      {POTextTable::kTestApp, true, "PO_ERR_SELECT_PRINTER_TYPE", u"请选择打印机"},
      // Only the test application has the drawer row.
      {POTextTable::kConfigTool, false, "PO_ERR_SELECT_DRAWER_TYPE", nullptr},
      {POTextTable::kTestApp, false, "PO_ERR_SELECT_DRAWER_TYPE", u"Please Select Cash Drawer!"},
      {POTextTable::kTestApp, true, "PO_ERR_SELECT_DRAWER_TYPE", u"请选择钱箱"},
      {POTextTable::kConfigTool, false, "PO_ERR_VERSION_NONSUPPORT_GETTING_RESULT",
       u"This version nonsupport to get setting result"},
      {POTextTable::kTestApp, true, "PO_ERR_PRINT_STATUS_IS_NOT_READY",
       u"操作失败，打印机未处于就绪状态"},
      // Keys compare byte by byte.
      {POTextTable::kConfigTool, false, "po_err_success", nullptr},
      {POTextTable::kConfigTool, false, "PO_ERR_SUCCESS ", nullptr},
      {POTextTable::kConfigTool, false, "", nullptr},
  };
  for (const TextCase& c : cases) {
    char16_t buffer[qvports::kPOTextBufferUnits];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    char16_t* result = GetPOText(c.table, c.chinese, c.key, buffer);
    if (c.expected == nullptr) {
      EXPECT_EQ(result, nullptr) << c.key;
      EXPECT_EQ(buffer[0], u'#') << "buffer written for " << c.key;
    } else {
      EXPECT_EQ(result, buffer) << c.key;
      EXPECT_EQ(std::u16string(buffer), c.expected) << c.key;
    }
  }
}

TEST(GetPOText, TablesHaveTheirRowCountsAndFitTheSmallestBuffer) {
  EXPECT_EQ(qvports::POTextRows(POTextTable::kConfigTool).size(), 12u);
  EXPECT_EQ(qvports::POTextRows(POTextTable::kTestApp).size(), 13u);
  for (POTextTable table : {POTextTable::kConfigTool, POTextTable::kTestApp}) {
    for (const qvports::POTextRow& row : qvports::POTextRows(table)) {
      EXPECT_LT(std::u16string(row.english).size(), 46u) << row.key;
      EXPECT_LT(std::u16string(row.chinese).size(), 46u) << row.key;
    }
  }
}

TEST(POTextLanguage, ReadsTheLanguageOnceAndOnlyPrcIsChinese) {
  struct Case {
    qvports::LANGID id;
    bool chinese;
  };
  for (Case c :
       {Case{0x0804, true}, Case{0x0404, false}, Case{0x0C04, false}, Case{0x0409, false}}) {
    int reads = 0;
    qvports::POTextLanguage language([&] {
      ++reads;
      return c.id;
    });
    EXPECT_EQ(language.IsChinese(), c.chinese) << c.id;
    EXPECT_EQ(language.IsChinese(), c.chinese) << c.id;
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(language.LangId(), c.id);
  }
}

TEST(LangIdOfLocale, MapsPosixLocaleNames) {
  struct Case {
    const char* locale;
    qvports::LANGID id;
  };
  const Case cases[] = {
      {"zh_CN.UTF-8", 0x0804}, {"zh_CN", 0x0804},         {"zh_TW.UTF-8", 0x0404},
      {"zh_HK.UTF-8", 0x0C04}, {"zh_CN.GB18030", 0x0804}, {"zh", 0x0804},
      {"en_US.UTF-8", 0x0409}, {"en_GB", 0x0809},         {"de_DE@euro", 0x0407},
      {"C", 0x0409},           {"POSIX", 0x0409},         {"", 0x0409},
      {"C.UTF-8", 0x0409},
  };
  for (const Case& c : cases) EXPECT_EQ(qvports::LangIdOfLocale(c.locale), c.id) << c.locale;
}

// BaseGetPOText latches the language of its first call for the process, so
// this is the only test in the program that calls it.
TEST(BaseGetPOText, UsesTheEnvironmentLocaleOfTheFirstCall) {
  ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
  qvports::SelectPOTextTable(POTextTable::kTestApp);
  char16_t buffer[qvports::kPOTextBufferUnits] = {};
  ASSERT_NE(BaseGetPOText("PO_ERR_SELECT_DRAWER_TYPE", buffer), nullptr);
  EXPECT_EQ(std::u16string(buffer), u"请选择钱箱");
  // A later change of the locale has no effect.
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  ASSERT_NE(BaseGetPOText("PO_ERR_SUCCESS", buffer), nullptr);
  EXPECT_EQ(std::u16string(buffer), u"成功");
  qvports::SelectPOTextTable(POTextTable::kConfigTool);
  EXPECT_EQ(BaseGetPOText("PO_ERR_SELECT_DRAWER_TYPE", buffer), nullptr);
  ::unsetenv("LC_ALL");
}

}  // namespace
