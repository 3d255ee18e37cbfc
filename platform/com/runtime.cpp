#include "platform/com/runtime.h"

#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/apartment/message_queue.h"
#include "platform/com/guid.h"
#include "platform/registry/registry.h"
#include "platform/text/codepage.h"

namespace qvplatform {
namespace {

thread_local int t_com_inits = 0;

// One loaded server library. `users` counts creations in progress and
// `fetches` every use, so that an unload decision made without the lock can
// be checked afterwards. Both are guarded by the cache's mutex.
struct ServerLibrary {
  std::string path;
  void* handle = nullptr;
  DllGetClassObjectFn get_class_object = nullptr;
  DllCanUnloadNowFn can_unload_now = nullptr;
  int users = 0;
  uint64_t fetches = 0;
};

struct LibraryCache {
  std::mutex mu;
  std::vector<std::shared_ptr<ServerLibrary>> libraries;
};

// Never destroyed: libraries may be used until the process ends.
LibraryCache& Cache() {
  static LibraryCache* cache = new LibraryCache;
  return *cache;
}

// Holds a library in use for the life of the object.
class LibraryUse {
 public:
  explicit LibraryUse(std::shared_ptr<ServerLibrary> library) : library_(std::move(library)) {}
  ~LibraryUse() {
    if (!library_) return;
    std::lock_guard<std::mutex> lock(Cache().mu);
    --library_->users;
  }
  LibraryUse(const LibraryUse&) = delete;
  LibraryUse& operator=(const LibraryUse&) = delete;
  ServerLibrary* operator->() const { return library_.get(); }

 private:
  std::shared_ptr<ServerLibrary> library_;
};

// Reads the default REG_SZ value of HKCR\`subkey`. False when missing.
bool ReadClassesRootDefault(const std::u16string& subkey, std::u16string* value) {
  RegKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_QUERY_VALUE, key.receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
  DWORD capacity = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
  if (RegQueryValueExW(key.get(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &capacity) != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(capacity / sizeof(char16_t));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  *value = std::move(buffer);
  return true;
}

HRESULT LoadLibraryFor(REFCLSID rclsid, std::shared_ptr<ServerLibrary>* out) {
  std::u16string path16;
  if (!ReadClassesRootDefault(u"CLSID\\" + GuidToString(rclsid) + u"\\InprocServer32", &path16) ||
      path16.empty()) {
    return REGDB_E_CLASSNOTREG;
  }
  std::string path = WideToUtf8(path16);
  LibraryCache& cache = Cache();
  {
    std::lock_guard<std::mutex> lock(cache.mu);
    for (const auto& library : cache.libraries) {
      if (library->path == path) {
        ++library->users;
        ++library->fetches;
        *out = library;
        return S_OK;
      }
    }
  }
  // Loading runs the library's initialisers: done without the lock.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return CO_E_DLLNOTFOUND;
  auto library = std::make_shared<ServerLibrary>();
  library->path = path;
  library->handle = handle;
  library->get_class_object =
      reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
  library->can_unload_now = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
  if (library->get_class_object == nullptr) {
    ::dlclose(handle);
    return CO_E_ERRORINDLL;
  }
  std::lock_guard<std::mutex> lock(cache.mu);
  for (const auto& existing : cache.libraries) {
    if (existing->path == path) {
      // Another thread loaded it meanwhile; drop this handle's reference.
      ::dlclose(handle);
      ++existing->users;
      ++existing->fetches;
      *out = existing;
      return S_OK;
    }
  }
  library->users = 1;
  library->fetches = 1;
  cache.libraries.push_back(library);
  *out = library;
  return S_OK;
}

HRESULT CheckClassRequest(DWORD dwClsContext, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (t_com_inits == 0) return CO_E_NOTINITIALIZED;
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  return S_OK;
}

HRESULT ReadProgIdClass(const std::u16string& progid, int depth, CLSID* clsid) {
  std::u16string text;
  if (ReadClassesRootDefault(progid + u"\\CLSID", &text)) {
    return GuidFromString(text, clsid) ? S_OK : CO_E_CLASSSTRING;
  }
  std::u16string current;
  if (depth < 4 && ReadClassesRootDefault(progid + u"\\CurVer", &current) && !current.empty() &&
      current != progid) {
    return ReadProgIdClass(current, depth + 1, clsid);
  }
  return CO_E_CLASSSTRING;
}

}  // namespace

bool IsComInitialized() { return t_com_inits > 0; }

size_t LoadedServerLibraryCount() {
  std::lock_guard<std::mutex> lock(Cache().mu);
  return Cache().libraries.size();
}

}  // namespace qvplatform

extern "C" {

HRESULT CoInitialize(void* pvReserved) {
  return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(void*, DWORD) {
  if (qvplatform::t_com_inits > 0) {
    ++qvplatform::t_com_inits;
    return S_FALSE;
  }
  if (!qvplatform::EnsureMessageQueue()) return E_OUTOFMEMORY;
  qvplatform::t_com_inits = 1;
  return S_OK;
}

void CoUninitialize() {
  if (qvplatform::t_com_inits > 0) --qvplatform::t_com_inits;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
  HRESULT hr = qvplatform::CheckClassRequest(dwClsContext, ppv);
  if (FAILED(hr)) return hr;
  std::shared_ptr<qvplatform::ServerLibrary> library;
  hr = qvplatform::LoadLibraryFor(rclsid, &library);
  if (FAILED(hr)) return hr;
  qvplatform::LibraryUse use(std::move(library));
  return use->get_class_object(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
  HRESULT hr = qvplatform::CheckClassRequest(dwClsContext, ppv);
  if (FAILED(hr)) return hr;
  std::shared_ptr<qvplatform::ServerLibrary> library;
  hr = qvplatform::LoadLibraryFor(rclsid, &library);
  if (FAILED(hr)) return hr;
  // The library stays marked in use until the new object exists, so that
  // a concurrent CoFreeUnusedLibraries cannot unload it in between.
  qvplatform::LibraryUse use(std::move(library));
  void* factory_ptr = nullptr;
  hr = use->get_class_object(rclsid, IID_IClassFactory, &factory_ptr);
  if (FAILED(hr)) return hr;
  if (factory_ptr == nullptr) return E_UNEXPECTED;
  auto* factory = static_cast<IClassFactory*>(factory_ptr);
  hr = factory->CreateInstance(pUnkOuter, riid, ppv);
  factory->Release();
  return hr;
}

void CoFreeUnusedLibraries() {
  using qvplatform::ServerLibrary;
  qvplatform::LibraryCache& cache = qvplatform::Cache();
  struct Candidate {
    std::shared_ptr<ServerLibrary> library;
    uint64_t fetches;
  };
  std::vector<Candidate> candidates;
  {
    std::lock_guard<std::mutex> lock(cache.mu);
    for (const auto& library : cache.libraries) {
      if (library->users == 0 && library->can_unload_now != nullptr) {
        candidates.push_back({library, library->fetches});
      }
    }
  }
  for (const Candidate& c : candidates) {
    if (c.library->can_unload_now() != S_OK) continue;
    bool unload = false;
    {
      std::lock_guard<std::mutex> lock(cache.mu);
      // Unused since the question was asked: nothing new can exist.
      if (c.library->users == 0 && c.library->fetches == c.fetches) {
        auto& libs = cache.libraries;
        for (auto it = libs.begin(); it != libs.end(); ++it) {
          if (*it == c.library) {
            libs.erase(it);
            unload = true;
            break;
          }
        }
      }
    }
    if (unload) ::dlclose(c.library->handle);
  }
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
  if (lpszProgID == nullptr || lpclsid == nullptr) return E_INVALIDARG;
  std::u16string progid(lpszProgID);
  if (progid.empty()) return CO_E_CLASSSTRING;
  return qvplatform::ReadProgIdClass(progid, 0, lpclsid);
}

}  // extern "C"
