// The entry point of QVSO.dll. The module's objects are constructed by the
// C++ runtime on process attach and destroyed on detach; the library needs
// no per-thread notifications, so they are turned off.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
