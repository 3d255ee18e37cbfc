// One bitmap font file (PCF, BDF or OTB bitmap strike, gzip-compressed or
// not) read into memory and through FreeType, giving each character as a picture of its cell.
// Font files are outside data: FreeType checks them, and a file that cannot
// be read gives an error, never a half-loaded font.
//
// Thread-safe: Glyph may be called from any thread. The pictures it returns
// are owned by the font and live as long as it.
#ifndef QV_VIRTUAL_PRINTER_RENDER_BITMAP_FONT_H_
#define QV_VIRTUAL_PRINTER_RENDER_BITMAP_FONT_H_

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "virtual_printer/render/dot_image.h"

namespace qvvp {

class CBitmapFont {
 public:
  // Opens `file` and selects its first bitmap strike. On failure returns
  // null with the reason in `error`.
  static std::unique_ptr<CBitmapFont> Open(const std::string& file, std::string* error);
  ~CBitmapFont();
  CBitmapFont(const CBitmapFont&) = delete;
  CBitmapFont& operator=(const CBitmapFont&) = delete;

  // Height of the strike's cell in dots.
  int cellHeight() const { return m_cellHeight; }

  // The character `codepoint` as a picture as wide as its advance and
  // cellHeight() high, the glyph at its place in the cell (ascent above the
  // baseline, descent below). Null when the font has no glyph for it.
  const CDotImage* Glyph(char32_t codepoint);

 private:
  struct Handles;
  CBitmapFont();
  std::unique_ptr<CDotImage> Load(char32_t codepoint);

  std::unique_ptr<Handles> m_handles;
  int m_cellHeight = 0;
  int m_ascent = 0;
  std::mutex m_mutex;  // guards the FreeType face and m_glyphs
  std::unordered_map<char32_t, std::unique_ptr<CDotImage>> m_glyphs;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_BITMAP_FONT_H_
