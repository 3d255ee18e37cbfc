// A fresh temporary prefix for one test: creates a directory under
// $TMPDIR, points QV_OPOS_ROOT at it for the life of the object and removes
// it (with everything in it) afterwards. The previous QV_OPOS_ROOT is
// restored. Not for use from several threads at once (it sets environment).
//
// On Windows, where the machine is the prefix, a temporary registry key
// stands in for HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of the process
// instead (temp_prefix_win32.cpp), and root() is a temporary folder.
#ifndef QV_TEST_SUPPORT_TEMP_PREFIX_H_
#define QV_TEST_SUPPORT_TEMP_PREFIX_H_

#include <filesystem>
#include <optional>
#include <string>

class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  std::optional<std::string> previous_;
};

#endif  // QV_TEST_SUPPORT_TEMP_PREFIX_H_
