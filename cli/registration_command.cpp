#include "cli/registration_command.h"

#include <dlfcn.h>

#include <cstdio>

#include "cli/library_paths.h"
#include "control_objects/registration.h"
#include "platform/com/types.h"

namespace qvcli {
namespace {

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// Loads libQVSO.so and calls one of its registration exports.
bool CallServerExport(const char* name, std::string* reason) {
  const std::filesystem::path library = QvsoLibraryPath();
  if (library.empty()) {
    *reason = "libQVSO.so not found beside the program nor in the build tree";
    return false;
  }
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* detail = dlerror();
    *reason = "cannot load " + library.string() + ": " + (detail ? detail : "unknown error");
    return false;
  }
  auto function = reinterpret_cast<HRESULT (*)()>(dlsym(handle, name));
  HRESULT hr = E_FAIL;
  if (function == nullptr) {
    *reason = library.string() + " has no " + name;
  } else {
    hr = function();
    if (FAILED(hr)) *reason = std::string(name) + " failed: " + HresultText(hr);
  }
  dlclose(handle);
  return function != nullptr && SUCCEEDED(hr);
}

int RunBoth(Args& args, bool (*action)(std::string*), const char* usage, const char* done) {
  if (WantsHelp(args)) {
    Out(usage);
    return kExitOk;
  }
  if (!args.empty()) return Usage("unexpected argument " + args.front());
  std::string reason;
  if (!action(&reason)) return Failed(reason);
  Out(std::string(done) + " " + QvsoLibraryPath().string());
  return kExitOk;
}

}  // namespace

bool RegisterAll(std::string* reason) {
  if (!CallServerExport("DllRegisterServer", reason)) return false;
  const HRESULT hr = qvcontrols::RegisterControlObjects(qvcontrols::DefaultControlServerPath());
  if (FAILED(hr)) {
    *reason = "registering the control objects failed: " + HresultText(hr);
    return false;
  }
  return true;
}

bool UnregisterAll(std::string* reason) {
  const HRESULT hr = qvcontrols::UnregisterControlObjects();
  if (FAILED(hr)) {
    *reason = "unregistering the control objects failed: " + HresultText(hr);
    return false;
  }
  return CallServerExport("DllUnregisterServer", reason);
}

int RunRegister(Args args) {
  return RunBoth(args, RegisterAll,
                 "usage: qvopos register\n"
                 "Registers libQVSO.so (DllRegisterServer) and the POSPrinter and CashDrawer\n"
                 "control objects in the prefix (QV_OPOS_ROOT).",
                 "registered");
}

int RunUnregister(Args args) {
  return RunBoth(args, UnregisterAll,
                 "usage: qvopos unregister\n"
                 "Removes the registration of the control objects and of libQVSO.so\n"
                 "(DllUnregisterServer). Logical devices stay.",
                 "unregistered");
}

}  // namespace qvcli
