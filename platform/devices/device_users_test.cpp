#include "platform/devices/device_users.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>

#include "test_support/holder_process.h"
#include "test_support/temp_prefix.h"

namespace qvplatform {
namespace {

// A pseudo-terminal pair opened by this process (close-on-exec).
class PtyPair {
 public:
  PtyPair() {
    master_ = ::open("/dev/ptmx", O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[64] = {};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof(name)) != 0) {
      ADD_FAILURE() << "no pseudo-terminal";
      return;
    }
    slave_path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  int master() const { return master_; }
  int slave() const { return slave_; }
  const std::string& slave_path() const { return slave_path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

const DeviceUser* Find(const DeviceUsers& found, pid_t pid) {
  auto it = std::find_if(found.users.begin(), found.users.end(),
                         [pid](const DeviceUser& user) { return user.pid == pid; });
  return it == found.users.end() ? nullptr : &*it;
}

// Whether this kernel tells which terminal a master descriptor belongs to.
bool KernelNamesMasterIndex(int master) {
  std::ifstream info("/proc/self/fdinfo/" + std::to_string(master));
  std::string line;
  while (std::getline(info, line)) {
    if (line.rfind("tty-index:", 0) == 0) return true;
  }
  return false;
}

TEST(DeviceUsersTest, NamesAnotherProcessHoldingTheTerminalAndNeverItself) {
  PtyPair pty;
  ASSERT_GE(pty.slave(), 0);
  EXPECT_TRUE(QueryDeviceUsers(pty.slave_path()).users.empty());  // only this process holds it

  HolderProcess holder(pty.slave());
  ASSERT_GT(holder.pid(), 0);
  const DeviceUsers found = QueryDeviceUsers(pty.slave_path());
  EXPECT_EQ(found.error, 0);
  ASSERT_EQ(found.users.size(), 1u);
  EXPECT_EQ(found.users[0].pid, holder.pid());
  EXPECT_EQ(found.users[0].name, "sleep");
  EXPECT_FALSE(found.users[0].holdsOtherEnd);
}

TEST(DeviceUsersTest, TheProcessHoldingTheMasterIsTheTerminalsOtherEnd) {
  PtyPair pty;
  ASSERT_GE(pty.slave(), 0);
  if (!KernelNamesMasterIndex(pty.master())) GTEST_SKIP() << "fdinfo has no tty-index";
  HolderProcess other_end(pty.master());
  ASSERT_GT(other_end.pid(), 0);
  PtyPair unrelated;  // another terminal's master is not this one's other end
  HolderProcess bystander(unrelated.master());
  const DeviceUsers found = QueryDeviceUsers(pty.slave_path());
  const DeviceUser* user = Find(found, other_end.pid());
  ASSERT_NE(user, nullptr);
  EXPECT_TRUE(user->holdsOtherEnd);
  EXPECT_EQ(Find(found, bystander.pid()), nullptr);
}

TEST(DeviceUsersTest, FilesAreMatchedByIdentityWhateverPathOpenedThem) {
  TempPrefix dir;
  const std::filesystem::path file = dir.root() / "node";
  std::ofstream(file) << "x";
  std::filesystem::create_symlink(file, dir.root() / "link");
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    HolderProcess holder(fd);
    const DeviceUsers found = QueryDeviceUsers(dir.root() / "link");
    ASSERT_NE(Find(found, holder.pid()), nullptr);
  }
  ::close(fd);
  EXPECT_EQ(QueryDeviceUsers(dir.root() / "missing").error, ENOENT);
}

}  // namespace
}  // namespace qvplatform
