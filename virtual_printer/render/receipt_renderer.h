// Renders an ESC/POS command stream as a thermal receipt printer puts it on
// paper: a roll 576 dots wide at 203 dpi (8 dots a millimetre), white paper,
// black dots, one image per cut. It is fed the parser's commands in stream
// order and keeps the printer's modes between them.
//
// What it draws: text in Font A and Font B (and double-byte GBK characters
// in Kanji mode) through the code table in force, with character size,
// emphasis, double strike, underline, reverse, upside-down, 90-degree
// rotation and right-side spacing; justification, left margin, print area
// width, tabs, absolute and relative positions, line spacing; feeds (LF,
// ESC J, ESC d); page mode (ESC L, ESC W, ESC T, ESC $, ESC \, GS $, GS \,
// FF, ESC FF, CAN, ESC S); raster pictures (GS v 0) and bit images (ESC *);
// barcodes (GS k with GS h, GS w, GS H, GS f); QR codes and PDF417 (GS ( k,
// and GS Z with ESC Z); cuts (ESC i, ESC m, GS V) end the image; drawer
// pulses (ESC p, DLE DC4 1) are noted beside it.
//
// This printer's readings where printers differ: a barcode, picture, 2D
// symbol, page mode or cut that arrives while text is waiting in the line
// prints that line first; a printed line moves the paper at least its own
// height; FS 3 n sets the line spacing to n dots like ESC 3 n; GS w accepts
// module widths 2..6. Commands it does not know (and ones it knows but does
// not draw: user-defined characters, downloaded and NV images, GS ( L
// graphics, macros) are drawn as nothing and counted by name.
//
// Bounds: an image is at most `maxImageHeight` dots long (longer paper goes
// on in the next image), a page at most `maxPageHeight` dots, and pictures
// and symbols are clipped to the paper; so memory stays bounded whatever the
// stream.
//
// Not thread-safe: one renderer per stream, used by one thread. Finished
// images go to the sink on that thread, inside Consume.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RECEIPT_RENDERER_H_
#define QV_VIRTUAL_PRINTER_RENDER_RECEIPT_RENDERER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/render/dot_image.h"
#include "virtual_printer/render/page_buffer.h"
#include "virtual_printer/render/receipt_fonts.h"
#include "virtual_printer/render/rendered_receipt.h"
#include "virtual_printer/render/symbol_encoder.h"
#include "virtual_printer/render/text_line.h"

namespace qvvp {

struct RenderLimits {
  int maxImageHeight = 8000;  // 1 m of paper
  int maxPageHeight = 4000;   // 50 cm
};

class CReceiptRenderer {
 public:
  static constexpr int kPaperWidth = 576;
  static constexpr int kDefaultLineSpacing = 30;

  using ImageSink = std::function<void(RenderedReceipt&&)>;
  // `fonts` must outlive the renderer (CReceiptFonts::Shared does).
  CReceiptRenderer(CReceiptFonts* fonts, ImageSink sink, RenderLimits limits = {});

  void Consume(const ParsedCommand& command);

  // The paper printed since the last cut (the line still being collected is
  // not printed yet), as an image ending kUnfinished; its number is the one
  // the finished image will get. Nothing changes.
  RenderedReceipt Unfinished() const;
  // Hands the unfinished paper to the sink, if there is any, and starts a
  // new image (the printer stops).
  void FinishUnfinished();
  // Notes that `count` bytes were lost before reaching the renderer.
  void NoteLost(uint64_t count);

  const RenderStats& stats() const { return m_stats; }

 private:
  struct CharacterMode {
    CharFont font = CharFont::kA;
    int widthScale = 1;
    int heightScale = 1;
    bool emphasized = false;
    bool doubleStrike = false;
    int underline = 0;
    bool reverse = false;
    bool rotate90 = false;
    int rightSpacing = 0;
    // Kanji: FS ! / FS W enlargement, FS - underline, FS S spacing.
    int kanjiWidthScale = 1;
    int kanjiHeightScale = 1;
    int kanjiUnderline = 0;
    int kanjiLeftSpacing = 0;
    int kanjiRightSpacing = 0;
  };
  struct BarcodeMode {
    int height = 162;
    int moduleWidth = 3;
    int hriPosition = 0;  // bit 0 above, bit 1 below
    CharFont hriFont = CharFont::kA;
  };
  struct Pdf417Mode {
    Pdf417Options options;
    int moduleWidth = 3;
    int rowHeight = 3;  // times the module width
    std::vector<uint8_t> data;
  };
  struct QrMode {
    QrOptions options;
    int moduleSize = 3;
    std::vector<uint8_t> data;
  };

  // receipt_renderer.cpp: modes, text, lines, paper.
  void Reset();
  void Dispatch(const ParsedCommand& command);
  void DispatchEsc(const std::vector<uint8_t>& b, const ParsedCommand& command);
  void DispatchGs(const std::vector<uint8_t>& b, const ParsedCommand& command);
  void DispatchFs(const std::vector<uint8_t>& b, const ParsedCommand& command);
  void DispatchControl(uint8_t byte);
  void NotRendered(const std::string& name);
  void Note(const std::string& text);
  void AddText(const std::vector<uint8_t>& bytes);
  void AddCharacter(char32_t codepoint, bool wide);
  // The fonts' cell for a single-byte character, through a small cache.
  CharCell SingleCell(char32_t codepoint, bool bold);
  void AddItem(const LineItem& item);
  void Tab();
  void SetTabs(const std::vector<uint8_t>& bytes);
  int CharacterPitch() const;
  int LineWidth() const;
  // Prints the collected line and moves the paper (or the page position) by
  // at least `advance` dots.
  void PrintLine(int advance);
  void FlushLine();  // prints a waiting line with the line spacing
  // Page mode: puts the waiting line on the page where it stands, without
  // moving down, and keeps the horizontal position.
  void PlaceLineHere();
  void Feed(int dots);
  void PlaceBlock(const CDotImage& block);
  void EnsureRows(int rows);
  void Cut(bool partial);
  void EndImage(RenderedReceipt::End end);
  void EnterPageMode();
  void PrintPage(bool keepPage);
  void LeavePageMode();
  PageArea DefaultArea() const;

  // renderer_pictures.cpp: raster and bit images, barcodes, 2D symbols.
  void RasterImage(const ParsedCommand& command);
  void BitImage(const ParsedCommand& command);
  void Barcode(const ParsedCommand& command);
  void Symbol2d(const ParsedCommand& command);    // GS ( k
  void EscZSymbol(const ParsedCommand& command);  // ESC Z after GS Z
  void PlaceSymbol(const EncodedSymbol& symbol, int moduleWidth, int rowHeight, bool hri);
  void Refuse(const std::string& what, const std::string& reason);

  static constexpr char32_t kCachedChars = 0x100;
  struct CachedCell {
    CharCell cell;
    bool valid = false;
  };

  CReceiptFonts* m_fonts;
  CachedCell m_cells[2][2][kCachedChars];  // [font][bold][code point]
  ImageSink m_sink;
  RenderLimits m_limits;
  RenderStats m_stats;

  CharacterMode m_char;
  BarcodeMode m_barcode;
  Pdf417Mode m_pdf417;
  QrMode m_qr;
  int m_symbolType = 0;  // GS Z: 0 PDF417, 1 DataMatrix, 2 QR
  int m_codeTable = 0;
  bool m_kanji = false;
  int m_pendingLead = -1;  // a GBK lead byte waiting for its trail byte
  bool m_enabled = true;   // ESC = (peripheral selected)
  int m_justification = 0;
  int m_leftMargin = 0;
  int m_printWidth = kPaperWidth;
  int m_lineSpacing[2] = {kDefaultLineSpacing, kDefaultLineSpacing};  // standard, page
  bool m_upsideDown = false;
  bool m_customTabs = false;  // ESC D given; otherwise a stop every 8 Font A characters
  std::vector<int> m_tabs;    // dots

  CTextLine m_line;
  CDotImage m_lineCanvas;

  bool m_pageMode = false;
  PageArea m_pendingArea;  // ESC W received in standard mode
  int m_pendingDirection = 0;
  CPageBuffer m_page;

  CDotImage m_roll;  // the paper since the last cut
  int m_rollY = 0;   // where the next line goes
  uint64_t m_imageNumber = 1;
  std::vector<std::string> m_notes;
  std::map<std::string, uint64_t> m_imageNotRendered;
};

// Renders a whole byte stream at once, as parsed by the printer's parser,
// and the paper left uncut at its end: the images in order. False with the
// reason in `error` when the fonts cannot be loaded.
bool RenderStream(const uint8_t* data, size_t size, const RenderLimits& limits,
                  std::vector<RenderedReceipt>* images, RenderStats* stats, std::string* error);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_RECEIPT_RENDERER_H_
