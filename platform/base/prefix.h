// The prefix: the one directory that holds everything machine-wide, as a Wine
// prefix does: the registry store, drive_c/ (where Windows paths C:\X land)
// and dosdevices/ (the device map).
//
// The root is $QV_OPOS_ROOT when set and non-empty; otherwise /var/lib/qvopos
// when that directory exists or can be created and is writable; otherwise
// $XDG_DATA_HOME/qvopos (or ~/.local/share/qvopos). The root is read from the
// environment on every call, so a test may point each case at a fresh
// temporary prefix. Thread-safe as long as nobody changes the environment
// concurrently.
//
// On Windows the machine is the prefix: DriveC() is "C:\\", Windows paths
// are used as they are (MapWindowsPath returns them unchanged), and the
// registry and device names are the system's own. PrefixRoot() and
// DosDevices() have no meaning there and are not provided.
#ifndef QV_PLATFORM_BASE_PREFIX_H_
#define QV_PLATFORM_BASE_PREFIX_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace qvplatform {

// The prefix root. Creates /var/lib/qvopos when it is the choice and can be
// created.
std::filesystem::path PrefixRoot();

// The machine-wide prefix, /var/lib/qvopos (whether or not it is the root).
std::filesystem::path MachinePrefixRoot();

// PrefixRoot()/drive_c: where "C:\" maps to.
std::filesystem::path DriveC();

// PrefixRoot()/dosdevices: the device map of symbolic links.
std::filesystem::path DosDevices();

// Maps a Windows path onto Linux. "C:\dir\file.log" (drive letter in either
// case, either slash) becomes DriveC()/dir/file.log; any other path is
// returned unchanged, so Linux paths pass straight through.
std::filesystem::path MapWindowsPath(std::string_view path);

// Creates the directory `dir` and its parents when missing. Returns false
// (and leaves errno-like detail in `error` when given) on failure.
bool EnsureDirectory(const std::filesystem::path& dir, std::string* error = nullptr);

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_PREFIX_H_
