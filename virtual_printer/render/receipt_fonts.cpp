#include "virtual_printer/render/receipt_fonts.h"

#include <unistd.h>

namespace qvvp {

namespace {

struct FontFile {
  const char* path;
  const char* package;
};

constexpr FontFile kTerminus24 = {"/usr/share/fonts/X11/misc/ter-u24n_unicode.pcf.gz",
                                  "xfonts-terminus"};
constexpr FontFile kTerminus24Bold = {"/usr/share/fonts/X11/misc/ter-u24b_unicode.pcf.gz",
                                      "xfonts-terminus"};
constexpr FontFile kTerminus16 = {"/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz",
                                  "xfonts-terminus"};
constexpr FontFile kTerminus16Bold = {"/usr/share/fonts/X11/misc/ter-u16b_unicode.pcf.gz",
                                      "xfonts-terminus"};
constexpr FontFile kUnifont = {"/usr/share/fonts/X11/misc/unifont.pcf.gz", "xfonts-unifont"};

std::unique_ptr<CBitmapFont> OpenFont(const FontFile& file, std::string* error) {
  if (::access(file.path, R_OK) != 0) {
    *error = std::string("the font file ") + file.path +
             " is missing (install the Debian package " + file.package + ")";
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<CBitmapFont> font = CBitmapFont::Open(file.path, &reason);
  if (!font) *error = reason + " (from the Debian package " + file.package + ")";
  return font;
}

int CellWidth(CharFont font) {
  return font == CharFont::kA ? CReceiptFonts::kFontAWidth : CReceiptFonts::kFontBWidth;
}

int CellHeight(CharFont font) {
  return font == CharFont::kA ? CReceiptFonts::kFontAHeight : CReceiptFonts::kFontBHeight;
}

uint64_t CellKey(CharFont font, char32_t codepoint, bool bold, bool wide) {
  return uint64_t{codepoint} | (uint64_t{font == CharFont::kB} << 32) | (uint64_t{bold} << 33) |
         (uint64_t{wide} << 34);
}

}  // namespace

const char* const CReceiptFonts::kFontAFile = kTerminus24.path;
const char* const CReceiptFonts::kFontABoldFile = kTerminus24Bold.path;
const char* const CReceiptFonts::kFontBFile = kTerminus16.path;
const char* const CReceiptFonts::kFontBBoldFile = kTerminus16Bold.path;
const char* const CReceiptFonts::kUnifontFile = kUnifont.path;

CReceiptFonts* CReceiptFonts::Shared(std::string* error) {
  static std::mutex mutex;
  static std::unique_ptr<CReceiptFonts> shared;
  std::lock_guard<std::mutex> lock(mutex);
  if (!shared) {
    std::unique_ptr<CReceiptFonts> fonts(new CReceiptFonts());
    if (!fonts->Load(error)) return nullptr;
    shared = std::move(fonts);
  }
  return shared.get();
}

bool CReceiptFonts::Load(std::string* error) {
  const FontFile* files[2][2] = {{&kTerminus24, &kTerminus24Bold},
                                 {&kTerminus16, &kTerminus16Bold}};
  for (int font = 0; font < 2; ++font) {
    for (int bold = 0; bold < 2; ++bold) {
      m_faces[font][bold] = OpenFont(*files[font][bold], error);
      if (!m_faces[font][bold]) return false;
    }
  }
  // Unifont is read when first needed, but its absence is reported now.
  if (::access(kUnifont.path, R_OK) != 0) {
    *error = std::string("the font file ") + kUnifont.path +
             " is missing (install the Debian package " + kUnifont.package + ")";
    return false;
  }
  return true;
}

CBitmapFont* CReceiptFonts::Unifont() {
  if (!m_unifontTried) {
    m_unifontTried = true;
    std::string ignored;
    m_unifont = OpenFont(kUnifont, &ignored);
  }
  return m_unifont.get();
}

const CDotImage* CReceiptFonts::UnifontGlyph(char32_t codepoint, bool bold) {
  CBitmapFont* unifont = Unifont();
  const CDotImage* glyph = unifont != nullptr ? unifont->Glyph(codepoint) : nullptr;
  if (glyph == nullptr || !bold) return glyph;
  std::unique_ptr<CDotImage>& heavy = m_boldUnifont[codepoint];
  if (!heavy) {
    heavy = std::make_unique<CDotImage>(*glyph);
    heavy->Draw(*glyph, 1, 0);
  }
  return heavy.get();
}

CharCell CReceiptFonts::Centred(const CDotImage* glyph, int width, int height) const {
  CharCell cell;
  cell.width = width;
  cell.height = height;
  cell.glyph = glyph;
  if (glyph != nullptr) {
    cell.glyphX = (width - glyph->width()) / 2;
    cell.glyphY = (height - glyph->height()) / 2;
  }
  return cell;
}

CharCell CReceiptFonts::Cell(uint64_t key, const std::function<CharCell()>& make) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto found = m_cells.find(key);
  if (found != m_cells.end()) return found->second;
  const CharCell cell = make();
  m_cells.emplace(key, cell);
  return cell;
}

CharCell CReceiptFonts::Single(CharFont font, char32_t codepoint, bool bold) {
  return Cell(CellKey(font, codepoint, bold, false), [&] {
    const CDotImage* glyph = m_faces[static_cast<int>(font)][bold]->Glyph(codepoint);
    if (glyph != nullptr) return CharCell{glyph, 0, 0, CellWidth(font), CellHeight(font)};
    return Centred(UnifontGlyph(codepoint, bold), CellWidth(font), CellHeight(font));
  });
}

CharCell CReceiptFonts::Double(CharFont font, char32_t codepoint, bool bold) {
  return Cell(CellKey(font, codepoint, bold, true), [&] {
    const int width = 2 * CellWidth(font);
    const int height = font == CharFont::kA ? 2 * CellWidth(font) : CellHeight(font);
    return Centred(UnifontGlyph(codepoint, bold), width, height);
  });
}

}  // namespace qvvp
