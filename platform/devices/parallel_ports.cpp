#include "platform/devices/parallel_ports.h"

#include <map>
#include <set>
#include <system_error>

#include "platform/devices/device_map.h"

namespace qvplatform {

namespace {

std::filesystem::path Canonical(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path out = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : out;
}

}  // namespace

std::vector<ParallelPortInfo> EnumerateParallelPorts() {
  std::map<int, ParallelPortInfo> ports;
  std::set<std::filesystem::path> linked_nodes;
  for (const DosDeviceLink& link : QueryDosDevices()) {
    std::optional<int> number = ParsePortNumber(link.name, "LPT");
    if (!number) continue;
    std::optional<std::filesystem::path> target = QueryDosDevice(link.name);
    if (!target) continue;
    std::filesystem::path node = Canonical(*target);
    std::error_code ec;
    if (!std::filesystem::exists(node, ec)) continue;
    linked_nodes.insert(node);
    ports[*number] = {"LPT" + std::to_string(*number), node, true};
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
    std::optional<int> number = DefaultLptNumber(entry.path());
    if (!number || ports.count(*number) != 0) continue;
    if (linked_nodes.count(Canonical(entry.path())) != 0) continue;
    ports[*number] = {"LPT" + std::to_string(*number), entry.path(), false};
  }
  std::vector<ParallelPortInfo> out;
  for (auto& [number, info] : ports) out.push_back(std::move(info));
  return out;
}

}  // namespace qvplatform
