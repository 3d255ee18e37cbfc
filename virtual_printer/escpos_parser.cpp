#include "virtual_printer/escpos_parser.h"

#include <atomic>
#include <utility>

namespace qvvp {

namespace {

enum class Payload { kNone, kCounted, kUntilNul, kBlocks };

// What the header bytes seen so far say about a command. When `need` is
// larger than the bytes seen, more header bytes must come first.
struct Header {
  size_t need = 0;
  Payload payload = Payload::kNone;
  uint64_t count = 0;  // kCounted: payload bytes; kUntilNul: bound; kBlocks: characters
  uint32_t unit = 0;   // kBlocks: bytes per column
  const char* name = "";
  const char* label = "";
  bool unknown = false;
};

Header Fixed(size_t need, const char* name, const char* label) {
  Header h;
  h.need = need;
  h.name = name;
  h.label = label;
  return h;
}

Header Counted(size_t need, uint64_t count, const char* name, const char* label) {
  Header h = Fixed(need, name, label);
  h.payload = Payload::kCounted;
  h.count = count;
  return h;
}

Header Unknown(const char* name) {
  Header h = Fixed(2, name, "unknown command");
  h.unknown = true;
  return h;
}

uint64_t Le16(const std::vector<uint8_t>& b, size_t i) { return b[i] | (uint64_t{b[i + 1]} << 8); }

Header DescribeEsc(const std::vector<uint8_t>& b) {
  size_t n = b.size();
  switch (b[1]) {
    case 0x40: return Fixed(2, "ESC @", "Initialize");
    case 0x69: return Fixed(2, "ESC i", "Cut (one point left)");
    case 0x6D: return Fixed(2, "ESC m", "Cut (three points left)");
    case 0x53: return Fixed(2, "ESC S", "Select standard mode");
    case 0x4C: return Fixed(2, "ESC L", "Select page mode");
    case 0x32: return Fixed(2, "ESC 2", "Default line spacing");
    case 0x3C: return Fixed(2, "ESC <", "Return home");
    case 0x45: return Fixed(3, "ESC E", "Emphasized");
    case 0x3D: return Fixed(3, "ESC =", "Select peripheral");
    case 0x74: return Fixed(3, "ESC t", "Select code table");
    case 0x47: return Fixed(3, "ESC G", "Double strike");
    case 0x2D: return Fixed(3, "ESC -", "Underline");
    case 0x4A: return Fixed(3, "ESC J", "Feed dots");
    case 0x64: return Fixed(3, "ESC d", "Feed lines");
    case 0x52: return Fixed(3, "ESC R", "International character set");
    case 0x7B: return Fixed(3, "ESC {", "Upside down");
    case 0x56: return Fixed(3, "ESC V", "Rotate 90");
    case 0x4D: return Fixed(3, "ESC M", "Select font");
    case 0x61: return Fixed(3, "ESC a", "Justification");
    case 0x54: return Fixed(3, "ESC T", "Page direction");
    case 0x21: return Fixed(3, "ESC !", "Print mode");
    case 0x20: return Fixed(3, "ESC SP", "Right-side character spacing");
    case 0x33: return Fixed(3, "ESC 3", "Line spacing");
    case 0x25: return Fixed(3, "ESC %", "User-defined character set");
    case 0x3F: return Fixed(3, "ESC ?", "Cancel user-defined character");
    case 0x65: return Fixed(3, "ESC e", "Reverse feed lines");
    case 0x72: return Fixed(3, "ESC r", "Print colour");
    case 0x75: return Fixed(3, "ESC u", "Transmit peripheral status");
    case 0x76: return Fixed(2, "ESC v", "Transmit paper status");
    case 0x63: return Fixed(4, "ESC c", "Paper sensor / panel settings");
    case 0x24: return Fixed(4, "ESC $", "Absolute position");
    case 0x5C: return Fixed(4, "ESC \\", "Relative position");
    case 0x70: return Fixed(5, "ESC p", "Generate drawer pulse");
    case 0x57: return Fixed(10, "ESC W", "Page area");
    case 0x5A:  // ESC Z m n k dL dH d1..dk: PDF417, dL dH data bytes follow
      if (n < 7) return Fixed(7, "ESC Z", "");
      return Counted(7, Le16(b, 5), "ESC Z", "Print PDF417 symbol");
    case 0x2A: {  // ESC * m nL nH d1..dk: bit image, 3 bytes a column for 24-dot modes
      if (n < 5) return Fixed(5, "ESC *", "");
      uint64_t columns = Le16(b, 3);
      uint64_t per_column = (b[2] == 32 || b[2] == 33) ? 3 : 1;
      return Counted(5, columns * per_column, "ESC *", "Bit image");
    }
    case 0x44: {  // ESC D n1 .. nk NUL: tab positions (k <= 32)
      Header h = Fixed(2, "ESC D", "Horizontal tab positions");
      h.payload = Payload::kUntilNul;
      h.count = 33;
      return h;
    }
    case 0x26: {  // ESC & y c1 c2 [x d1..d(y*x)]...: user-defined characters
      if (n < 5) return Fixed(5, "ESC &", "");
      Header h = Fixed(5, "ESC &", "Define user-defined characters");
      h.payload = Payload::kBlocks;
      h.count = b[4] >= b[3] ? uint64_t{b[4]} - b[3] + 1 : 0;
      h.unit = b[2];
      return h;
    }
    default: return Unknown("ESC ?");
  }
}

Header DescribeGs(const std::vector<uint8_t>& b) {
  size_t n = b.size();
  switch (b[1]) {
    case 0x3A: return Fixed(2, "GS :", "Macro definition start/end");
    case 0x49: return Fixed(3, "GS I", "Transmit printer ID");
    case 0x21: return Fixed(3, "GS !", "Character size");
    case 0x48: return Fixed(3, "GS H", "HRI position");
    case 0x68: return Fixed(3, "GS h", "Barcode height");
    case 0x77: return Fixed(3, "GS w", "Barcode module width");
    case 0x66: return Fixed(3, "GS f", "HRI font");
    case 0x42: return Fixed(3, "GS B", "Reverse printing");
    case 0x62: return Fixed(3, "GS b", "Smoothing");
    case 0x61: return Fixed(3, "GS a", "Automatic status back");
    case 0x72: return Fixed(3, "GS r", "Transmit status");
    case 0x2F: return Fixed(3, "GS /", "Print downloaded bit image");
    case 0x5A: return Fixed(3, "GS Z", "Select 2D symbol type");
    case 0x54: return Fixed(3, "GS T", "Print position to line start");
    case 0x4C: return Fixed(4, "GS L", "Left margin");
    case 0x57: return Fixed(4, "GS W", "Print area width");
    case 0x24: return Fixed(4, "GS $", "Absolute vertical position");
    case 0x5C: return Fixed(4, "GS \\", "Relative vertical position");
    case 0x50: return Fixed(4, "GS P", "Motion units");
    case 0x5E: return Fixed(5, "GS ^", "Execute macro");
    case 0x56:  // GS V m [n]
      if (n < 3) return Fixed(3, "GS V", "");
      if (b[2] == 0 || b[2] == 1 || b[2] == 48 || b[2] == 49) return Fixed(3, "GS V", "Cut");
      return Fixed(4, "GS V", "Feed and cut");
    case 0x6B:  // GS k m ...: barcode
      if (n < 3) return Fixed(3, "GS k", "");
      if (b[2] <= 6) {
        Header h = Fixed(3, "GS k", "Print barcode (NUL-terminated)");
        h.payload = Payload::kUntilNul;
        h.count = 256;
        return h;
      }
      if (n < 4) return Fixed(4, "GS k", "");
      return Counted(4, b[3], "GS k", "Print barcode");
    case 0x76:  // GS v 0 m xL xH yL yH d1..dk: raster image
      if (n < 8) return Fixed(8, "GS v 0", "");
      return Counted(8, Le16(b, 4) * Le16(b, 6), "GS v 0", "Print raster image");
    case 0x28: {  // GS ( fn pL pH ...
      if (n < 5) return Fixed(5, "GS (", "");
      const char* name = "GS (";
      const char* label = "Extended function";
      if (b[2] == 0x6B) {
        name = "GS ( k";
        label = "2D symbol (QR) function";
      } else if (b[2] == 0x30) {
        // The parameter block command: its length field says 6, yet only the
        // four parameter bytes a b c d follow it.
        return Fixed(9, "GS ( 0", "Set parameter block");
      } else if (b[2] == 0x4C) {
        name = "GS ( L";
        label = "Graphics function";
      }
      return Counted(5, Le16(b, 3), name, label);
    }
    case 0x38:  // GS 8 fn p1 p2 p3 p4 ...: graphics with a 32-bit length
      if (n < 7) return Fixed(7, "GS 8", "");
      return Counted(7,
                     b[3] | (uint64_t{b[4]} << 8) | (uint64_t{b[5]} << 16) | (uint64_t{b[6]} << 24),
                     "GS 8", "Graphics function (long)");
    case 0x2A:  // GS * x y d1..d(x*y*8): define downloaded bit image
      if (n < 4) return Fixed(4, "GS *", "");
      return Counted(4, uint64_t{b[2]} * b[3] * 8, "GS *", "Define downloaded bit image");
    default: return Unknown("GS ?");
  }
}

Header DescribeFs(const std::vector<uint8_t>& b) {
  switch (b[1]) {
    case 0x26: return Fixed(2, "FS &", "Select Kanji mode");
    case 0x2E: return Fixed(2, "FS .", "Cancel Kanji mode");
    case 0x33: return Fixed(3, "FS 3", "Kanji setting");
    case 0x21: return Fixed(3, "FS !", "Kanji print mode");
    case 0x2D: return Fixed(3, "FS -", "Kanji underline");
    case 0x57: return Fixed(3, "FS W", "Kanji quadruple size");
    case 0x43: return Fixed(3, "FS C", "Kanji code system");
    case 0x53: return Fixed(4, "FS S", "Kanji spacing");
    case 0x70: return Fixed(4, "FS p", "Print NV bit image");
    case 0x32: return Counted(4, 72, "FS 2", "Define user-defined Kanji");
    case 0x28:
      if (b.size() < 5) return Fixed(5, "FS (", "");
      return Counted(5, Le16(b, 3), "FS (", "Extended function");
    default: return Unknown("FS ?");
  }
}

Header DescribeDle(const std::vector<uint8_t>& b) {
  size_t n = b.size();
  switch (b[1]) {
    case 0x04:  // DLE EOT n [a]
      if (n < 3) return Fixed(3, "DLE EOT", "");
      if (b[2] == 7 || b[2] == 8) return Fixed(4, "DLE EOT", "Transmit real-time status");
      return Fixed(3, "DLE EOT", "Transmit real-time status");
    case 0x05: return Fixed(3, "DLE ENQ", "Real-time request");
    case 0x14:  // DLE DC4 fn ...
      if (n < 3) return Fixed(3, "DLE DC4", "");
      switch (b[2]) {
        case 1: return Fixed(5, "DLE DC4", "Real-time drawer pulse");
        case 3: return Fixed(8, "DLE DC4", "Real-time buzzer");
        case 7: return Fixed(4, "DLE DC4", "Transmit specified status");
        case 8: return Fixed(10, "DLE DC4", "Clear buffers");
        default: return Fixed(5, "DLE DC4", "Real-time function");
      }
    default: return Fixed(1, "DLE", "Data link escape");
  }
}

// The header seen so far, whose first byte is DLE, ESC, FS or GS.
Header Describe(const std::vector<uint8_t>& b) {
  if (b.size() < 2) return Fixed(2, "", "");
  switch (b[0]) {
    case kEsc: return DescribeEsc(b);
    case kGs: return DescribeGs(b);
    case kFs: return DescribeFs(b);
    default: return DescribeDle(b);
  }
}

const char* ControlName(uint8_t byte) {
  switch (byte) {
    case 0x0A: return "LF";
    case 0x0D: return "CR";
    case 0x0C: return "FF";
    case 0x09: return "HT";
    case 0x18: return "CAN";
    case 0x00: return "NUL";
    default: return "CTRL";
  }
}

const char* ControlLabel(uint8_t byte) {
  switch (byte) {
    case 0x0A: return "Print and line feed";
    case 0x0D: return "Carriage return";
    case 0x0C: return "Print page";
    case 0x09: return "Horizontal tab";
    case 0x18: return "Cancel page data";
    default: return "Control byte";
  }
}

}  // namespace

int ParsedCommand::StatusRequest() const {
  if (kind != Kind::kCommand || bytes.size() != 3 || bytes[0] != kDle || bytes[1] != 0x04) return 0;
  return bytes[2];
}

bool ParsedCommand::IsDrawerKick() const {
  if (kind != Kind::kCommand || bytes.size() < 3) return false;
  if (bytes[0] == kEsc && bytes[1] == 0x70) return true;
  return bytes[0] == kDle && bytes[1] == 0x14 && bytes[2] == 1;
}

EscPosParser::EscPosParser(Sink sink, size_t max_kept_bytes)
    : sink_(std::move(sink)), max_kept_bytes_(max_kept_bytes) {
  static std::atomic<uint64_t> next_stream{1};
  stream_id_ = next_stream++;
}

void EscPosParser::Keep(uint8_t byte) {
  if (current_.bytes.size() < max_kept_bytes_) {
    current_.bytes.push_back(byte);
  } else {
    current_.truncated = true;
  }
}

void EscPosParser::FlushText() {
  if (text_.length == 0) return;
  completed_ = text_.offset + text_.length;
  sink_(std::move(text_));
  text_ = ParsedCommand();
}

void EscPosParser::Finish() {
  current_.length = offset_ + 1 - current_.offset;
  completed_ = offset_ + 1;
  state_ = State::kIdle;
  sink_(std::move(current_));
  current_ = ParsedCommand();
}

void EscPosParser::StartCommand(uint8_t byte) {
  current_ = ParsedCommand();
  current_.offset = offset_;
  current_.bytes.push_back(byte);
  if (byte == kDle || byte == kEsc || byte == kFs || byte == kGs) {
    current_.kind = ParsedCommand::Kind::kCommand;
    state_ = State::kHeader;
    return;
  }
  current_.kind = ParsedCommand::Kind::kControl;
  current_.name = ControlName(byte);
  current_.label = ControlLabel(byte);
  Finish();
}

bool EscPosParser::ClassifyHeader() {
  Header h = Describe(current_.bytes);
  if (current_.bytes.size() < h.need) return false;
  header_length_ = h.need;
  current_.name = h.name;
  current_.label = h.label;
  if (h.unknown) current_.kind = ParsedCommand::Kind::kUnknown;
  if (h.need == 1) current_.kind = ParsedCommand::Kind::kControl;  // DLE alone
  switch (h.payload) {
    case Payload::kNone: state_ = State::kIdle; break;
    case Payload::kCounted:
      payload_left_ = h.count;
      state_ = h.count > 0 ? State::kPayload : State::kIdle;
      break;
    case Payload::kUntilNul:
      until_nul_left_ = h.count;
      state_ = State::kUntilNul;
      break;
    case Payload::kBlocks:
      blocks_left_ = static_cast<uint32_t>(h.count);
      block_rows_ = h.unit;
      state_ = blocks_left_ > 0 ? State::kBlockCount : State::kIdle;
      break;
  }
  return true;
}

void EscPosParser::Feed(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i, ++offset_) {
    uint8_t byte = data[i];
    switch (state_) {
      case State::kIdle:
        if (byte >= 0x20) {
          if (text_.length == 0) {
            text_.kind = ParsedCommand::Kind::kText;
            text_.offset = offset_;
            text_.name = "TEXT";
            text_.label = "Text";
          }
          if (text_.bytes.size() < max_kept_bytes_) {
            text_.bytes.push_back(byte);
          } else {
            text_.truncated = true;
          }
          ++text_.length;
          completed_ = offset_ + 1;
          continue;
        }
        FlushText();
        StartCommand(byte);
        continue;
      case State::kHeader:
        current_.bytes.push_back(byte);
        if (!ClassifyHeader()) continue;
        if (current_.bytes.size() > header_length_) {
          // A DLE that starts no command: it stands alone, and this byte is
          // read afresh.
          current_.bytes.pop_back();
          --offset_;
          --i;
          Finish();
          continue;
        }
        if (state_ == State::kIdle) Finish();
        continue;
      case State::kPayload:
        Keep(byte);
        if (--payload_left_ == 0) Finish();
        continue;
      case State::kUntilNul:
        Keep(byte);
        if (byte == 0 || --until_nul_left_ == 0) Finish();
        continue;
      case State::kBlockCount:
        Keep(byte);
        payload_left_ = uint64_t{byte} * block_rows_;
        --blocks_left_;
        if (payload_left_ > 0) {
          state_ = State::kBlockData;
        } else if (blocks_left_ == 0) {
          Finish();
        }
        continue;
      case State::kBlockData:
        Keep(byte);
        if (--payload_left_ == 0) {
          if (blocks_left_ == 0) {
            Finish();
          } else {
            state_ = State::kBlockCount;
          }
        }
        continue;
    }
  }
  FlushText();
}

}  // namespace qvvp
