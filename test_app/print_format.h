// How the printer page turns its controls into the arguments of the print
// methods: the formatted text of PrintNormal and PrintImmediate, and the
// numbers behind the items of its lists.
#ifndef QV_TEST_APP_PRINT_FORMAT_H_
#define QV_TEST_APP_PRINT_FORMAT_H_

#include <QString>
#include <QStringView>
#include <cstdint>

namespace qvtestapp {

// The character that starts an OPOS escape sequence.
inline constexpr char16_t kEsc = 0x1B;

struct TextFormat {
  bool bold = false;
  bool underline = false;
  int alignmentItem = 0;  // 0 Left, 1 Center, 2 Right
  int sizeItem = 0;       // 0 normal, 1 double wide, 2 double high, 3 both
  int fontItem = 0;       // 0 Font A, 1 Font B
};

// ESC|bC or ESC|!bC, ESC|uC or ESC|!uC, ESC|lA / ESC|cA / ESC|rA,
// ESC|<size+1>C, ESC|<font>fT, then `text` and a line feed.
QString FormattedPrintText(const TextFormat& format, const QString& text);

// PrintBarCode's arguments for the list items (in list order).
int32_t SymbologyOfItem(int item);            // 101 UPC-A ... 201 PDF417; 0 for none
int32_t BarcodeAlignmentOfItem(int item);     // -1 left, -2 center, -3 right
int32_t BarcodeTextPositionOfItem(int item);  // -11 none, -12 above, -13 below

// The decimal number at the start of `text` as the C runtime's wtoi reads
// it: leading blanks, an optional sign, digits; 0 when there are none. Out
// of range values saturate.
int32_t Wtoi(QStringView text);

}  // namespace qvtestapp

#endif  // QV_TEST_APP_PRINT_FORMAT_H_
