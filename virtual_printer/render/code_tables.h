// The printer's character code tables as Unicode: the single-byte tables
// chosen with ESC t n, and GBK for double-byte characters in Kanji mode.
// Tables are built once per process from the C library's iconv converters.
//
// ESC t n: 0 PC437, 2 PC850, 3 PC860, 4 PC863, 5 PC865, 16 WPC1252,
// 17 PC866, 18 PC852, 19 PC858; any other n reads as PC437.
//
// Thread-safe.
#ifndef QV_VIRTUAL_PRINTER_RENDER_CODE_TABLES_H_
#define QV_VIRTUAL_PRINTER_RENDER_CODE_TABLES_H_

#include <cstdint>

namespace qvvp {

// The character of byte `byte` (0x20 and above) in code table `table`;
// 0 for a byte the table leaves undefined.
char32_t SingleByteChar(int table, uint8_t byte);

// GBK lead bytes are 0x81..0xFE, trail bytes 0x40..0xFE except 0x7F.
bool IsGbkLead(uint8_t byte);
bool IsGbkTrail(uint8_t byte);
// The character of the GBK pair; 0 when the pair is undefined.
char32_t GbkChar(uint8_t lead, uint8_t trail);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_CODE_TABLES_H_
