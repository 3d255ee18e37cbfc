// QVOposConfigTool -Uninstall, run as a child process without any display:
// which command lines select it, what it deletes and keeps, and a key that
// cannot be deleted reported on the error stream with exit code 1.
#include "config_tool/uninstall.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/child_process.h"
#include "common/toolreg/reg_test_util.h"
#include "test_support/temp_prefix.h"

namespace qvconfig {
namespace {

using qvtoolreg_test::kDrawerClassKey;
using qvtoolreg_test::KeyExists;
using qvtoolreg_test::kInfoKey;
using qvtoolreg_test::kPrinterClassKey;
using qvtoolreg_test::PutString;

// Removes the variables through which a program could reach a display, for
// the life of the object (children started meanwhile inherit that).
class NoDisplay {
 public:
  NoDisplay() {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  ~NoDisplay() {
    for (size_t i = 0; i < m_saved.size(); ++i) {
      if (m_saved[i]) setenv(kNames[i], m_saved[i]->c_str(), 1);
    }
  }

 private:
  static constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  std::vector<std::optional<std::string>> m_saved;
};

qvcli_test::RunResult RunTool(const std::vector<std::string>& args) {
  NoDisplay noDisplay;
  return qvcli_test::Run(QV_CONFIG_TOOL_PROGRAM, args);
}

TEST(UninstallCommandLine, IsTheWholeLineWithoutRegardToCase) {
  const struct {
    std::vector<std::string> args;
    bool uninstall;
  } cases[] = {
      {{"-Uninstall"}, true},         {{"-UNINSTALL"}, true},
      {{"-uninstall"}, true},         {{}, false},
      {{"-Uninstall", "now"}, false}, {{"/Uninstall"}, false},
      {{"--Uninstall"}, false},       {{"-Uninstal"}, false},
      {{"-Uninstall", ""}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUninstallCommandLine(c.args), c.uninstall)
        << (c.args.empty() ? std::string("(none)") : c.args[0]) << " " << c.args.size();
  }
}

class UninstallTest : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
};

TEST_F(UninstallTest, DeletesOurDevicesOnlyWithoutAnyDisplay) {
  PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Back", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Other", u"", u"Vendor.Opos.Printer");
  PutString(kDrawerClassKey + u"\\Till", u"", u"QV.OPOS.CashDrawer");
  PutString(kDrawerClassKey + u"\\Foreign", u"", u"Vendor.CashDrawer");
  PutString(kInfoKey, u"LogVerbosity", u"4");

  const qvcli_test::RunResult result = RunTool({"-UNINSTALL"});
  EXPECT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.error, "");
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Front"));
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Back"));
  EXPECT_FALSE(KeyExists(kDrawerClassKey + u"\\Till"));
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Other"));
  EXPECT_TRUE(KeyExists(kDrawerClassKey + u"\\Foreign"));
  EXPECT_EQ(qvtoolreg_test::ValuesOf(kInfoKey)[u"LogVerbosity"], u"4");

  // Nothing left to delete is no failure.
  EXPECT_EQ(RunTool({"-uninstall"}).code, 0);
}

TEST_F(UninstallTest, AKeyThatCannotBeDeletedIsNamedAndTheRestIsDeleted) {
  PutString(kPrinterClassKey + u"\\Front", u"", u"QV.Opos.Printer");
  PutString(kPrinterClassKey + u"\\Front\\Extra", u"", u"x");  // refuses a plain delete
  PutString(kPrinterClassKey + u"\\Back", u"", u"QV.Opos.Printer");
  PutString(kDrawerClassKey + u"\\Till", u"", u"QV.OPOS.CashDrawer");

  const qvcli_test::RunResult result = RunTool({"-Uninstall"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.error,
            "QVOposConfigTool: cannot delete "
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Front: "
            "registry status 1020 (the key has subkeys)\n");
  EXPECT_TRUE(KeyExists(kPrinterClassKey + u"\\Front"));
  EXPECT_FALSE(KeyExists(kPrinterClassKey + u"\\Back"));
  EXPECT_FALSE(KeyExists(kDrawerClassKey + u"\\Till"));
}

}  // namespace
}  // namespace qvconfig
