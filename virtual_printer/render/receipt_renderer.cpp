#include "virtual_printer/render/receipt_renderer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "virtual_printer/render/code_tables.h"
#include "virtual_printer/render/command_bytes.h"

namespace qvvp {

namespace {

constexpr int kDefaultPageHeight = 1662;
constexpr int kDefaultTabColumns = 8;

// "ESC 0C": the name a command the parser does not know is counted under.
std::string UnknownName(const ParsedCommand& command) {
  const char* prefix = command.bytes[0] == kEsc ? "ESC" : command.bytes[0] == kGs ? "GS" : "FS";
  char name[16];
  std::snprintf(name, sizeof(name), "%s %02X", prefix,
                command.bytes.size() > 1 ? command.bytes[1] : 0);
  return name;
}

// A parameter written as a number or as its digit: 0/48, 1/49, 2/50, 3/51.
int SwitchValue(uint8_t n) { return n >= 48 && n <= 51 ? n - 48 : n; }

}  // namespace

CReceiptRenderer::CReceiptRenderer(CReceiptFonts* fonts, ImageSink sink, RenderLimits limits)
    : m_fonts(fonts),
      m_sink(std::move(sink)),
      m_limits(limits),
      m_page(kPaperWidth, std::max(limits.maxPageHeight, 1)),
      m_roll(kPaperWidth, 0) {
  m_limits.maxImageHeight = std::max(m_limits.maxImageHeight, 1);
  Reset();
}

PageArea CReceiptRenderer::DefaultArea() const {
  return {0, 0, kPaperWidth, std::min(kDefaultPageHeight, m_limits.maxPageHeight)};
}

void CReceiptRenderer::Reset() {
  m_char = CharacterMode();
  m_barcode = BarcodeMode();
  m_pdf417 = Pdf417Mode();
  m_qr = QrMode();
  m_symbolType = 0;
  m_codeTable = 0;
  m_kanji = false;
  m_pendingLead = -1;
  m_enabled = true;
  m_justification = 0;
  m_leftMargin = 0;
  m_printWidth = kPaperWidth;
  m_lineSpacing[0] = m_lineSpacing[1] = kDefaultLineSpacing;
  m_upsideDown = false;
  m_tabs.clear();
  m_customTabs = false;
  m_line.Clear();
  m_pageMode = false;
  m_pendingArea = DefaultArea();
  m_pendingDirection = 0;
  m_page.Reset(m_pendingArea);
}

void CReceiptRenderer::Consume(const ParsedCommand& command) {
  ++m_stats.commands;
  if (command.bytes.empty()) return;
  if (!m_enabled) {
    // A deselected printer reads nothing but the command that selects it.
    if (command.kind == ParsedCommand::Kind::kCommand && command.bytes.size() >= 3 &&
        command.bytes[0] == kEsc && command.bytes[1] == 0x3D) {
      m_enabled = (command.bytes[2] & 1) != 0;
    }
    return;
  }
  if (command.kind != ParsedCommand::Kind::kText && m_pendingLead >= 0) {
    // A lead byte without its trail byte prints as a single-byte character.
    const uint8_t lead = static_cast<uint8_t>(m_pendingLead);
    m_pendingLead = -1;
    AddCharacter(SingleByteChar(m_codeTable, lead), false);
  }
  Dispatch(command);
}

void CReceiptRenderer::Dispatch(const ParsedCommand& command) {
  const std::vector<uint8_t>& b = command.bytes;
  switch (command.kind) {
    case ParsedCommand::Kind::kText: AddText(b); return;
    case ParsedCommand::Kind::kControl: DispatchControl(b[0]); return;
    case ParsedCommand::Kind::kUnknown:
      if (b.size() == 2 && b[0] == kEsc && b[1] == 0x0C) {  // ESC FF: print the page, keep it
        if (m_pageMode) PrintPage(true);
        return;
      }
      NotRendered(UnknownName(command));
      return;
    case ParsedCommand::Kind::kCommand: break;
  }
  if (b.size() < 2) return;
  switch (b[0]) {
    case kEsc: DispatchEsc(b, command); return;
    case kGs: DispatchGs(b, command); return;
    case kFs: DispatchFs(b, command); return;
    case kDle:
      if (b[1] == 0x14 && ByteAt(b, 2) == 1) {
        Note("drawer pulse (real time) on pin " + std::string(ByteAt(b, 3) == 1 ? "5" : "2") +
             ", " + std::to_string(ByteAt(b, 4) * 100) + " ms");
      }
      return;  // real-time requests print nothing
  }
}

void CReceiptRenderer::DispatchControl(uint8_t byte) {
  switch (byte) {
    case 0x0A: PrintLine(m_lineSpacing[m_pageMode]); return;
    case 0x0C:
      if (m_pageMode) {
        PrintPage(false);
      } else if (!m_line.empty()) {
        PrintLine(0);
      }
      return;
    case 0x09: Tab(); return;
    case 0x18:  // CAN: cancels the current area's data in page mode
      if (m_pageMode) {
        m_line.Clear();
        m_page.ClearArea();
      }
      return;
    default: return;  // CR and other control bytes move nothing
  }
}

void CReceiptRenderer::DispatchEsc(const std::vector<uint8_t>& b, const ParsedCommand& command) {
  const uint8_t n = ByteAt(b, 2);
  const bool lineStart = m_line.empty();
  switch (b[1]) {
    case 0x40: Reset(); return;                             // ESC @
    case 0x45: m_char.emphasized = (n & 1) != 0; return;    // ESC E
    case 0x47: m_char.doubleStrike = (n & 1) != 0; return;  // ESC G
    case 0x2D:                                              // ESC -
      if (SwitchValue(n) <= 2) m_char.underline = SwitchValue(n);
      return;
    case 0x4A: PrintLine(n); return;                              // ESC J
    case 0x64: PrintLine(n * m_lineSpacing[m_pageMode]); return;  // ESC d
    case 0x52:                                                    // ESC R
      if (n != 0) NotRendered("ESC R");
      return;
    case 0x7B:  // ESC {: only at the start of a line
      if (lineStart) m_upsideDown = (n & 1) != 0;
      return;
    case 0x56: m_char.rotate90 = SwitchValue(n) == 1 || SwitchValue(n) == 2; return;  // ESC V
    case 0x4D:                                                                        // ESC M
      if (SwitchValue(n) <= 1) m_char.font = SwitchValue(n) == 0 ? CharFont::kA : CharFont::kB;
      return;
    case 0x61:  // ESC a: only at the start of a line
      if (lineStart && SwitchValue(n) <= 2) m_justification = SwitchValue(n);
      return;
    case 0x54:  // ESC T
      if (SwitchValue(n) > 3) return;
      m_pendingDirection = SwitchValue(n);
      if (m_pageMode) {
        FlushLine();
        m_page.SetDirection(m_pendingDirection);
      }
      return;
    case 0x24:  // ESC $
      if (WordAt(b, 2) < LineWidth()) m_line.SetPosition(WordAt(b, 2));
      return;
    case 0x5C: {  // ESC \: signed
      const int x = m_line.position() + static_cast<int16_t>(WordAt(b, 2));
      if (x >= 0 && x < LineWidth()) m_line.SetPosition(x);
      return;
    }
    case 0x57: {  // ESC W
      const PageArea area{WordAt(b, 2), WordAt(b, 4), WordAt(b, 6), WordAt(b, 8)};
      if (area.width == 0 || area.height == 0) return;
      if (m_pageMode) {
        FlushLine();
        m_page.SetArea(area);
      } else {
        m_pendingArea = area;
      }
      return;
    }
    case 0x53:  // ESC S
      if (m_pageMode) LeavePageMode();
      return;
    case 0x4C: EnterPageMode(); return;  // ESC L
    case 0x69: Cut(true); return;        // ESC i
    case 0x6D: Cut(true); return;        // ESC m
    case 0x70:                           // ESC p
      Note("drawer pulse on pin " + std::string((n & 1) ? "5" : "2") + ", " +
           std::to_string(ByteAt(b, 3) * 2) + " ms on, " + std::to_string(ByteAt(b, 4) * 2) +
           " ms off");
      return;
    case 0x21:  // ESC !
      m_char.font = (n & 1) ? CharFont::kB : CharFont::kA;
      m_char.emphasized = (n & 0x08) != 0;
      m_char.heightScale = (n & 0x10) ? 2 : 1;
      m_char.widthScale = (n & 0x20) ? 2 : 1;
      m_char.underline = (n & 0x80) ? 1 : 0;
      return;
    case 0x20: m_char.rightSpacing = n; return;                          // ESC SP
    case 0x32: m_lineSpacing[m_pageMode] = kDefaultLineSpacing; return;  // ESC 2
    case 0x33: m_lineSpacing[m_pageMode] = n; return;                    // ESC 3
    case 0x2A: BitImage(command); return;                                // ESC *
    case 0x44: SetTabs(b); return;                                       // ESC D
    case 0x3D: m_enabled = (n & 1) != 0; return;                         // ESC =
    case 0x74: m_codeTable = n; return;                                  // ESC t
    case 0x5A: EscZSymbol(command); return;                              // ESC Z
    case 0x3C:
    case 0x63:
    case 0x75:
    case 0x76:
    case 0x72:
    case 0x3F: return;  // no marks
    default: NotRendered(command.name == "ESC ?" ? UnknownName(command) : command.name); return;
  }
}

void CReceiptRenderer::DispatchGs(const std::vector<uint8_t>& b, const ParsedCommand& command) {
  const uint8_t n = ByteAt(b, 2);
  switch (b[1]) {
    case 0x21:  // GS !: both factors 1..8, or the command is ignored
      if ((n >> 4) <= 7 && (n & 0x0F) <= 7) {
        m_char.widthScale = (n >> 4) + 1;
        m_char.heightScale = (n & 0x0F) + 1;
      }
      return;
    case 0x4C:  // GS L: only at the start of a line in standard mode
      if (!m_pageMode && m_line.empty()) m_leftMargin = std::min(WordAt(b, 2), kPaperWidth - 1);
      return;
    case 0x57:  // GS W
      if (!m_pageMode && m_line.empty() && WordAt(b, 2) > 0) m_printWidth = WordAt(b, 2);
      return;
    case 0x24:  // GS $
    case 0x5C:  // GS \: vertical position in page mode
      if (m_pageMode) {
        const int v = b[1] == 0x24 ? WordAt(b, 2) : m_page.v() + static_cast<int16_t>(WordAt(b, 2));
        if (v < 0 || v >= m_page.lineDepth()) return;
        PlaceLineHere();
        m_page.SetV(v);
      }
      return;
    case 0x56: {  // GS V m [n]
      const bool feed = b.size() > 3;
      if (feed && !m_pageMode) {
        FlushLine();
        Feed(ByteAt(b, 3));
      }
      if (n == 0 || n == 48 || n == 65 || n == 97 || n == 103) Cut(false);
      if (n == 1 || n == 49 || n == 66 || n == 98 || n == 104) Cut(true);
      return;
    }
    case 0x6B: Barcode(command); return;  // GS k
    case 0x68:                            // GS h
      if (n > 0) m_barcode.height = n;
      return;
    case 0x77:  // GS w
      if (n >= 2 && n <= 6) m_barcode.moduleWidth = n;
      return;
    case 0x48:  // GS H
      if (SwitchValue(n) <= 3) m_barcode.hriPosition = SwitchValue(n);
      return;
    case 0x66:  // GS f
      if (SwitchValue(n) <= 1)
        m_barcode.hriFont = SwitchValue(n) == 0 ? CharFont::kA : CharFont::kB;
      return;
    case 0x76: RasterImage(command); return;  // GS v 0
    case 0x28:                                // GS ( fn
      if (n == 0x6B) {
        Symbol2d(command);
      } else if (n != 0x30) {
        NotRendered(command.name == "GS (" ? "GS ( " + std::string(1, static_cast<char>(n))
                                           : command.name);
      }
      return;
    case 0x5A: m_symbolType = n <= 2 ? n : SwitchValue(n); return;  // GS Z
    case 0x42: m_char.reverse = (n & 1) != 0; return;               // GS B
    case 0x62:
    case 0x61:
    case 0x72:
    case 0x49:
    case 0x54: return;  // no marks on paper
    default: NotRendered(command.name == "GS ?" ? UnknownName(command) : command.name); return;
  }
}

void CReceiptRenderer::DispatchFs(const std::vector<uint8_t>& b, const ParsedCommand& command) {
  const uint8_t n = ByteAt(b, 2);
  switch (b[1]) {
    case 0x26: m_kanji = true; return;                 // FS &
    case 0x2E: m_kanji = false; return;                // FS .
    case 0x33: m_lineSpacing[m_pageMode] = n; return;  // FS 3
    case 0x21:                                         // FS !
      m_char.kanjiWidthScale = (n & 0x04) ? 2 : 1;
      m_char.kanjiHeightScale = (n & 0x08) ? 2 : 1;
      m_char.kanjiUnderline = (n & 0x80) ? 1 : 0;
      return;
    case 0x2D:  // FS -
      if (SwitchValue(n) <= 2) m_char.kanjiUnderline = SwitchValue(n);
      return;
    case 0x57:  // FS W
      m_char.kanjiWidthScale = m_char.kanjiHeightScale = (n & 1) ? 2 : 1;
      return;
    case 0x53:  // FS S
      m_char.kanjiLeftSpacing = n;
      m_char.kanjiRightSpacing = ByteAt(b, 3);
      return;
    case 0x43: return;  // FS C: the code system is GBK here
    default: NotRendered(command.name == "FS ?" ? UnknownName(command) : command.name); return;
  }
}

void CReceiptRenderer::NotRendered(const std::string& name) {
  ++m_stats.notRendered;
  ++m_stats.notRenderedByName[name];
  ++m_imageNotRendered[name];
}

void CReceiptRenderer::Note(const std::string& text) {
  m_notes.push_back(text + " (at dot row " + std::to_string(m_rollY) + ")");
}

void CReceiptRenderer::NoteLost(uint64_t count) {
  m_stats.lostBytes += count;
  Note(std::to_string(count) + " byte(s) lost: the renderer fell behind the printer");
}

void CReceiptRenderer::AddText(const std::vector<uint8_t>& bytes) {
  for (uint8_t byte : bytes) {
    if (m_kanji && m_pendingLead >= 0) {
      const uint8_t lead = static_cast<uint8_t>(m_pendingLead);
      m_pendingLead = -1;
      if (IsGbkTrail(byte)) {
        AddCharacter(GbkChar(lead, byte), true);
        continue;
      }
      AddCharacter(SingleByteChar(m_codeTable, lead), false);
    }
    if (m_kanji && IsGbkLead(byte)) {
      m_pendingLead = byte;
      continue;
    }
    AddCharacter(SingleByteChar(m_codeTable, byte), false);
  }
}

void CReceiptRenderer::AddCharacter(char32_t codepoint, bool wide) {
  const bool bold = m_char.emphasized || m_char.doubleStrike;
  LineItem item;
  item.cell = wide ? m_fonts->Double(m_char.font, codepoint, bold) : SingleCell(codepoint, bold);
  item.scaleX = wide ? std::max(m_char.widthScale, m_char.kanjiWidthScale) : m_char.widthScale;
  item.scaleY = wide ? std::max(m_char.heightScale, m_char.kanjiHeightScale) : m_char.heightScale;
  item.leftSpace = wide ? m_char.kanjiLeftSpacing * item.scaleX : 0;
  item.rightSpace = (wide ? m_char.kanjiRightSpacing : m_char.rightSpacing) * item.scaleX;
  item.underline = wide ? m_char.kanjiUnderline : m_char.underline;
  item.reverse = m_char.reverse;
  if (m_char.rotate90) {
    // Turned clockwise in its cell; rotated characters are not underlined.
    const CharCell& cell = item.cell;
    CharCell turned;
    turned.width = cell.height;
    turned.height = cell.width;
    if (cell.glyph != nullptr) {
      auto glyph = std::make_shared<CDotImage>(cell.glyph->RotatedClockwise());
      turned.glyphX = cell.height - cell.glyphY - cell.glyph->height();
      turned.glyphY = cell.glyphX;
      turned.glyph = glyph.get();
      item.owned = glyph;
    }
    item.cell = turned;
    item.underline = 0;
  }
  AddItem(item);
}

CharCell CReceiptRenderer::SingleCell(char32_t codepoint, bool bold) {
  if (codepoint >= kCachedChars) return m_fonts->Single(m_char.font, codepoint, bold);
  const int font = static_cast<int>(m_char.font);
  CachedCell& cached = m_cells[font][bold][codepoint];
  if (!cached.valid) cached = {m_fonts->Single(m_char.font, codepoint, bold), true};
  return cached.cell;
}

void CReceiptRenderer::AddItem(const LineItem& item) {
  const int width = LineWidth();
  if (m_line.position() + item.width() > width) {
    // The line is full: it prints, and the item starts the next one.
    if (m_line.position() > 0) PrintLine(m_lineSpacing[m_pageMode]);
    if (item.width() > width) return;  // wider than a whole line
  }
  m_line.Add(item);
}

int CReceiptRenderer::CharacterPitch() const {
  const int cell =
      m_char.font == CharFont::kA ? CReceiptFonts::kFontAWidth : CReceiptFonts::kFontBWidth;
  return (cell + m_char.rightSpacing) * m_char.widthScale;
}

void CReceiptRenderer::SetTabs(const std::vector<uint8_t>& bytes) {
  m_tabs.clear();
  m_customTabs = true;
  int last = 0;
  for (size_t i = 2; i < bytes.size() && bytes[i] != 0; ++i) {
    if (bytes[i] <= last) break;  // positions ascend
    last = bytes[i];
    m_tabs.push_back(last * CharacterPitch());
  }
}

void CReceiptRenderer::Tab() {
  const int position = m_line.position();
  int next = -1;
  if (m_customTabs) {
    for (int tab : m_tabs) {
      if (tab > position) {
        next = tab;
        break;
      }
    }
  } else {
    const int step = kDefaultTabColumns * CReceiptFonts::kFontAWidth;
    next = (position / step + 1) * step;
  }
  if (next > 0 && next < LineWidth()) m_line.SetPosition(next);
}

int CReceiptRenderer::LineWidth() const {
  if (m_pageMode) return m_page.lineWidth();
  return std::max(0, std::min(m_printWidth, kPaperWidth - m_leftMargin));
}

void CReceiptRenderer::PrintLine(int advance) {
  const int height = m_line.height();
  if (m_pageMode) {
    PlaceLineHere();
    m_page.SetV(m_page.v() + std::max(height, advance));
    m_line.Clear();
    return;
  }
  if (!m_line.empty()) {
    const int width = LineWidth();
    EnsureRows(height);
    if (m_upsideDown) {
      m_line.Compose(width, m_justification, &m_lineCanvas);
      m_roll.Draw(m_lineCanvas.Rotated180(), kPaperWidth - m_leftMargin - width, m_rollY);
    } else {
      m_line.DrawOnto(width, m_justification, &m_roll, m_leftMargin, m_rollY);
    }
  }
  m_line.Clear();
  Feed(std::max(height, advance));
}

void CReceiptRenderer::PlaceLineHere() {
  if (!m_pageMode || m_line.empty()) return;
  const int position = m_line.position();
  m_line.Compose(m_page.lineWidth(), m_justification, &m_lineCanvas);
  m_page.Place(m_lineCanvas, 0, m_page.v());
  m_line.Clear();
  m_line.SetPosition(position);
}

void CReceiptRenderer::FlushLine() {
  if (!m_line.empty()) PrintLine(m_lineSpacing[m_pageMode]);
}

void CReceiptRenderer::EnsureRows(int rows) {
  if (m_rollY > 0 && m_rollY + rows > m_limits.maxImageHeight)
    EndImage(RenderedReceipt::End::kRollLimit);
  const int needed = std::min(m_rollY + rows, m_limits.maxImageHeight);
  if (m_roll.height() < needed) m_roll.SetHeight(needed);
}

void CReceiptRenderer::Feed(int dots) {
  if (m_pageMode) {
    m_page.SetV(m_page.v() + dots);
    return;
  }
  m_rollY += std::max(dots, 0);
  if (m_rollY >= m_limits.maxImageHeight) EndImage(RenderedReceipt::End::kRollLimit);
}

void CReceiptRenderer::PlaceBlock(const CDotImage& block) {
  const int position = m_line.position();
  FlushLine();
  const int width = LineWidth();
  int x = position;
  if (x == 0 && m_justification == 1) x = std::max(0, (width - block.width()) / 2);
  if (x == 0 && m_justification == 2) x = std::max(0, width - block.width());
  m_line.Clear();
  if (m_pageMode) {
    m_page.Place(block, x, m_page.v());
    m_page.SetV(m_page.v() + block.height());
    return;
  }
  EnsureRows(block.height());
  if (m_upsideDown) {
    m_roll.Draw(block.Rotated180(), kPaperWidth - m_leftMargin - x - block.width(), m_rollY);
  } else {
    m_roll.Draw(block, m_leftMargin + x, m_rollY);
  }
  Feed(block.height());
}

void CReceiptRenderer::Cut(bool partial) {
  if (m_pageMode) return;  // a page cannot be cut
  FlushLine();
  EndImage(partial ? RenderedReceipt::End::kPartialCut : RenderedReceipt::End::kFullCut);
}

RenderedReceipt CReceiptRenderer::Unfinished() const {
  RenderedReceipt receipt;
  receipt.number = m_imageNumber;
  receipt.image = m_roll;
  receipt.image.SetHeight(std::min(std::max(m_rollY, m_roll.height()), m_limits.maxImageHeight));
  receipt.notes = m_notes;
  return receipt;
}

void CReceiptRenderer::FinishUnfinished() { EndImage(RenderedReceipt::End::kUnfinished); }

void CReceiptRenderer::EndImage(RenderedReceipt::End end) {
  RenderedReceipt receipt;
  receipt.number = m_imageNumber;
  receipt.end = end;
  receipt.image = std::move(m_roll);
  receipt.image.SetHeight(
      std::min(std::max(m_rollY, receipt.image.height()), m_limits.maxImageHeight));
  receipt.notes = std::move(m_notes);
  if (!m_imageNotRendered.empty()) {
    std::string text;
    uint64_t total = 0;
    for (const auto& [name, count] : m_imageNotRendered) {
      total += count;
      text += (text.empty() ? "" : ", ") + name + " x" + std::to_string(count);
    }
    receipt.notes.push_back(std::to_string(total) + " command(s) drawn as nothing: " + text);
  }
  // The next receipt is likely as long as this one: one allocation for it.
  m_roll.Reset(kPaperWidth, 0);
  m_roll.Reserve(receipt.image.height());
  m_rollY = 0;
  m_notes.clear();
  m_imageNotRendered.clear();
  if (receipt.image.height() == 0 && receipt.notes.empty()) return;
  ++m_imageNumber;
  ++m_stats.images;
  if (m_sink) m_sink(std::move(receipt));
}

void CReceiptRenderer::EnterPageMode() {
  if (m_pageMode) return;
  FlushLine();
  m_pageMode = true;
  m_page.Reset(m_pendingArea);
  m_page.SetDirection(m_pendingDirection);
}

void CReceiptRenderer::LeavePageMode() {
  m_line.Clear();
  m_pageMode = false;
  m_pendingArea = DefaultArea();
  m_page.Reset(m_pendingArea);
}

void CReceiptRenderer::PrintPage(bool keepPage) {
  PlaceLineHere();
  const CDotImage& page = m_page.Printed();
  m_pageMode = false;  // the page goes onto the roll like any picture
  EnsureRows(page.height());
  m_roll.Draw(page, 0, m_rollY);
  Feed(page.height());
  if (keepPage) {
    m_pageMode = true;
    return;
  }
  LeavePageMode();
}

bool RenderStream(const uint8_t* data, size_t size, const RenderLimits& limits,
                  std::vector<RenderedReceipt>* images, RenderStats* stats, std::string* error) {
  CReceiptFonts* fonts = CReceiptFonts::Shared(error);
  if (fonts == nullptr) return false;
  CReceiptRenderer renderer(
      fonts, [images](RenderedReceipt&& receipt) { images->push_back(std::move(receipt)); },
      limits);
  // Commands keep all their bytes, as far as the longest image needs them.
  const size_t kept =
      static_cast<size_t>(CReceiptRenderer::kPaperWidth / 8) * limits.maxImageHeight + 1024;
  EscPosParser parser([&renderer](ParsedCommand&& command) { renderer.Consume(command); },
                      std::max(kept, EscPosParser::kMaxKeptBytes));
  parser.Feed(data, size);
  renderer.FinishUnfinished();
  if (stats != nullptr) *stats = renderer.stats();
  return true;
}

}  // namespace qvvp
