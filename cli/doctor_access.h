// Who may use a file or device node, for `qvopos doctor`: whether the
// caller may read or write it (as the kernel decides, with the effective
// ids), and, when not, what would help: joining the group that owns it, or
// only logging in again when the account is already in that group but this
// login session started before. Main thread.
#ifndef QV_CLI_DOCTOR_ACCESS_H_
#define QV_CLI_DOCTOR_ACCESS_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qvcli {

struct CallerIdentity {
  uid_t uid = 0;
  std::vector<gid_t> sessionGroups;  // the groups this process runs with
  std::vector<gid_t> accountGroups;  // the groups of the user's account now
};

CallerIdentity CurrentCaller();

// access(2) for `mode` (R_OK, W_OK, X_OK bits) with the effective ids.
bool CallerMay(const std::filesystem::path& path, int mode);

// What lets `caller` use a file of this owner, group and permission bits
// for `mode`, when the group's bits grant it:
//   "you are in GROUP, but this login session is older: log in again"
//   "add yourself to GROUP: sudo gpasswd -a $USER GROUP, then log in again"
// Empty when the group's bits do not grant it (joining would not help).
std::string GroupAdvice(const struct stat& st, int mode, const CallerIdentity& caller);

// "root:lp 0660" for messages.
std::string OwnershipText(const struct stat& st);

// The name of group `gid`, or its number as text.
std::string GroupName(gid_t gid);

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_ACCESS_H_
