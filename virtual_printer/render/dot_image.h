// A picture in printer dots: width x height, one byte a dot, 1 where the
// head prints (black) and 0 for bare paper (white). Row 0 is the top, the
// first row that leaves the printer. Coordinates outside the picture are
// clipped by every operation that takes them, so callers never check bounds.
//
// Value type; not thread-safe.
#ifndef QV_VIRTUAL_PRINTER_RENDER_DOT_IMAGE_H_
#define QV_VIRTUAL_PRINTER_RENDER_DOT_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace qvvp {

class CDotImage {
 public:
  CDotImage() = default;
  CDotImage(int width, int height);  // blank; negative sizes count as 0

  int width() const { return m_width; }
  int height() const { return m_height; }
  bool empty() const { return m_width == 0 || m_height == 0; }

  // 1 (printed) or 0; 0 outside the picture.
  uint8_t At(int x, int y) const;
  void Set(int x, int y, uint8_t value = 1);
  // The dots of row y (0 <= y < height()).
  uint8_t* Row(int y) { return m_dots.data() + static_cast<size_t>(y) * m_width; }
  const uint8_t* Row(int y) const { return m_dots.data() + static_cast<size_t>(y) * m_width; }

  // Blank picture of the given size (the storage is kept for reuse).
  void Reset(int width, int height);
  // Makes the picture `height` rows high, keeping the rows it had; new rows
  // are blank.
  void SetHeight(int height);
  // Makes room for `height` rows without changing the picture.
  void Reserve(int height);
  // Sets the dots of a rectangle to `value`.
  void Fill(int x, int y, int width, int height, uint8_t value);
  // Prints `source` onto this picture with its top-left dot at (x, y): dots
  // printed in either stay printed.
  void Draw(const CDotImage& source, int x, int y);
  // Prints `source` with every dot enlarged to sx x sy dots.
  void DrawScaled(const CDotImage& source, int x, int y, int sx, int sy);

  // The width x height piece whose top-left dot is (x, y); dots outside
  // this picture read as paper.
  CDotImage Cropped(int x, int y, int width, int height) const;
  // The picture turned by 180 degrees, and by 90 degrees clockwise.
  CDotImage Rotated180() const;
  CDotImage RotatedClockwise() const;

  uint64_t CountPrinted() const;
  const std::vector<uint8_t>& dots() const { return m_dots; }

  bool operator==(const CDotImage&) const = default;

  // The dots as text, one line a row ('#' printed, '.' paper), for test
  // failure messages.
  std::string ToText() const;

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<uint8_t> m_dots;
};

// Prints the size and ToText(); GoogleTest finds it for failure messages.
void PrintTo(const CDotImage& image, std::ostream* out);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_DOT_IMAGE_H_
