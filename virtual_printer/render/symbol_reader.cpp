#include "virtual_printer/render/symbol_reader.h"

#include <ZXing/ReadBarcode.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace qvvp::test {

namespace {

constexpr int kMargin = 40;  // white paper around the picture, for the quiet zones

struct Line {
  Point from;
  Point to;
};

Line MiddleLine(const ReadSymbol& symbol) {
  const Point* c = symbol.corners;
  return {{(c[0].x + c[3].x) / 2, (c[0].y + c[3].y) / 2},
          {(c[1].x + c[2].x) / 2, (c[1].y + c[2].y) / 2}};
}

// The dots along a horizontal or vertical line, with where each one is.
std::vector<uint8_t> Sample(const CDotImage& paper, const Line& line, std::vector<Point>* points) {
  std::vector<uint8_t> dots;
  const bool horizontal = std::abs(line.to.x - line.from.x) >= std::abs(line.to.y - line.from.y);
  const int length = horizontal ? line.to.x - line.from.x : line.to.y - line.from.y;
  const int step = length >= 0 ? 1 : -1;
  for (int i = 0; i != length + step; i += step) {
    Point p =
        horizontal ? Point{line.from.x + i, line.from.y} : Point{line.from.x, line.from.y + i};
    dots.push_back(paper.At(p.x, p.y));
    points->push_back(p);
  }
  return dots;
}

// Runs of equal dots: (first index, length).
std::vector<std::pair<int, int>> Runs(const std::vector<uint8_t>& dots) {
  std::vector<std::pair<int, int>> runs;
  for (size_t i = 0; i < dots.size();) {
    size_t j = i;
    while (j < dots.size() && dots[j] == dots[i]) ++j;
    runs.push_back({static_cast<int>(i), static_cast<int>(j - i)});
    i = j;
  }
  return runs;
}

}  // namespace

std::optional<ReadSymbol> ReadFirstSymbol(const CDotImage& paper) {
  const int width = paper.width() + 2 * kMargin;
  const int height = paper.height() + 2 * kMargin;
  std::vector<uint8_t> grey(static_cast<size_t>(width) * height, 255);
  for (int y = 0; y < paper.height(); ++y) {
    const uint8_t* dots = paper.Row(y);
    uint8_t* out = grey.data() + static_cast<size_t>(y + kMargin) * width + kMargin;
    for (int x = 0; x < paper.width(); ++x) out[x] = dots[x] != 0 ? 0 : 255;
  }
  ZXing::DecodeHints hints;
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setReturnCodabarStartEnd(true);
  hints.setBinarizer(ZXing::Binarizer::FixedThreshold);
  hints.setMaxNumberOfSymbols(1);
  const ZXing::Results results = ZXing::ReadBarcodes(
      ZXing::ImageView(grey.data(), width, height, ZXing::ImageFormat::Lum), hints);
  for (const ZXing::Result& result : results) {
    if (!result.isValid()) continue;
    ReadSymbol symbol;
    symbol.format = ZXing::ToString(result.format());
    symbol.text = result.text();
    symbol.bytes.assign(result.bytes().begin(), result.bytes().end());
    for (int i = 0; i < 4; ++i) {
      symbol.corners[i] = {result.position()[i].x - kMargin, result.position()[i].y - kMargin};
    }
    return symbol;
  }
  return std::nullopt;
}

int NarrowestElement(const CDotImage& paper, const ReadSymbol& symbol) {
  std::vector<Point> points;
  const std::vector<std::pair<int, int>> runs = Runs(Sample(paper, MiddleLine(symbol), &points));
  int narrowest = INT_MAX;
  for (size_t i = 1; i + 1 < runs.size(); ++i) narrowest = std::min(narrowest, runs[i].second);
  return narrowest == INT_MAX ? 0 : narrowest;
}

int BarLength(const CDotImage& paper, const ReadSymbol& symbol) {
  const Line line = MiddleLine(symbol);
  std::vector<Point> points;
  const std::vector<uint8_t> dots = Sample(paper, line, &points);
  const bool horizontal = std::abs(line.to.x - line.from.x) >= std::abs(line.to.y - line.from.y);
  int longest = 0;
  for (const auto& [first, length] : Runs(dots)) {
    if (dots[first] == 0) continue;
    const Point p = points[first + length / 2];
    int start = 0;
    int end = 0;
    while ((horizontal ? paper.At(p.x, p.y + start - 1) : paper.At(p.x + start - 1, p.y)) != 0) {
      --start;
    }
    while ((horizontal ? paper.At(p.x, p.y + end + 1) : paper.At(p.x + end + 1, p.y)) != 0) ++end;
    longest = std::max(longest, end - start + 1);
  }
  return longest;
}

int NarrowestRun(const CDotImage& paper, const ReadSymbol& symbol, bool columns) {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (const Point& p : symbol.corners) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  int narrowest = INT_MAX;
  const int lines = columns ? right - left + 1 : bottom - top + 1;
  for (int i = 0; i < lines; ++i) {
    std::vector<Point> points;
    const Line line = columns ? Line{{left + i, top}, {left + i, bottom}}
                              : Line{{left, top + i}, {right, top + i}};
    const std::vector<std::pair<int, int>> runs = Runs(Sample(paper, line, &points));
    for (size_t r = 1; r + 1 < runs.size(); ++r) narrowest = std::min(narrowest, runs[r].second);
  }
  return narrowest == INT_MAX ? 0 : narrowest;
}

std::optional<CDotImage> ReadPngDots(const std::string& file) {
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(file.c_str(), &width, &height, &channels, 1);
  if (pixels == nullptr) return std::nullopt;
  CDotImage dots(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) dots.Set(x, y, pixels[y * width + x] < 128 ? 1 : 0);
  }
  stbi_image_free(pixels);
  return dots;
}

std::string CheckOneSymbol(const CDotImage& paper, const std::string& format,
                           const std::string& text, int module, int bars) {
  const std::optional<ReadSymbol> read = ReadFirstSymbol(paper);
  if (!read) return "no symbol read";
  const ReadSymbol& symbol = *read;
  std::string wrong;
  if (symbol.format != format) wrong += " format " + symbol.format;
  if (symbol.text != text) wrong += " text \"" + symbol.text + "\"";
  const int measured =
      bars != 0 ? NarrowestElement(paper, symbol)
                : std::min(NarrowestRun(paper, symbol, false), NarrowestRun(paper, symbol, true));
  if (measured != module) wrong += " module " + std::to_string(measured);
  if (bars != 0 && BarLength(paper, symbol) != bars) {
    wrong += " bars " + std::to_string(BarLength(paper, symbol));
  }
  return wrong;
}

}  // namespace qvvp::test
