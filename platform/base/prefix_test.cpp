#include "platform/base/prefix.h"

#include <gtest/gtest.h>

#include "test_support/temp_prefix.h"

namespace qvplatform {
namespace {

TEST(PrefixTest, RootFollowsEnvironment) {
  TempPrefix prefix;
  EXPECT_EQ(PrefixRoot(), prefix.root());
  EXPECT_EQ(DriveC(), prefix.root() / "drive_c");
  EXPECT_EQ(DosDevices(), prefix.root() / "dosdevices");
}

TEST(PrefixTest, MapsDriveCPathsIntoThePrefix) {
  TempPrefix prefix;
  struct Case {
    const char* in;
    std::filesystem::path out;
  } cases[] = {
      {"C:\\QV_Opos_Driver.log", prefix.root() / "drive_c" / "QV_Opos_Driver.log"},
      {"c:/a\\b//c.bmp", prefix.root() / "drive_c" / "a" / "b" / "c.bmp"},
      {"C:\\", prefix.root() / "drive_c"},
      {"/tmp/logo.bmp", "/tmp/logo.bmp"},
      {"D:\\x.bmp", "D:\\x.bmp"},
      {"C:", "C:"},
      {"relative\\name", "relative\\name"},
  };
  for (const Case& c : cases) EXPECT_EQ(MapWindowsPath(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qvplatform
