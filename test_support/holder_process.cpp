#include "test_support/holder_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

// True once the child has replaced the test program's image with `sleep`.
bool RunsSleep(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name == "sleep";
}

}  // namespace

HolderProcess::HolderProcess(int fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDIN_FILENO);
  char program[] = "sleep";
  char seconds[] = "300";
  char* argv[] = {program, seconds, nullptr};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start sleep: " << std::strerror(rc);
    return;
  }
  pid_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!RunsSleep(pid_)) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "sleep did not start";
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

HolderProcess::~HolderProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}
