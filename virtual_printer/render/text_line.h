// One print line being collected: the characters and inline pictures of a
// line, each at its dot position from the start of the print area, until a
// line feed (or a command that prints the line) composes it into a picture.
// Items of different heights stand on a common baseline: the line is as
// high as its tallest item. Underline and reverse printing are drawn per
// item; justification shifts the whole line inside the print area.
//
// Not thread-safe.
#ifndef QV_VIRTUAL_PRINTER_RENDER_TEXT_LINE_H_
#define QV_VIRTUAL_PRINTER_RENDER_TEXT_LINE_H_

#include <memory>
#include <vector>

#include "virtual_printer/render/dot_image.h"
#include "virtual_printer/render/receipt_fonts.h"

namespace qvvp {

struct LineItem {
  CharCell cell;                           // the character (or picture) in its cell
  std::shared_ptr<const CDotImage> owned;  // keeps a turned glyph or a picture alive
  int scaleX = 1;                          // enlargement of every dot
  int scaleY = 1;
  int leftSpace = 0;   // blank dots in front of the cell
  int rightSpace = 0;  // blank dots after it
  int underline = 0;   // 0, 1 or 2 dots
  bool reverse = false;

  int width() const { return leftSpace + cell.width * scaleX + rightSpace; }
  int height() const { return cell.height * scaleY; }
};

class CTextLine {
 public:
  bool empty() const { return m_items.empty(); }
  // Where the next item goes, in dots from the start of the print area.
  int position() const { return m_position; }
  void SetPosition(int x) { m_position = x; }

  // Places `item` at position() and moves past it.
  void Add(const LineItem& item);
  // Height of the tallest item; 0 for an empty line.
  int height() const { return m_height; }
  // Right end of the rightmost item.
  int end() const { return m_end; }

  // Draws the line into `canvas`, reset to areaWidth x height(): left
  // aligned (0), centred (1) or right aligned (2) within areaWidth.
  void Compose(int areaWidth, int justification, CDotImage* canvas) const;
  // Draws the line straight onto `target`, its area starting at (x, y); the
  // dots already there stay.
  void DrawOnto(int areaWidth, int justification, CDotImage* target, int x, int y) const;
  void Clear();

 private:
  struct Placed {
    LineItem item;
    int x;
  };
  void DrawItem(const Placed& placed, int x, int y, CDotImage* canvas) const;

  std::vector<Placed> m_items;
  int m_position = 0;
  int m_height = 0;
  int m_end = 0;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_TEXT_LINE_H_
