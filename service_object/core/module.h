// The COM module of the server: the lock count that decides whether the
// library may be unloaded. Every live service object holds one lock, as does
// every explicit LockServer(TRUE) and every class factory a client holds.
// Any thread.
#ifndef QV_SERVICE_OBJECT_CORE_MODULE_H_
#define QV_SERVICE_OBJECT_CORE_MODULE_H_

#include <cstdint>

void ModuleLock();
void ModuleUnlock();
int32_t ModuleLockCount();

#endif  // QV_SERVICE_OBJECT_CORE_MODULE_H_
