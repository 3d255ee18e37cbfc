// CEscapeTranslator: turns print text with OPOS escape sequences into ESC/POS
// commands (Translate), and decides whether a text would print (Check, used
// by ValidateData). Both walk the text with the same grammar:
//
//   text      := { byte other than ESC | ESC '|' sequence }
//   sequence  := every byte up to and including the first capital letter A-Z
//
// An ESC not followed by '|' ends the walk (Translate drops the rest and
// returns 0; Check reports 111). A sequence without a capital letter ends the
// walk silently. A sequence of more than 31 bytes (counted after the bar, the
// letter included) is skipped by Translate and reported 111 by Check. The
// number in a sequence (an optional sign, then digits, at its start)
// saturates at the 32-bit range.
//
// The object is the translator's state record: the map mode and the
// attributes a translation switched on. Translate first switches off what the
// previous translation with the same object left on, so attributes never
// carry over between buffered calls. The caller creates a fresh object per
// immediate print, or keeps one across a transaction or page.
//
// Texts are bytes in the ANSI code page (the caller converts). Trace lines go
// to TheLog() under the tag "QVCOposPrinter". One thread at a time.
#ifndef QV_SERVICE_OBJECT_PRINTER_ESCAPE_TRANSLATOR_H_
#define QV_SERVICE_OBJECT_PRINTER_ESCAPE_TRANSLATOR_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"
#include "service_object/printer/cmd.h"

// The error raised for a negative feed count: "FreeCmd", the full-width colon
// of the GBK code page (A3 BA), "Invalid Data".
inline constexpr char kInvalidFeedError[] = "FreeCmd\xA3\xBAInvalid Data";

// What a translation reads from and reports to the printer that owns it.
class CEscapeHost {
 public:
  virtual ~CEscapeHost() = default;
  // The printer bytes of stored bitmap `number` (1 to 20); empty when the
  // entry holds nothing.
  virtual std::string StoredBitmap(LONG number) const = 0;
  // ESC|tL (top) or ESC|bL (bottom) was met.
  virtual void RequestLogo(bool top) = 0;
};

class CEscapeTranslator {
 public:
  // `host` may be null: no stored bitmaps, logo requests are dropped. It is
  // not owned and must outlive the translator's use.
  explicit CEscapeTranslator(LONG mapMode = 1, CEscapeHost* host = nullptr)
      : m_mapMode(mapMode), m_host(host) {}

  // Appends the translated text to `cmd` and returns the number of plain
  // text bytes appended (0 when a stray ESC cut the text short).
  // `charCount` is the text's length in characters before conversion, for
  // the trace (-1: the byte count).
  //
  // A negative feed count raises OposError(kInvalidFeedError); memory
  // running out raises QVError. Either way `cmd` and the state record are
  // left as they were before the call.
  LONG Translate(std::string_view text, Cmd& cmd, int64_t charCount = -1);

  // 0 (OPOS_SUCCESS), 106 (OPOS_E_ILLEGAL) or 111 (OPOS_E_FAILURE, not
  // supported). Changes nothing but the trace.
  LONG Check(std::string_view text) const;

  // Forgets the attributes without sending anything (a new transaction).
  void ClearAttributes();

  LONG MapMode() const { return m_mapMode; }
  void SetMapMode(LONG mapMode) { m_mapMode = mapMode; }
  void SetHost(CEscapeHost* host) { m_host = host; }

  // The state record, readable for tests and traces.
  LONG Alignment() const { return m_alignment; }
  bool Bold() const { return m_bold; }
  bool Underline() const { return m_underline; }
  bool Italic() const { return m_italic; }
  bool Size() const { return m_size; }
  bool HorizontalScale() const { return m_horizontalScale; }
  bool VerticalScale() const { return m_verticalScale; }
  bool AlignmentSet() const { return m_alignmentSet; }

  // Dots fed by ESC|#uF in map mode `mapMode` (1 dots, 2 twips, 3 English,
  // else metric), fraction discarded toward zero.
  static int64_t UnitFeedDots(LONG mapMode, LONG count);

 private:
  class Sequence;

  void ResetAttributes(Cmd& cmd);
  void Execute(const Sequence& seq, Cmd& cmd);
  LONG Verdict(const Sequence& seq) const;
  void FeedLines(LONG count, Cmd& cmd);
  void FeedUnits(LONG count, Cmd& cmd);

  LONG m_mapMode;
  CEscapeHost* m_host;
  LONG m_alignment = 0;
  bool m_bold = false;
  bool m_underline = false;
  bool m_italic = false;
  bool m_size = false;
  bool m_horizontalScale = false;
  bool m_verticalScale = false;
  bool m_alignmentSet = false;
};

#endif  // QV_SERVICE_OBJECT_PRINTER_ESCAPE_TRANSLATOR_H_
