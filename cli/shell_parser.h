// The line syntax of `qvopos shell`, apart from what the commands mean.
//
// A line is split into tokens at blanks (space, tab; a trailing carriage
// return is dropped). A token that begins with a double quote runs to the
// next unescaped double quote and may hold blanks and the escapes \\ \"
// \n \r \t \e (the byte 1B) and \xHH (two hexadecimal digits, the character
// U+00HH); it must be followed by a blank or the end of the line. Other
// tokens are taken literally and hold no double quote. Text is UTF-8;
// malformed UTF-8 is refused. Blank lines and lines whose first non-blank
// character is # hold no tokens.
//
// Pure functions; any thread. Every input, however malformed, gives either
// tokens or a reason, never a crash: the parser reads outside input.
#ifndef QV_CLI_SHELL_PARSER_H_
#define QV_CLI_SHELL_PARSER_H_

#include <string>
#include <string_view>
#include <vector>

namespace qvcli {

struct ShellToken {
  std::u16string text;
  bool quoted = false;
};

struct ParsedLine {
  bool ok = true;
  std::string error;  // why the line was refused, when !ok
  std::vector<ShellToken> tokens;
};

ParsedLine ParseShellLine(std::string_view line);

}  // namespace qvcli

#endif  // QV_CLI_SHELL_PARSER_H_
