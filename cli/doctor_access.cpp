#include "cli/doctor_access.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace qvcli {
namespace {

bool Contains(const std::vector<gid_t>& groups, gid_t gid) {
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// The group permission bits that `mode` needs.
mode_t GroupBits(int mode) {
  mode_t bits = 0;
  if (mode & R_OK) bits |= S_IRGRP;
  if (mode & W_OK) bits |= S_IWGRP;
  if (mode & X_OK) bits |= S_IXGRP;
  return bits;
}

}  // namespace

CallerIdentity CurrentCaller() {
  CallerIdentity caller;
  caller.uid = ::geteuid();
  caller.sessionGroups.push_back(::getegid());
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    if (got > 0)
      caller.sessionGroups.insert(caller.sessionGroups.end(), groups.begin(), groups.begin() + got);
  }
  const passwd* account = ::getpwuid(caller.uid);
  if (account != nullptr) {
    int n = 64;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    if (::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &n) < 0) {
      groups.resize(static_cast<size_t>(n));
      ::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &n);
    }
    groups.resize(static_cast<size_t>(std::max(n, 0)));
    caller.accountGroups = groups;
  }
  return caller;
}

bool CallerMay(const std::filesystem::path& path, int mode) {
  return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

std::string GroupAdvice(const struct stat& st, int mode, const CallerIdentity& caller) {
  const mode_t needed = GroupBits(mode);
  if ((st.st_mode & needed) != needed) return "";
  const std::string group = GroupName(st.st_gid);
  if (Contains(caller.accountGroups, st.st_gid) && !Contains(caller.sessionGroups, st.st_gid)) {
    return "you are in " + group + ", but this login session is older: log in again";
  }
  return "add yourself to " + group + ": sudo gpasswd -a $USER " + group + ", then log in again";
}

std::string OwnershipText(const struct stat& st) {
  const passwd* owner = ::getpwuid(st.st_uid);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  return (owner != nullptr ? std::string(owner->pw_name) : std::to_string(st.st_uid)) + ":" +
         GroupName(st.st_gid) + " " + mode;
}

std::string GroupName(gid_t gid) {
  const group* entry = ::getgrgid(gid);
  return entry != nullptr ? std::string(entry->gr_name) : std::to_string(gid);
}

}  // namespace qvcli
