#include "virtual_printer/render/bitmap_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <zlib.h>

#include <vector>

namespace qvvp {

namespace {

constexpr size_t kMaxFontBytes = 64u << 20;

// The file's bytes, gzip-compressed files expanded (zlib reads plain files
// as they are). FreeType could read a compressed font itself, but then
// every glyph looked up out of order means expanding the file again from
// its start.
bool ReadFontFile(const std::string& file, std::vector<uint8_t>* bytes, std::string* error) {
  gzFile in = gzopen(file.c_str(), "rb");
  if (in == nullptr) {
    *error = "cannot open the font file " + file;
    return false;
  }
  bytes->clear();
  uint8_t chunk[1 << 16];
  int got = 0;
  while ((got = gzread(in, chunk, sizeof(chunk))) > 0 && bytes->size() <= kMaxFontBytes) {
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  const bool ok = got == 0 && gzclose(in) == Z_OK;
  if (!ok || bytes->size() > kMaxFontBytes) {
    *error = "cannot read the font file " + file;
    return false;
  }
  return true;
}

}  // namespace

struct CBitmapFont::Handles {
  std::vector<uint8_t> bytes;  // the face reads from here
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Handles() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

CBitmapFont::CBitmapFont() : m_handles(std::make_unique<Handles>()) {}

CBitmapFont::~CBitmapFont() = default;

std::unique_ptr<CBitmapFont> CBitmapFont::Open(const std::string& file, std::string* error) {
  std::unique_ptr<CBitmapFont> font(new CBitmapFont());
  Handles& h = *font->m_handles;
  if (FT_Init_FreeType(&h.library) != 0) {
    *error = "FreeType could not be initialised";
    return nullptr;
  }
  if (!ReadFontFile(file, &h.bytes, error)) return nullptr;
  if (FT_New_Memory_Face(h.library, h.bytes.data(), static_cast<FT_Long>(h.bytes.size()), 0,
                         &h.face) != 0) {
    *error = "cannot read the font file " + file;
    return nullptr;
  }
  if (h.face->num_fixed_sizes < 1 || FT_Select_Size(h.face, 0) != 0) {
    *error = "the font file " + file + " has no bitmap strike";
    return nullptr;
  }
  font->m_cellHeight = static_cast<int>(h.face->size->metrics.height >> 6);
  font->m_ascent = static_cast<int>(h.face->size->metrics.ascender >> 6);
  if (font->m_cellHeight <= 0 || font->m_cellHeight > 256) {
    *error = "the font file " + file + " has an unusable cell height";
    return nullptr;
  }
  return font;
}

const CDotImage* CBitmapFont::Glyph(char32_t codepoint) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto found = m_glyphs.find(codepoint);
  if (found != m_glyphs.end()) return found->second.get();
  std::unique_ptr<CDotImage>& slot = m_glyphs[codepoint];
  slot = Load(codepoint);
  return slot.get();
}

std::unique_ptr<CDotImage> CBitmapFont::Load(char32_t codepoint) {
  FT_Face face = m_handles->face;
  const FT_UInt index = FT_Get_Char_Index(face, codepoint);
  if (index == 0) return nullptr;
  if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return nullptr;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  const int advance = static_cast<int>(slot->advance.x >> 6);
  if (advance <= 0 || advance > 256) return nullptr;
  auto glyph = std::make_unique<CDotImage>(advance, m_cellHeight);
  const int top = m_ascent - slot->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* bits = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (bits[col >> 3] & (0x80 >> (col & 7)))
                                                        : bits[col] >= 128;
      if (on) glyph->Set(slot->bitmap_left + static_cast<int>(col), top + static_cast<int>(row));
    }
  }
  return glyph;
}

}  // namespace qvvp
