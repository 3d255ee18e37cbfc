// Listing and deleting logical-device keys under the two class keys
// (HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\POSPrinter and \CashDrawer), and
// the ownership rule: a logical device is ours when its key's default value
// equals the class's ProgID exactly ("QV.Opos.Printer", "QV.OPOS.CashDrawer";
// case-sensitive, no trailing blank). Keys of other vendors in the same
// class keys are never listed as ours and never deleted by the uninstall.
//
// Functions return registry status codes (0 success). Any thread; no lock is
// taken, so another program may change the keys in between.
#ifndef QV_COMMON_TOOLREG_LDN_LIST_H_
#define QV_COMMON_TOOLREG_LDN_LIST_H_

#include <string>
#include <vector>

#include "platform/base/wintypes.h"

// Append every subkey name of the class key to `list`, in enumeration
// order. 0 also when the class key has no subkey; the open's status when the
// class key is missing (the list is then unchanged); the enumeration's
// status when it stops with an error (names read so far stay).
LSTATUS EnumPrinterLDNs(std::vector<std::u16string>* list);
LSTATUS EnumDrawerLDNs(std::vector<std::u16string>* list);

// Delete the device key <class key>\<ldn> with its values (non-recursive: a
// key with subkeys is refused). Returns the deletion's status. An empty LDN
// or one holding a backslash names no device key (it would name the class
// key or a key below another one): ERROR_INVALID_PARAMETER, nothing deleted.
LSTATUS DeletePrinterLDN(const std::u16string& ldn);
LSTATUS DeleteDrawerLDN(const std::u16string& ldn);

// Replace `list` with the LDNs of `deviceClass` ("POSPrinter" or
// "CashDrawer") that are ours, in enumeration order. Empty when the class
// key is missing or the class is neither.
void LoadOwnLDNs(const std::u16string& deviceClass, std::vector<std::u16string>* list);

namespace qvtoolreg {

// True when `ldn` can name a device key: not empty and no backslash (which
// would name a key below another one).
bool IsValidLdn(const std::u16string& ldn);

// The path of a device key below HKEY_LOCAL_MACHINE, without trailing
// backslash: "SOFTWARE\OLEforRetail\ServiceOPOS\<class>\<ldn>".
std::u16string DeviceKeyPathOf(const std::u16string& deviceClass, const std::u16string& ldn);

// A device key the uninstall could not delete.
struct FailedDeletion {
  std::u16string keyPath;  // as DeviceKeyPathOf gives it
  LSTATUS status = 0;
  std::u16string reason;  // DescribeRegistryFailure of the deletion
};

// What the uninstall did: the LDNs deleted, the keys that could not be
// deleted, and the first failing status (0 when every deletion succeeded).
struct UninstallResult {
  std::vector<std::u16string> printersDeleted;
  std::vector<std::u16string> drawersDeleted;
  std::vector<FailedDeletion> failures;
  LSTATUS firstFailure = 0;
};

// Deletes one logical device of `deviceClass` when it is ours;
// ERROR_FILE_NOT_FOUND (nothing deleted) when the key is missing or belongs
// to another service object, ERROR_INVALID_PARAMETER for a class that is
// neither "POSPrinter" nor "CashDrawer" or an LDN DeletePrinterLDN refuses,
// and the store's status when the key cannot be opened for another reason.
LSTATUS DeleteOwnLDN(const std::u16string& deviceClass, const std::u16string& ldn);

// The configuration tool's "-Uninstall": deletes every printer key that is
// ours, then every drawer key that is ours, going on past a key it cannot
// delete. Other keys and the service-information key stay.
UninstallResult UninstallOwnLDNs();

}  // namespace qvtoolreg

#endif  // QV_COMMON_TOOLREG_LDN_LIST_H_
