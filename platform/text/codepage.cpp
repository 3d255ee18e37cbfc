#include "platform/text/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <cstdlib>
#include <map>

namespace qvplatform {

namespace {

constexpr int kDefaultCodePage = 1252;
constexpr int kUtf8 = 65001;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char kDefaultChar = '?';

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in 1252; Windows
// maps them to the C1 controls of the same value both ways, iconv refuses
// them. Doing as Windows does keeps any byte string round-tripping.
bool Is1252Gap(unsigned value) {
  return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

std::string IconvName(int code_page) {
  if (code_page == 20127) return "ASCII";
  if (code_page >= 28591 && code_page <= 28599)
    return "ISO-8859-" + std::to_string(code_page - 28590);
  if (code_page == 28605) return "ISO-8859-15";
  if (code_page == 20866) return "KOI8-R";
  if (code_page == 21866) return "KOI8-U";
  if (code_page == 20932) return "EUC-JP";
  if (code_page == 51949) return "EUC-KR";
  if (code_page == 20936) return "GB2312";
  if (code_page == 54936) return "GB18030";
  return "CP" + std::to_string(code_page);
}

// The code pages in which bytes below 0x80 are ASCII; text made only of such
// characters is converted without iconv.
bool IsAsciiCompatible(int code_page) {
  switch (code_page) {
    case 437:
    case 850:
    case 852:
    case 866:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 20127:
    case 20866:
    case 21866:
    case 20932:
    case 20936:
    case 51949:
    case 54936:
    case kUtf8: return true;
    default: return code_page >= 28591 && code_page <= 28605;
  }
}

// Per-thread iconv descriptors, opened on first use and closed when the
// thread ends. iconv descriptors carry state, so they are never shared.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [key, cd] : converters_) {
      if (cd != kInvalid) iconv_close(cd);
    }
  }
  // A descriptor from `code_page` to UTF-16LE (to_wide) or back, reset to
  // its initial state; kInvalid when iconv does not know the code page.
  iconv_t Get(int code_page, bool to_wide) {
    auto key = std::make_pair(code_page, to_wide);
    auto it = converters_.find(key);
    if (it == converters_.end()) {
      std::string name = IconvName(code_page);
      iconv_t cd =
          to_wide ? iconv_open("UTF-16LE", name.c_str()) : iconv_open(name.c_str(), "UTF-16LE");
      it = converters_.emplace(key, cd).first;
    }
    if (it->second != kInvalid) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }

  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

 private:
  std::map<std::pair<int, bool>, iconv_t> converters_;
};

iconv_t Converter(int code_page, bool to_wide) {
  thread_local ConverterCache cache;
  return cache.Get(code_page, to_wide);
}

bool IsSupported(int code_page) {
  return code_page == kUtf8 || Converter(code_page, true) != ConverterCache::kInvalid;
}

bool IsAscii(std::u16string_view text) {
  for (char16_t u : text) {
    if (u >= 0x80) return false;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Runs iconv over `in` into `out`, growing `out`; returns the errno that
// stopped it (0 when all input was consumed). `in` and `in_left` advance.
int RunIconv(iconv_t cd, char** in, size_t* in_left, std::string* out) {
  while (*in_left > 0) {
    char buffer[1024];
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t rc = iconv(cd, in, in_left, &out_ptr, &out_left);
    out->append(buffer, out_ptr - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) return errno;
  }
  char buffer[64];
  char* out_ptr = buffer;
  size_t out_left = sizeof buffer;
  iconv(cd, nullptr, nullptr, &out_ptr, &out_left);  // shift back to the initial state
  out->append(buffer, out_ptr - buffer);
  return 0;
}

std::u16string FromLittleEndianBytes(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::string ToLittleEndianBytes(std::u16string_view text) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

}  // namespace

int AnsiCodePage() {
  const char* env = std::getenv("QV_OPOS_CODEPAGE");
  if (env == nullptr || *env == '\0') return kDefaultCodePage;
  char* end = nullptr;
  long value = std::strtol(env, &end, 10);
  if (*end != '\0' || value <= 0 || value > 65535) return kDefaultCodePage;
  int code_page = static_cast<int>(value);
  return IsSupported(code_page) ? code_page : kDefaultCodePage;
}

std::string WideToCodePage(std::u16string_view text, int code_page) {
  if (code_page == kUtf8) return WideToUtf8(text);
  if (IsAsciiCompatible(code_page) && IsAscii(text)) return std::string(text.begin(), text.end());
  iconv_t cd = Converter(code_page, false);
  std::string out;
  if (cd == ConverterCache::kInvalid) {
    // Unknown code page: ASCII passes, everything else is the default char.
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t u = text[i];
      if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
      out += u < 0x80 ? static_cast<char>(u) : kDefaultChar;
    }
    return out;
  }
  std::string bytes = ToLittleEndianBytes(text);
  char* in = bytes.data();
  size_t in_left = bytes.size();
  while (true) {
    int err = RunIconv(cd, &in, &in_left, &out);
    if (err == 0) break;
    // `in` stands at a character the code page cannot hold (or a broken
    // surrogate): write the default character and step over it.
    size_t pos = bytes.size() - in_left;
    char16_t u = text[pos / 2];
    size_t units = 1;
    if (IsHighSurrogate(u) && pos / 2 + 1 < text.size() && IsLowSurrogate(text[pos / 2 + 1])) {
      units = 2;
    }
    out += (code_page == 1252 && Is1252Gap(u)) ? static_cast<char>(u) : kDefaultChar;
    in += 2 * units;
    in_left -= 2 * units;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::u16string CodePageToWide(std::string_view text, int code_page) {
  if (code_page == kUtf8) return Utf8ToWide(text);
  if (IsAsciiCompatible(code_page) && IsAscii(text))
    return std::u16string(text.begin(), text.end());
  iconv_t cd = Converter(code_page, true);
  std::u16string out;
  if (cd == ConverterCache::kInvalid) {
    for (char c : text) {
      unsigned char b = static_cast<unsigned char>(c);
      out += b < 0x80 ? static_cast<char16_t>(b) : kReplacement;
    }
    return out;
  }
  std::string input(text);
  char* in = input.data();
  size_t in_left = input.size();
  std::string bytes;
  while (true) {
    int err = RunIconv(cd, &in, &in_left, &bytes);
    if (err == 0) break;
    out += FromLittleEndianBytes(bytes);
    bytes.clear();
    unsigned char b = static_cast<unsigned char>(*in);
    out += (code_page == 1252 && Is1252Gap(b)) ? static_cast<char16_t>(b) : kReplacement;
    if (err == EINVAL) {
      // A multi-byte character cut off at the end: one replacement for it.
      in_left = 0;
      break;
    }
    ++in;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out += FromLittleEndianBytes(bytes);
  return out;
}

std::string WideToAnsi(std::u16string_view text) { return WideToCodePage(text, AnsiCodePage()); }

std::u16string AnsiToWide(std::string_view text) { return CodePageToWide(text, AnsiCodePage()); }

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = kReplacement;  // an unpaired surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    // Length, smallest value and the lead byte's payload of a sequence.
    size_t length = 0;
    char32_t c = 0, min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4, c = b & 0x07, min = 0x10000;
    }
    size_t j = 1;
    for (; length != 0 && j < length; ++j) {
      if (i + j >= text.size()) break;
      unsigned char next = static_cast<unsigned char>(text[i + j]);
      if ((next & 0xC0) != 0x80) break;
      c = (c << 6) | (next & 0x3F);
    }
    bool valid =
        length != 0 && j == length && c >= min && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!valid) {
      out += kReplacement;  // one replacement per byte that starts no valid sequence
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

}  // namespace qvplatform
