// An incremental parser of an ESC/POS byte stream, as a receipt printer reads
// it: every byte belongs to exactly one command, and the parameters and data
// of a command (raster rows, barcode data, QR and PDF417 data, bit images,
// user-defined characters) are consumed by their declared lengths, so data
// bytes such as 10 04 are never taken for a command of their own.
//
// Known: every command the driver's command set sends, with their payload
// lengths (ESC @ E = t G - J d R { V M a T $ W p Z i m S L; GS I ( ! L W $
// H h w k v Z; FS & 3; DLE EOT, DLE DC4; LF, CR, FF), and the other common
// commands (ESC ! SP 2 3 % ? e r u v c * D & \ <; GS ! B b f a r / * 8 P V
// ^ : \ T; FS ! - W C S p . 2 (; DLE ENQ). An ESC, GS or FS followed by a
// byte it does not know is taken as a two-byte command "unknown"; a lone
// control byte is a one-byte command. Printable bytes (20..FF) between
// commands form TEXT commands; a run of text is reported when a command
// byte follows it or at the end of each Feed call.
//
// GS ( 0 (set parameter block) is always 9 bytes, 1D 28 30 06 00 a b c d,
// as the driver sends it, although its length field says 6.
//
// Memory is bounded: a command keeps at most kMaxKeptBytes of its bytes, or
// the limit given to the constructor (`truncated` says when more went by),
// whatever its declared length.
//
// Not thread-safe; one parser per byte stream (connection).
#ifndef QV_VIRTUAL_PRINTER_ESCPOS_PARSER_H_
#define QV_VIRTUAL_PRINTER_ESCPOS_PARSER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvvp {

// The bytes that start commands.
inline constexpr uint8_t kDle = 0x10;
inline constexpr uint8_t kEsc = 0x1B;
inline constexpr uint8_t kFs = 0x1C;
inline constexpr uint8_t kGs = 0x1D;

struct ParsedCommand {
  enum class Kind {
    kText,     // printable bytes
    kControl,  // a one-byte control (LF, CR, FF, HT, CAN, ...)
    kCommand,  // a known ESC/GS/FS/DLE command
    kUnknown,  // ESC/GS/FS + a byte we do not know (two bytes)
  };
  Kind kind = Kind::kCommand;
  uint64_t offset = 0;         // position of its first byte in the stream
  uint64_t length = 0;         // its whole length in the stream
  std::string name;            // "ESC @", "GS v 0", "DLE EOT", "TEXT", "LF"
  std::string label;           // "Initialize", "Print raster image", ...
  std::vector<uint8_t> bytes;  // its first bytes (all of them unless truncated)
  bool truncated = false;

  // The status request number n of DLE EOT n, or 0 for anything else.
  int StatusRequest() const;
  // True for a drawer pulse: ESC p, or DLE DC4 1 (real-time pulse).
  bool IsDrawerKick() const;
};

class EscPosParser {
 public:
  static constexpr size_t kMaxKeptBytes = 64 * 1024;

  using Sink = std::function<void(ParsedCommand&&)>;
  explicit EscPosParser(Sink sink, size_t max_kept_bytes = kMaxKeptBytes);

  // Parses the next bytes of the stream; complete commands go to the sink
  // (on this thread, in stream order) before Feed returns.
  void Feed(const uint8_t* data, size_t size);

  // A number no other parser of this process has: names the stream.
  uint64_t stream_id() const { return stream_id_; }
  // Bytes fed so far.
  uint64_t offset() const { return offset_; }
  // Bytes that belong to commands already reported (the rest is the start
  // of a command whose end has not arrived yet).
  uint64_t completed() const { return completed_; }

 private:
  enum class State {
    kIdle,        // between commands
    kHeader,      // collecting a command's fixed part
    kPayload,     // skipping a counted payload
    kUntilNul,    // payload that ends with a NUL byte (or a bound)
    kBlockCount,  // ESC &: expecting a character's width byte
    kBlockData,   // ESC &: skipping a character's data
  };

  // Looks at the header collected so far. Returns false while more header
  // bytes are needed; true when the header is complete, with the payload
  // mode set up.
  bool ClassifyHeader();
  void StartCommand(uint8_t byte);
  void Keep(uint8_t byte);
  void Finish();
  void FlushText();

  Sink sink_;
  size_t max_kept_bytes_;
  uint64_t stream_id_;
  uint64_t offset_ = 0;
  uint64_t completed_ = 0;
  State state_ = State::kIdle;
  ParsedCommand current_;
  size_t header_length_ = 0;  // wanted header length once known (0: unknown)
  uint64_t payload_left_ = 0;
  uint64_t until_nul_left_ = 0;
  uint32_t blocks_left_ = 0;  // ESC &: characters still to come
  uint32_t block_rows_ = 0;   // ESC &: y, bytes per column
  ParsedCommand text_;        // pending text run
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_ESCPOS_PARSER_H_
