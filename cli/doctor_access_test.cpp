#include "cli/doctor_access.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qvcli {
namespace {

// A node owned by root and the group `gid` with permission bits `mode`.
struct stat Node(gid_t gid, mode_t mode) {
  struct stat st {};
  st.st_uid = 0;
  st.st_gid = gid;
  st.st_mode = S_IFCHR | mode;
  return st;
}

TEST(DoctorAccessTest, AdviceNamesTheGroupOrALoginWhenTheAccountIsAlreadyInIt) {
  const gid_t lp = 7;
  const std::string group = GroupName(lp);
  CallerIdentity outsider{1000, {1000, 20}, {1000, 20}};
  CallerIdentity joined_later{1000, {1000, 20}, {1000, 20, lp}};
  const struct {
    struct stat node;
    int mode;
    const CallerIdentity& caller;
    std::string advice;
  } cases[] = {
      {Node(lp, 0660), R_OK | W_OK, outsider,
       "add yourself to " + group + ": sudo gpasswd -a $USER " + group + ", then log in again"},
      {Node(lp, 0660), R_OK | W_OK, joined_later,
       "you are in " + group + ", but this login session is older: log in again"},
      {Node(lp, 0640), R_OK | W_OK, outsider, ""},  // the group may not write: joining won't help
      {Node(lp, 0600), R_OK, outsider, ""},
      {Node(lp, 0640), R_OK, outsider,
       "add yourself to " + group + ": sudo gpasswd -a $USER " + group + ", then log in again"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GroupAdvice(c.node, c.mode, c.caller), c.advice)
        << std::oct << (c.node.st_mode & 07777) << " mode " << c.mode;
  }
  EXPECT_EQ(OwnershipText(Node(lp, 02775)), "root:" + group + " 2775");
}

}  // namespace
}  // namespace qvcli
