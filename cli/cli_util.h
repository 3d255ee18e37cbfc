// Small helpers every qvopos command uses: exit codes, the one-line reason
// on standard error, line output that is flushed as it is written (other
// programs read qvopos through pipes), text conversions and the number
// syntax of the command line (decimal or 0x-hexadecimal).
//
// Single-threaded use: the program runs its commands on its main thread.
#ifndef QV_CLI_CLI_UTIL_H_
#define QV_CLI_CLI_UTIL_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvcli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation was tried and failed
inline constexpr int kExitUsage = 2;   // the command line was wrong

using Args = std::vector<std::string>;

// Writes `line` and a newline to standard output and flushes it.
void Out(std::string_view line);
// Writes "qvopos: " + reason and a newline to standard error.
void Err(std::string_view reason);
// Err(reason) and kExitUsage / kExitFailed, for `return Usage("...");`.
int Usage(std::string_view reason);
int Failed(std::string_view reason);

std::string Narrow(std::u16string_view text);  // UTF-16 to UTF-8
std::u16string Widen(std::string_view text);   // UTF-8 to UTF-16

// A decimal number with an optional sign, or 0x followed by up to eight
// hexadecimal digits (taken as the 32-bit pattern, so 0xFFFFFFFF is -1).
// Nothing else: no blanks, no trailing characters, nothing out of range.
std::optional<int32_t> ParseNumber(std::string_view text);

// Text for display: UTF-8, with every character below 0x20 written as \xHH.
std::string Printable(std::u16string_view text);

// True when the arguments hold "--help" or "-h".
bool WantsHelp(const Args& args);

// Takes "--name VALUE" options from args (in any position) into the named
// slots; returns false with a reason for an unknown option or a missing
// value. What is left in args are the positional arguments.
struct OptionSpec {
  const char* name;  // "--port"
  std::optional<std::string>* value;
};
bool TakeOptions(Args* args, const std::vector<OptionSpec>& specs, std::string* reason);

}  // namespace qvcli

#endif  // QV_CLI_CLI_UTIL_H_
