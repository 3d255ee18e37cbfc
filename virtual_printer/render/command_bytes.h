// Reading a parsed command's bytes in the renderer: byte i, or 0 past the
// end, so a command cut short reads as zeros instead of out of bounds.
#ifndef QV_VIRTUAL_PRINTER_RENDER_COMMAND_BYTES_H_
#define QV_VIRTUAL_PRINTER_RENDER_COMMAND_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvvp {

inline uint8_t ByteAt(const std::vector<uint8_t>& b, size_t i) { return i < b.size() ? b[i] : 0; }

// The little-endian 16-bit value at i (nL nH).
inline int WordAt(const std::vector<uint8_t>& b, size_t i) {
  return ByteAt(b, i) | (ByteAt(b, i + 1) << 8);
}

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_COMMAND_BYTES_H_
