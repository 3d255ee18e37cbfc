#include "test_app/print_format.h"

#include <limits>

namespace qvtestapp {

QString FormattedPrintText(const TextFormat& format, const QString& text) {
  static const char* const kAlignments[] = {"|lA", "|cA", "|rA"};
  const QChar esc(kEsc);
  QString out;
  out += esc + QLatin1String(format.bold ? "|bC" : "|!bC");
  out += esc + QLatin1String(format.underline ? "|uC" : "|!uC");
  if (format.alignmentItem >= 0 && format.alignmentItem < 3) {
    out += esc + QLatin1String(kAlignments[format.alignmentItem]);
  }
  out += esc + QStringLiteral("|%1C").arg(format.sizeItem + 1);
  out += esc + QStringLiteral("|%1fT").arg(format.fontItem);
  out += text + u'\n';
  return out;
}

int32_t SymbologyOfItem(int item) {
  // UPCA, UPCE, EAN13, EAN8, CODE39, I25, CODABAR, CODE93, CODE128, QR, PDF417
  static const int32_t kSymbologies[] = {101, 102, 104, 103, 108, 106, 107, 109, 110, 204, 201};
  if (item < 0 || item >= static_cast<int>(std::size(kSymbologies))) return 0;
  return kSymbologies[item];
}

int32_t BarcodeAlignmentOfItem(int item) { return -(item + 1); }

int32_t BarcodeTextPositionOfItem(int item) { return -(item + 11); }

int32_t Wtoi(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' ||
                             text[i] == u'\r' || text[i] == u'\v' || text[i] == u'\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace qvtestapp
