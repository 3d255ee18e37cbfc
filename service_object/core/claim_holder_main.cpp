// Test helper: another process that holds a claim mutex.
//
//   core_claim_holder <mutex name>
//
// Acquires the named mutex (in the prefix of QV_OPOS_ROOT), writes "held\n"
// to standard output, then keeps it until standard input reaches its end,
// releases it and exits 0. Exits 1 when the mutex cannot be had.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/sync/named_mutex.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string error;
  std::unique_ptr<qvplatform::NamedMutex> mutex = qvplatform::NamedMutex::Create(argv[1], &error);
  if (!mutex) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  qvplatform::WaitResult result = mutex->Wait(-1);
  if (result != qvplatform::WaitResult::kAcquired && result != qvplatform::WaitResult::kAbandoned) {
    return 1;
  }
  if (::write(STDOUT_FILENO, "held\n", 5) != 5) return 1;
  char byte;
  while (::read(STDIN_FILENO, &byte, 1) > 0) {
  }
  mutex->Release();
  return 0;
}
