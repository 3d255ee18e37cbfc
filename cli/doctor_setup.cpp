#include "cli/doctor_setup.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "cli/cli_util.h"
#include "cli/doctor_access.h"
#include "cli/library_paths.h"
#include "common/reg_names.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "common/toolreg/port_choices.h"
#include "control_objects/registration.h"
#include "platform/base/prefix.h"
#include "platform/com/guid.h"
#include "platform/com/interfaces.h"
#include "platform/com/runtime.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace qvcli {
namespace {

namespace fs = std::filesystem;

constexpr char kTraceFileName[] = "QV_Opos_Driver.log";

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// "; " + what lets the caller use `path`, or `otherwise` when no group would.
std::string AccessRemedy(const fs::path& path, int mode, const std::string& otherwise) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "; " + otherwise;
  const std::string advice = GroupAdvice(st, mode, CurrentCaller());
  return " (" + OwnershipText(st) + "); " + (advice.empty() ? otherwise : advice);
}

// True when the machine-wide prefix exists but the caller may not write it,
// so that every program falls back to a prefix of the caller's own.
bool MachinePrefixRefused() {
  const char* env = std::getenv("QV_OPOS_ROOT");
  return (env == nullptr || *env == '\0') && Exists(qvplatform::MachinePrefixRoot()) &&
         qvplatform::PrefixRoot() != qvplatform::MachinePrefixRoot();
}

// How to register for this prefix.
std::string RegisterCommand() {
  if (MachinePrefixRefused()) {
    return "get access to " + qvplatform::MachinePrefixRoot().string() +
           " (see the prefix line), or qvopos register in a prefix of your own";
  }
  const bool machine = std::getenv("QV_OPOS_ROOT") == nullptr &&
                       qvplatform::PrefixRoot() == qvplatform::MachinePrefixRoot();
  return machine && ::geteuid() != 0 ? "sudo qvopos register" : "qvopos register";
}

struct RegisteredClass {
  const char* subject;
  const char16_t* progId;
  bool servedByQvso;  // by libQVSO.so, which this qvopos registers from its own place
};

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// Why CoGetClassObject failed, in words.
std::string LoadFailure(HRESULT hr, const std::string& library) {
  if (hr == CO_E_DLLNOTFOUND) {
    if (!Exists(library)) return "the registered library " + library + " does not exist";
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
      ::dlclose(handle);
      return library + " does not load";
    }
    const char* detail = ::dlerror();
    return library + " does not load: " + (detail != nullptr ? detail : "unknown error");
  }
  if (hr == CO_E_ERRORINDLL) return library + " is no COM server (no DllGetClassObject)";
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return library + " gives no class object (" + code + ")";
}

// The default value of HKCR\CLSID\{clsid}\InprocServer32.
std::string InprocServerPath(const CLSID& clsid) {
  const std::u16string key = u"CLSID\\" + qvplatform::GuidToString(clsid) + u"\\InprocServer32";
  qvplatform::RegKey handle;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.receive()) !=
      ERROR_SUCCESS) {
    return "";
  }
  char16_t buffer[2048] = {};
  DWORD size = sizeof buffer - sizeof(char16_t);
  DWORD type = 0;
  if (RegQueryValueExW(handle.get(), u"", &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return "";
  }
  return Narrow(buffer);
}

void CheckClass(CDoctorReport& report, const RegisteredClass& entry) {
  const std::string name = Narrow(entry.progId);
  CLSID clsid = {};
  if (FAILED(CLSIDFromProgID(entry.progId, &clsid))) {
    report.Fail(entry.subject, name + " is not registered; " + RegisterCommand());
    return;
  }
  const std::string library = InprocServerPath(clsid);
  if (library.empty()) {
    report.Fail(entry.subject, name + " has no library registered; " + RegisterCommand());
    return;
  }
  IClassFactory* factory = nullptr;
  const HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || factory == nullptr) {
    report.Fail(entry.subject, LoadFailure(hr, library) + "; " + RegisterCommand());
    return;
  }
  factory->Release();
  const fs::path own = QvsoLibraryPath();
  if (entry.servedByQvso && !own.empty() && !SameFile(own, library)) {
    report.Warn(entry.subject, name + " loads from " + library + ", not from " + own.string() +
                                   " that comes with this qvopos; " + RegisterCommand() +
                                   " to use that one");
    return;
  }
  report.Ok(entry.subject, name + " loads from " + library);
}

}  // namespace

void CheckPrefix(CDoctorReport& report) {
  const char* env = std::getenv("QV_OPOS_ROOT");
  const bool from_env = env != nullptr && *env != '\0';
  const fs::path machine = qvplatform::MachinePrefixRoot();
  const fs::path root = qvplatform::PrefixRoot();
  const std::string where = from_env          ? " (QV_OPOS_ROOT)"
                            : root == machine ? " (machine-wide)"
                                              : " (per user)";
  if (MachinePrefixRefused()) {
    report.Fail("prefix", machine.string() + " is not writable for you, so the programs use " +
                              root.string() + " instead" +
                              AccessRemedy(machine, W_OK | X_OK, "ask the administrator"));
    return;
  }
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    report.Fail("prefix", root.string() + where + " does not exist; qvopos register creates it");
    return;
  }
  if (!CallerMay(root, W_OK | X_OK)) {
    report.Fail("prefix", root.string() + where + " is not writable for you" +
                              AccessRemedy(root, W_OK | X_OK, "ask the administrator"));
    return;
  }
  // What the programs write: the registry (configuration), the device map
  // and the trace file.
  const struct {
    fs::path path;
    int mode;
    bool needed;  // FAIL rather than warn
    const char* use;
  } parts[] = {
      {root / "registry.db", R_OK | W_OK, true, "the configuration cannot be changed"},
      {qvplatform::DosDevices(), W_OK | X_OK, false, "ports cannot be linked"},
      {qvplatform::DriveC(), W_OK | X_OK, false, "the trace cannot be written"},
      {qvplatform::DriveC() / kTraceFileName, W_OK, false, "the trace cannot be written"},
  };
  bool all_writable = true;
  for (const auto& part : parts) {
    if (!Exists(part.path) || CallerMay(part.path, part.mode)) continue;
    all_writable = false;
    const std::string finding = part.path.string() + " is not writable for you, so " + part.use +
                                AccessRemedy(part.path, part.mode, "ask the administrator");
    if (part.needed) {
      report.Fail("prefix", finding);
    } else {
      report.Warn("prefix", finding);
    }
  }
  if (all_writable) report.Ok("prefix", root.string() + where + " is writable");
}

bool CheckRegistry(CDoctorReport& report) {
  const std::string store = qvplatform::registry::CurrentStorePath();
  qvplatform::RegKey key;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, key.receive());
  const std::string failure = RegGetLastErrorText();
  if (!failure.empty()) {
    // The store needs writing even to be read (its journal), so a store the
    // caller may not write fails like a damaged one.
    const fs::path folder = fs::path(store).parent_path();
    std::string remedy;
    if (!CallerMay(folder, W_OK | X_OK)) {
      remedy = AccessRemedy(folder, W_OK | X_OK, "ask the administrator");
    } else if (!CallerMay(store, R_OK | W_OK)) {
      remedy = AccessRemedy(store, R_OK | W_OK, "ask the administrator");
    } else {
      remedy = "; move the file away, then " + RegisterCommand() + " and add the devices again";
    }
    report.Fail("registry", failure + remedy);
    return false;
  }
  if (!Exists(store)) {
    report.Ok("registry", "no store yet at " + store + " (an empty registry)");
  } else {
    report.Ok("registry", store + " opens");
  }
  return true;
}

void CheckRegistration(CDoctorReport& report) {
  const HRESULT init = CoInitialize(nullptr);
  const RegisteredClass classes[] = {
      {"service object", qvreg::kProgIdPrinterW, true},
      {"service object", qvreg::kProgIdDrawerW, true},
      {"control object", qvcontrols::kProgIdPOSPrinter, false},
      {"control object", qvcontrols::kProgIdCashDrawer, false},
  };
  for (const RegisteredClass& entry : classes) CheckClass(report, entry);
  if (SUCCEEDED(init)) {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
}

void CheckTraceLevel(CDoctorReport& report) {
  const int32_t level = COposToolRegKey(u"", u"").GetInfoNumber(qvreg::kLogVerbosityW);
  const std::string name =
      level >= 0 && level < static_cast<int32_t>(qvtoolreg::kLogLevelItems.size())
          ? Narrow(qvtoolreg::kLogLevelItems[static_cast<size_t>(level)])
          : "unknown";
  const std::string file = (qvplatform::DriveC() / kTraceFileName).string();
  if (level <= 0) {
    report.Ok("trace", "level " + std::to_string(level) + " (" + name +
                           "): nothing is traced; qvopos log-level 3 traces to " + file);
  } else {
    report.Ok("trace", "level " + std::to_string(level) + " (" + name + ") into " + file);
  }
}

}  // namespace qvcli
