// Parallel-port enumeration: the present parallel ports as LPTn, from the
// device map's lptN links whose target exists and from the /dev/lpN nodes
// (LPT<N+1>) that no link claims. Sorted by port number. Any thread.
#ifndef QV_PLATFORM_DEVICES_PARALLEL_PORTS_H_
#define QV_PLATFORM_DEVICES_PARALLEL_PORTS_H_

#include <filesystem>
#include <string>
#include <vector>

namespace qvplatform {

struct ParallelPortInfo {
  std::string portName;  // "LPT1"
  std::filesystem::path node;
  bool mapped = false;  // true when it comes from a device-map link
};

std::vector<ParallelPortInfo> EnumerateParallelPorts();

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_PARALLEL_PORTS_H_
