// A separate process that holds a file open, for tests of code that looks
// for other processes using a device: `sleep` with the file on its standard
// input. The constructor returns once the program runs (bounded wait; a
// failure to start is a GoogleTest failure and leaves pid() at -1); the
// destructor kills and reaps it. One thread uses an object.
#ifndef QV_TEST_SUPPORT_HOLDER_PROCESS_H_
#define QV_TEST_SUPPORT_HOLDER_PROCESS_H_

#include <sys/types.h>

class HolderProcess {
 public:
  // Holds `fd` (the caller keeps its own descriptor).
  explicit HolderProcess(int fd);
  ~HolderProcess();
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

#endif  // QV_TEST_SUPPORT_HOLDER_PROCESS_H_
