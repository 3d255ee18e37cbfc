// Which processes hold a device node open, as the Restart Manager's
// RmGetList answers on Windows: read from /proc/<pid>/fd. A descriptor
// counts when it refers to the same device (character and block nodes,
// compared by device number) or the same file (anything else), whatever
// path it was opened by, so a link to the node finds its holders too.
//
// Processes of other users are visible only to root: their number is
// reported, their names are not. The calling process is never listed.
//
// A pseudo-terminal's other end: for a node /dev/pts/N, a process that holds
// the master of terminal N (a /dev/ptmx descriptor whose tty-index is N) is
// marked, so a caller can tell the program behind the terminal from a
// competitor. Any thread; reads /proc on every call.
#ifndef QV_PLATFORM_DEVICES_DEVICE_USERS_H_
#define QV_PLATFORM_DEVICES_DEVICE_USERS_H_

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qvplatform {

struct DeviceUser {
  pid_t pid = 0;
  std::string name;            // the program's file name ("cupsd"), from its command line
  bool holdsOtherEnd = false;  // holds the master of the terminal `node` is
};

struct DeviceUsers {
  std::vector<DeviceUser> users;  // sorted by pid
  int hidden = 0;                 // processes whose descriptors could not be read
  int error = 0;                  // errno when `node` itself cannot be examined
};

DeviceUsers QueryDeviceUsers(const std::filesystem::path& node);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_DEVICE_USERS_H_
