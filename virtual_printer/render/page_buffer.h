// The page of page mode: a picture as wide as the paper on which print
// areas (ESC W) are filled in one of four directions (ESC T) and which is
// printed as a whole (FF, ESC FF).
//
// Inside an area everything is laid out in the area's own coordinates: u
// runs along the print direction from the starting corner and v across it,
// away from the first line. Direction 0 starts at the upper left and prints
// left to right; 1 starts at the lower left and prints bottom to top; 2
// starts at the lower right and prints right to left (upside down); 3
// starts at the upper right and prints top to bottom. The print position
// is (u, v) with v the top of the next line, so a first line's characters
// touch the area's starting edge.
//
// Areas are clipped to the paper width and to a maximum page height; the
// page reaches down to the lowest area used. Not thread-safe.
#ifndef QV_VIRTUAL_PRINTER_RENDER_PAGE_BUFFER_H_
#define QV_VIRTUAL_PRINTER_RENDER_PAGE_BUFFER_H_

#include "virtual_printer/render/dot_image.h"

namespace qvvp {

struct PageArea {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class CPageBuffer {
 public:
  CPageBuffer(int paperWidth, int maxHeight);

  // Sets the area (clipped; an empty area is ignored) and puts the print
  // position at its start.
  void SetArea(const PageArea& area);
  // 0..3; the print position goes to the start.
  void SetDirection(int direction);
  int direction() const { return m_direction; }

  // Length of the area along the print direction (the line width) and
  // across it.
  int lineWidth() const;
  int lineDepth() const;

  int u() const { return m_u; }
  int v() const { return m_v; }
  void SetU(int u) { m_u = u; }
  void SetV(int v) { m_v = v; }

  // Prints `picture` with its top-left dot at (u, v) of the area, turned to
  // the area's direction; dots outside the area are dropped.
  void Place(const CDotImage& picture, int u, int v);
  // Blanks the current area (CAN).
  void ClearArea();
  // The whole page as printed: paperWidth wide, down to the bottom of the
  // lowest area that was printed in or is current.
  const CDotImage& Printed();
  // Empties the page; the area returns to `area`, the direction stays.
  void Reset(const PageArea& area);

 private:
  void Plot(int u, int v);
  void GrowToArea();

  int m_paperWidth;
  int m_maxHeight;
  CDotImage m_page;
  PageArea m_area;
  int m_direction = 0;
  int m_u = 0;
  int m_v = 0;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_PAGE_BUFFER_H_
