#include "service_object/core/module.h"

#include <atomic>

namespace {
std::atomic<int32_t> g_lockCount{0};
}  // namespace

void ModuleLock() { ++g_lockCount; }
void ModuleUnlock() { --g_lockCount; }
int32_t ModuleLockCount() { return g_lockCount.load(); }
