#include "cli/shell_parser.h"

#include <cstdint>

namespace qvcli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes one UTF-8 sequence at line[*pos] into `out` as UTF-16. False on a
// malformed, overlong or surrogate sequence.
bool AppendUtf8(std::string_view line, size_t* pos, std::u16string* out) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(line[i]); };
  const uint8_t lead = byte(*pos);
  size_t length;
  uint32_t code;
  uint32_t minimum;
  if (lead < 0x80) {
    out->push_back(lead);
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (*pos + length > line.size()) return false;
  for (size_t i = 1; i < length; ++i) {
    const uint8_t next = byte(*pos + i);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  if (code >= 0x10000) {
    code -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out->push_back(static_cast<char16_t>(code));
  }
  *pos += length;
  return true;
}

ParsedLine Refuse(std::string reason) {
  ParsedLine result;
  result.ok = false;
  result.error = std::move(reason);
  return result;
}

// Reads the quoted token that starts at line[*pos] (the opening quote).
bool ReadQuoted(std::string_view line, size_t* pos, std::u16string* text, std::string* error) {
  size_t i = *pos + 1;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c != '\\') {
      if (!AppendUtf8(line, &i, text)) {
        *error = "malformed UTF-8";
        return false;
      }
      continue;
    }
    if (i + 1 >= line.size()) break;
    const char escape = line[i + 1];
    i += 2;
    switch (escape) {
      case '\\': text->push_back(u'\\'); break;
      case '"': text->push_back(u'"'); break;
      case 'n': text->push_back(u'\n'); break;
      case 'r': text->push_back(u'\r'); break;
      case 't': text->push_back(u'\t'); break;
      case 'e': text->push_back(0x1B); break;
      case 'x': {
        const int high = i < line.size() ? HexValue(line[i]) : -1;
        const int low = i + 1 < line.size() ? HexValue(line[i + 1]) : -1;
        if (high < 0 || low < 0) {
          *error = "\\x needs two hexadecimal digits";
          return false;
        }
        text->push_back(static_cast<char16_t>(high * 16 + low));
        i += 2;
        break;
      }
      default: *error = std::string("unknown escape \\") + escape; return false;
    }
  }
  *error = "unterminated quoted string";
  return false;
}

}  // namespace

ParsedLine ParseShellLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  ParsedLine result;
  size_t pos = 0;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos < line.size() && line[pos] == '#') return result;

  while (pos < line.size()) {
    if (IsBlank(line[pos])) {
      ++pos;
      continue;
    }
    ShellToken token;
    if (line[pos] == '"') {
      token.quoted = true;
      std::string error;
      if (!ReadQuoted(line, &pos, &token.text, &error)) return Refuse(error);
      if (pos < line.size() && !IsBlank(line[pos])) {
        return Refuse("a quoted string must be followed by a blank");
      }
    } else {
      while (pos < line.size() && !IsBlank(line[pos])) {
        if (line[pos] == '"') return Refuse("a double quote inside a token");
        if (!AppendUtf8(line, &pos, &token.text)) return Refuse("malformed UTF-8");
      }
    }
    result.tokens.push_back(std::move(token));
  }
  return result;
}

}  // namespace qvcli
