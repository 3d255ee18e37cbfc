// Names in the registry store: how key paths are split and how names are
// compared.
//
// Names are kept in UTF-8. Two names are the same when their case-folded
// forms are equal: every character is mapped to upper case by the C
// library's Unicode tables (the "C.UTF-8" locale), as Windows compares
// registry names by their upper-case form. Where that locale is missing only
// ASCII letters are folded. The folded form also orders enumerations.
#ifndef QV_PLATFORM_REGISTRY_KEY_NAME_H_
#define QV_PLATFORM_REGISTRY_KEY_NAME_H_

#include <string>
#include <string_view>
#include <vector>

namespace qvplatform::registry {

// The case-folded form of a UTF-8 name.
std::string FoldName(std::string_view name);

// The components of a backslash-separated key path; empty components
// (leading, trailing or doubled backslashes) are dropped.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

}  // namespace qvplatform::registry

#endif  // QV_PLATFORM_REGISTRY_KEY_NAME_H_
