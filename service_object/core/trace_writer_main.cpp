// Test helper: a process that writes to the process trace log and ends at
// once, with most lines still pending.
//
//   core_trace_writer <count>
//
// Sets the level to 5, submits <count> lines "line <n>" with the tag
// "CDevice" and returns from main; the log's destruction at exit must write
// them all to the prefix's trace file.
#include <cstdlib>
#include <string>

#include "service_object/core/log.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int count = std::atoi(argv[1]);
  TheLog().SetLevel(5);
  for (int i = 0; i < count; ++i) TheLog().Log(5, "CDevice", "line " + std::to_string(i));
  return 0;
}
