#include "test_support/temp_prefix.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

TempPrefix::TempPrefix() {
  if (const char* old = ::getenv("QV_OPOS_ROOT")) previous_ = old;
  std::string pattern = (std::filesystem::temp_directory_path() / "qvopos-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  ::setenv("QV_OPOS_ROOT", root_.c_str(), 1);
}

TempPrefix::~TempPrefix() {
  if (previous_) {
    ::setenv("QV_OPOS_ROOT", previous_->c_str(), 1);
  } else {
    ::unsetenv("QV_OPOS_ROOT");
  }
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}
