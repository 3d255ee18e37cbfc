// The printer's character fonts, read at run time from the files that
// Debian's font packages install (none is copied into the source tree):
//   Font A  12 x 24 cell  Terminus 12x24 (xfonts-terminus), regular and bold
//   Font B   9 x 17 cell  Terminus 8x16 (xfonts-terminus) at the cell's top
//                         left, leaving one dot of spacing right and below
//   Kanji   24 x 24 cell (Font A) or 18 x 17 (Font B): Unifont 16x16
//                         (xfonts-unifont), centred across the cell
// A character Terminus lacks is taken from Unifont and centred in its cell.
// Emphasized characters use the bold Terminus faces; Unifont has none, so
// its characters are emboldened by printing each dot twice, one dot apart.
//
// Thread-safe. The cells' pictures live as long as the process.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RECEIPT_FONTS_H_
#define QV_VIRTUAL_PRINTER_RENDER_RECEIPT_FONTS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "virtual_printer/render/bitmap_font.h"
#include "virtual_printer/render/dot_image.h"

namespace qvvp {

enum class CharFont { kA = 0, kB = 1 };

// A character cell: `glyph` (null for a blank cell) goes at (glyphX, glyphY)
// inside a width x height cell.
struct CharCell {
  const CDotImage* glyph = nullptr;
  int glyphX = 0;
  int glyphY = 0;
  int width = 0;
  int height = 0;
};

class CReceiptFonts {
 public:
  static constexpr int kFontAWidth = 12;
  static constexpr int kFontAHeight = 24;
  static constexpr int kFontBWidth = 9;
  static constexpr int kFontBHeight = 17;

  // The font files and the Debian packages that install them.
  static const char* const kFontAFile;
  static const char* const kFontABoldFile;
  static const char* const kFontBFile;
  static const char* const kFontBBoldFile;
  static const char* const kUnifontFile;

  // The process-wide set, loaded on first use (Unifont, the large one, when
  // first needed). Null with the reason in `error` when a font file is
  // missing or cannot be read; a later call tries again.
  static CReceiptFonts* Shared(std::string* error);

  // The cell of a single-byte character and of a double-byte (Kanji)
  // character, in `font`, emphasized or not.
  CharCell Single(CharFont font, char32_t codepoint, bool bold);
  CharCell Double(CharFont font, char32_t codepoint, bool bold);

 private:
  CReceiptFonts() = default;
  bool Load(std::string* error);
  CBitmapFont* Unifont();
  const CDotImage* UnifontGlyph(char32_t codepoint, bool bold);
  CharCell Centred(const CDotImage* glyph, int width, int height) const;
  // The cached cell under `key`, made by `make` (under the lock) the first
  // time.
  CharCell Cell(uint64_t key, const std::function<CharCell()>& make);

  std::unique_ptr<CBitmapFont> m_faces[2][2];  // [font][bold]
  std::mutex m_mutex;                          // guards everything below
  std::unique_ptr<CBitmapFont> m_unifont;
  bool m_unifontTried = false;
  std::unordered_map<uint64_t, CharCell> m_cells;
  std::unordered_map<char32_t, std::unique_ptr<CDotImage>> m_boldUnifont;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_RECEIPT_FONTS_H_
