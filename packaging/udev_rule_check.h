// A small model of udev's rule processing, for testing the package's rules
// against devices recorded with `udevadm info --attribute-walk` (no real
// device, no udev daemon). It knows the part of the rule language the rules
// use and refuses the rest, so that a rule it cannot judge fails the test
// rather than passing unjudged:
//   match:  ACTION SUBSYSTEM KERNEL DRIVER ATTR{x} ENV{x}   (the device)
//           SUBSYSTEMS KERNELS DRIVERS ATTRS{x}   (the device or one parent:
//           all such keys of a rule must match the same one)
//           with == and !=, shell globs and | alternatives; attribute values
//           lose trailing blanks unless the pattern ends in one, and a
//           missing attribute matches neither == nor !=
//   assign: GROUP MODE (= :=) SYMLINK (= +=) ENV{x} (=) GOTO LABEL
//   values: $id $kernel $attr{x} $env{x} $$; attribute values lose trailing
//           blanks and characters udev does not pass get replaced by '_'
#ifndef QV_PACKAGING_UDEV_RULE_CHECK_H_
#define QV_PACKAGING_UDEV_RULE_CHECK_H_

#include <map>
#include <string>
#include <vector>

namespace qvpackaging_test {

// One device of a walk: [0] the device, then its parents upwards.
struct UdevLevel {
  std::string kernel, subsystem, driver;
  std::map<std::string, std::string> attrs;
};
using UdevWalk = std::vector<UdevLevel>;

// Parses the output of `udevadm info --attribute-walk`. Empty on a format
// error.
UdevWalk ParseAttributeWalk(const std::string& text);

struct UdevOutcome {
  std::string group, mode;
  std::vector<std::string> symlinks;  // relative to /dev
  std::map<std::string, std::string> env;
};

// Runs `rules` for an event `action` on `device`. False with a reason for
// anything outside the model.
bool ApplyUdevRules(const std::string& rules, const UdevWalk& device, const std::string& action,
                    UdevOutcome* outcome, std::string* error);

}  // namespace qvpackaging_test

#endif  // QV_PACKAGING_UDEV_RULE_CHECK_H_
