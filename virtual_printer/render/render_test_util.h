// Test helper: ESC/POS byte streams written as byte lists and text, joined
// with +. Header-only; tests only.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RENDER_TEST_UTIL_H_
#define QV_VIRTUAL_PRINTER_RENDER_RENDER_TEST_UTIL_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace qvvp::test {

using Bytes = std::vector<uint8_t>;

inline Bytes B(std::initializer_list<int> bytes) { return Bytes(bytes.begin(), bytes.end()); }
inline Bytes T(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace qvvp::test

#endif  // QV_VIRTUAL_PRINTER_RENDER_RENDER_TEST_UTIL_H_
