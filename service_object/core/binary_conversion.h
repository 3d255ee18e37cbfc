// BinaryConversion: how property strings are encoded for the caller and
// strings from the caller are decoded, chosen by the BinaryConversion bits of
// the device flag word.
//
//   none bit    unchanged both ways
//   nibble bit  each byte <-> two characters, 0x30 + high nibble, 0x30 + low
//               nibble ("9:" for 0x9A)
//   decimal bit each byte <-> three decimal digits ("154" for 0x9A)
//   no bit      unchanged (a property value other than 0, 1, 2 selects no
//               conversion, and the property then reads 0)
//
// Decoding text of the wrong length gives an empty result: nibble needs an
// even length of at least 2, decimal a multiple of 3 of at least 3. Decoding
// uses only the low four bits of each character; a decimal triple is kept
// modulo 256. Pure functions; any thread.
#ifndef QV_SERVICE_OBJECT_CORE_BINARY_CONVERSION_H_
#define QV_SERVICE_OBJECT_CORE_BINARY_CONVERSION_H_

#include <cstdint>
#include <string>
#include <string_view>

std::string BinaryConversionEncode(uint32_t flags, std::string_view bytes);
std::string BinaryConversionDecode(uint32_t flags, std::string_view text);

// The BinaryConversion property as read from the flag word: 0 none, 1 nibble,
// 2 decimal, 0 when no bit is set.
int32_t GetBinaryConversion(uint32_t flags);

// The flag word after setting the property to `value`: 0, 1, 2 select none,
// nibble, decimal; any other value clears all three bits.
uint32_t SetBinaryConversion(uint32_t flags, int32_t value);

#endif  // QV_SERVICE_OBJECT_CORE_BINARY_CONVERSION_H_
