#include "virtual_printer/render/dot_image.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace qvvp {

CDotImage::CDotImage(int width, int height) { Reset(width, height); }

uint8_t CDotImage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return Row(y)[x];
}

void CDotImage::Set(int x, int y, uint8_t value) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  Row(y)[x] = value;
}

void CDotImage::Reset(int width, int height) {
  m_width = std::max(width, 0);
  m_height = std::max(height, 0);
  m_dots.assign(static_cast<size_t>(m_width) * m_height, 0);
}

void CDotImage::Reserve(int height) {
  m_dots.reserve(static_cast<size_t>(m_width) * std::max(height, 0));
}

void CDotImage::SetHeight(int height) {
  m_height = std::max(height, 0);
  m_dots.resize(static_cast<size_t>(m_width) * m_height, 0);
}

void CDotImage::Fill(int x, int y, int width, int height, uint8_t value) {
  const int left = std::max(x, 0);
  const int right = std::min(x + width, m_width);
  const int top = std::max(y, 0);
  const int bottom = std::min(y + height, m_height);
  if (left >= right) return;
  for (int row = top; row < bottom; ++row) {
    std::memset(Row(row) + left, value, static_cast<size_t>(right - left));
  }
}

void CDotImage::Draw(const CDotImage& source, int x, int y) {
  const int first = std::max(0, -x);
  const int last = std::min(source.m_width, m_width - x);
  if (first >= last) return;
  for (int row = std::max(0, -y); row < source.m_height && y + row < m_height; ++row) {
    const uint8_t* __restrict from = source.Row(row) + first;
    uint8_t* __restrict to = Row(y + row) + x + first;
    const int count = last - first;
    int col = 0;
    // Eight dots at a time: lines and pages are wide and mostly paper.
    for (; col + 8 <= count; col += 8) {
      uint64_t a, b;
      std::memcpy(&a, to + col, 8);
      std::memcpy(&b, from + col, 8);
      a |= b;
      std::memcpy(to + col, &a, 8);
    }
    for (; col < count; ++col) to[col] |= from[col];
  }
}

void CDotImage::DrawScaled(const CDotImage& source, int x, int y, int sx, int sy) {
  if (sx < 1 || sy < 1) return;
  for (int row = 0; row < source.m_height; ++row) {
    const uint8_t* from = source.Row(row);
    for (int ry = 0; ry < sy; ++ry) {
      const int ty = y + row * sy + ry;
      if (ty < 0) continue;
      if (ty >= m_height) return;
      uint8_t* to = Row(ty);
      for (int col = 0; col < source.m_width; ++col) {
        if (from[col] == 0) continue;
        const int tx = x + col * sx;
        for (int rx = 0; rx < sx; ++rx) {
          if (tx + rx >= 0 && tx + rx < m_width) to[tx + rx] = 1;
        }
      }
    }
  }
}

CDotImage CDotImage::Cropped(int x, int y, int width, int height) const {
  CDotImage out(width, height);
  for (int row = 0; row < out.m_height; ++row) {
    for (int col = 0; col < out.m_width; ++col) out.Row(row)[col] = At(x + col, y + row);
  }
  return out;
}

CDotImage CDotImage::Rotated180() const {
  CDotImage out(m_width, m_height);
  std::reverse_copy(m_dots.begin(), m_dots.end(), out.m_dots.begin());
  return out;
}

CDotImage CDotImage::RotatedClockwise() const {
  CDotImage out(m_height, m_width);
  for (int y = 0; y < m_height; ++y) {
    const uint8_t* from = Row(y);
    for (int x = 0; x < m_width; ++x) out.Row(x)[m_height - 1 - y] = from[x];
  }
  return out;
}

uint64_t CDotImage::CountPrinted() const {
  return static_cast<uint64_t>(std::count(m_dots.begin(), m_dots.end(), uint8_t{1}));
}

std::string CDotImage::ToText() const {
  std::string text;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) text.push_back(Row(y)[x] != 0 ? '#' : '.');
    text.push_back('\n');
  }
  return text;
}

void PrintTo(const CDotImage& image, std::ostream* out) {
  *out << image.width() << "x" << image.height() << "\n" << image.ToText();
}

}  // namespace qvvp
