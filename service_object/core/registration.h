// What DllRegisterServer and DllUnregisterServer write and remove under
// HKEY_CLASSES_ROOT: one registration script per creatable class (the
// versioned and version-independent ProgIDs, the CLSID key with ProgID,
// VersionIndependentProgID, Programmable, InprocServer32 with the module's
// absolute path and ThreadingModel "Apartment", TypeLib). All values are
// strings.
//
// Registering removes and rewrites the class's CLSID key (force-remove);
// unregistering removes the CLSID key and both ProgID keys, never the
// top-level CLSID key. Steps already done are not undone on a failure; the
// HRESULT of the failing step is returned. Any thread.
#ifndef QV_SERVICE_OBJECT_CORE_REGISTRATION_H_
#define QV_SERVICE_OBJECT_CORE_REGISTRATION_H_

#include <string>

#include "platform/com/types.h"
#include "platform/registry/registry.h"

struct ClassScript {
  const CLSID* clsid;
  const char16_t* description;      // "QV OPOS Printer Class"
  const char16_t* progId;           // "QV.Opos.Printer"
  const char16_t* versionedProgId;  // "QV.Opos.Printer.1"
};

extern const ClassScript kPrinterClassScript;
extern const ClassScript kCashDrawerClassScript;

HRESULT RegisterClassScript(const ClassScript& script, const std::u16string& modulePath);
HRESULT UnregisterClassScript(const ClassScript& script);

// Registry helpers of the server.
// Creates `key` (and its parents) under `root` and sets a REG_SZ value
// (`valueName` null: the default value).
LSTATUS SetRegString(HKEY root, const std::u16string& key, const char16_t* valueName,
                     const std::u16string& value);
// Creates `key` without a value.
LSTATUS CreateRegKey(HKEY root, const std::u16string& key);
// Deletes `key` with all its subkeys; a missing key is no error.
LSTATUS DeleteRegTree(HKEY root, const std::u16string& key);

#endif  // QV_SERVICE_OBJECT_CORE_REGISTRATION_H_
