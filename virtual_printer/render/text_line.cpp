#include "virtual_printer/render/text_line.h"

#include <algorithm>

namespace qvvp {

void CTextLine::Add(const LineItem& item) {
  m_items.push_back({item, m_position});
  m_position += item.width();
  m_height = std::max(m_height, item.height());
  m_end = std::max(m_end, m_position);
}

void CTextLine::Clear() {
  m_items.clear();
  m_position = 0;
  m_height = 0;
  m_end = 0;
}

void CTextLine::Compose(int areaWidth, int justification, CDotImage* canvas) const {
  canvas->Reset(areaWidth, m_height);
  DrawOnto(areaWidth, justification, canvas, 0, 0);
}

void CTextLine::DrawOnto(int areaWidth, int justification, CDotImage* target, int x, int y) const {
  int shift = 0;
  if (justification == 1) shift = std::max(0, (areaWidth - m_end) / 2);
  if (justification == 2) shift = std::max(0, areaWidth - m_end);
  for (const Placed& placed : m_items) DrawItem(placed, x + placed.x + shift, y, target);
}

void CTextLine::DrawItem(const Placed& placed, int x, int y, CDotImage* canvas) const {
  const LineItem& item = placed.item;
  const int top = y + m_height - item.height();
  const int cellX = x + item.leftSpace;
  const int cellWidth = item.cell.width * item.scaleX;
  if (item.reverse) canvas->Fill(x, top, item.width(), item.height(), 1);
  if (item.cell.glyph != nullptr) {
    const int gx = cellX + item.cell.glyphX * item.scaleX;
    const int gy = top + item.cell.glyphY * item.scaleY;
    if (item.reverse) {
      CDotImage glyph(cellWidth, item.height());
      glyph.DrawScaled(*item.cell.glyph, gx - cellX, gy - top, item.scaleX, item.scaleY);
      for (int row = 0; row < glyph.height(); ++row) {
        for (int col = 0; col < glyph.width(); ++col) {
          if (glyph.Row(row)[col] != 0) canvas->Set(cellX + col, top + row, 0);
        }
      }
    } else if (item.scaleX == 1 && item.scaleY == 1) {
      canvas->Draw(*item.cell.glyph, gx, gy);
    } else {
      canvas->DrawScaled(*item.cell.glyph, gx, gy, item.scaleX, item.scaleY);
    }
  }
  if (item.underline > 0) {
    canvas->Fill(x, y + m_height - item.underline, item.width(), item.underline,
                 item.reverse ? 0 : 1);
  }
}

}  // namespace qvvp
