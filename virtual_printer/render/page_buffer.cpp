#include "virtual_printer/render/page_buffer.h"

#include <algorithm>

namespace qvvp {

CPageBuffer::CPageBuffer(int paperWidth, int maxHeight)
    : m_paperWidth(paperWidth), m_maxHeight(maxHeight), m_page(paperWidth, 0) {}

void CPageBuffer::SetArea(const PageArea& area) {
  PageArea clipped;
  clipped.x = std::clamp(area.x, 0, m_paperWidth);
  clipped.y = std::clamp(area.y, 0, m_maxHeight);
  clipped.width = std::clamp(area.width, 0, m_paperWidth - clipped.x);
  clipped.height = std::clamp(area.height, 0, m_maxHeight - clipped.y);
  if (clipped.width == 0 || clipped.height == 0) return;
  m_area = clipped;
  m_u = 0;
  m_v = 0;
}

void CPageBuffer::SetDirection(int direction) {
  m_direction = direction & 3;
  m_u = 0;
  m_v = 0;
}

int CPageBuffer::lineWidth() const { return m_direction % 2 == 0 ? m_area.width : m_area.height; }

int CPageBuffer::lineDepth() const { return m_direction % 2 == 0 ? m_area.height : m_area.width; }

void CPageBuffer::Plot(int u, int v) {
  if (u < 0 || v < 0 || u >= lineWidth() || v >= lineDepth()) return;
  int x = 0;
  int y = 0;
  switch (m_direction) {
    case 0:
      x = u;
      y = v;
      break;
    case 1:
      x = v;
      y = m_area.height - 1 - u;
      break;
    case 2:
      x = m_area.width - 1 - u;
      y = m_area.height - 1 - v;
      break;
    default:
      x = m_area.width - 1 - v;
      y = u;
      break;
  }
  m_page.Set(m_area.x + x, m_area.y + y);
}

void CPageBuffer::GrowToArea() {
  if (m_page.height() < m_area.y + m_area.height) m_page.SetHeight(m_area.y + m_area.height);
}

const CDotImage& CPageBuffer::Printed() {
  GrowToArea();
  return m_page;
}

void CPageBuffer::Place(const CDotImage& picture, int u, int v) {
  GrowToArea();
  const int rows = std::min(picture.height(), lineDepth() - v);
  const int columns = std::min(picture.width(), lineWidth() - u);
  for (int row = std::max(0, -v); row < rows; ++row) {
    const uint8_t* dots = picture.Row(row);
    for (int col = std::max(0, -u); col < columns; ++col) {
      if (dots[col] != 0) Plot(u + col, v + row);
    }
  }
}

void CPageBuffer::ClearArea() {
  GrowToArea();
  m_page.Fill(m_area.x, m_area.y, m_area.width, m_area.height, 0);
}

void CPageBuffer::Reset(const PageArea& area) {
  m_page.Reset(m_paperWidth, 0);
  m_area = PageArea();
  SetArea(area);
}

}  // namespace qvvp
