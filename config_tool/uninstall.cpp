#include "config_tool/uninstall.h"

#include <algorithm>
#include <cctype>

#include "common/toolreg/ldn_list.h"
#include "platform/text/codepage.h"

namespace qvconfig {

bool IsUninstallCommandLine(const std::vector<std::string>& args) {
  std::string commandLine;
  for (const std::string& arg : args) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += arg;
  }
  static constexpr std::string_view kOption = "-Uninstall";
  return std::equal(commandLine.begin(), commandLine.end(), kOption.begin(), kOption.end(),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

int RunUninstall(std::ostream& errors) {
  const qvtoolreg::UninstallResult result = qvtoolreg::UninstallOwnLDNs();
  for (const qvtoolreg::FailedDeletion& failure : result.failures) {
    errors << "QVOposConfigTool: cannot delete HKEY_LOCAL_MACHINE\\"
           << qvplatform::WideToUtf8(failure.keyPath) << ": "
           << qvplatform::WideToUtf8(failure.reason) << '\n';
  }
  return result.failures.empty() ? 0 : 1;
}

}  // namespace qvconfig
