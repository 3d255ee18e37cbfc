#include "service_object/printer/escape_translator.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/core/opos_constants.h"

namespace {

constexpr char kEsc = '\x1B';
constexpr char kBar = '|';
constexpr char kSource[] = "QVCOposPrinter";
constexpr int32_t kDataLevel = 5;

// Map modes (MapMode property).
constexpr LONG PTR_MM_DOTS = 1;
constexpr LONG PTR_MM_TWIPS = 2;
constexpr LONG PTR_MM_ENGLISH = 3;

// Longest sequence executed, counted after the bar, letter included.
constexpr size_t kMaxSequence = 31;

// The largest count a single feed command carries.
constexpr LONG kFeedStep = 254;

void Trace(const char* text) { TheLog().Log(kDataLevel, kSource, text); }

// A trace line of a fixed text followed by a number in decimal (the text
// NumToString gives, without a string stream on every print call).
void TraceNumber(const char* text, int64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  std::string line(text);
  line.append(digits, result.ptr);
  TheLog().Log(kDataLevel, kSource, std::move(line));
}

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An appended command that did not fit in memory spoils the whole job.
void Require(LONG result) {
  if (result != OPOS_SUCCESS) throw QVError("Out of memory building print data");
}

// Appends `times` copies of the command `append_one` appends. A long feed
// repeats one command millions of times: the first copy comes from the
// command set, the rest are copied in blocks.
template <typename AppendOne>
void AppendRepeated(Cmd& cmd, int64_t times, AppendOne append_one) {
  if (times <= 0) return;
  const LONG start = cmd.Length();
  Require(append_one());
  const std::string unit(cmd.Bytes().substr(static_cast<size_t>(start)));
  if (unit.empty()) return;
  constexpr size_t kBlockBytes = 64 * 1024;
  const int64_t per_block = std::max<int64_t>(1, int64_t(kBlockBytes / unit.size()));
  std::string block;
  for (int64_t i = 0; i < std::min(per_block, times - 1); ++i) block += unit;
  for (int64_t left = times - 1; left > 0; left -= per_block) {
    size_t copies = static_cast<size_t>(std::min(left, per_block));
    Require(cmd.Append(std::string_view(block).substr(0, copies * unit.size())));
  }
}

// One piece of a walk over a print text.
struct Token {
  enum Kind {
    kText,          // bytes without ESC
    kSequence,      // ESC | and a sequence of at most 31 bytes
    kTooLong,       // ESC | and a longer sequence
    kStrayEsc,      // ESC not followed by the bar; ends the walk
    kUnterminated,  // ESC | without a capital letter after it; ends the walk
  };
  Kind kind;
  std::string_view bytes;  // the text, or the sequence after the bar
};

// The grammar Translate and Check share.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : m_text(text) {}

  // The next token; false at the end of the walk.
  bool Next(Token* token) {
    if (m_done || m_pos >= m_text.size()) return false;
    if (m_text[m_pos] != kEsc) {
      size_t end = m_text.find(kEsc, m_pos);
      if (end == std::string_view::npos) end = m_text.size();
      *token = {Token::kText, m_text.substr(m_pos, end - m_pos)};
      m_pos = end;
      return true;
    }
    if (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != kBar) {
      m_done = true;
      *token = {Token::kStrayEsc, {}};
      return true;
    }
    size_t start = m_pos + 2;
    size_t end = start;
    while (end < m_text.size() && !IsCapital(m_text[end])) ++end;
    if (end == m_text.size()) {
      m_done = true;
      *token = {Token::kUnterminated, m_text.substr(start)};
      return true;
    }
    std::string_view body = m_text.substr(start, end + 1 - start);
    *token = {body.size() > kMaxSequence ? Token::kTooLong : Token::kSequence, body};
    m_pos = end + 1;
    return true;
  }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
  bool m_done = false;
};

// The decimal number at the start of a sequence: an optional sign, then
// digits; no digits give 0. Saturates at the 32-bit range.
LONG LeadingNumber(std::string_view body) {
  size_t i = 0;
  bool negative = false;
  if (i < body.size() && (body[i] == '+' || body[i] == '-')) negative = body[i++] == '-';
  constexpr int64_t kLimit = int64_t{std::numeric_limits<LONG>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < body.size() && IsDigit(body[i]); ++i) {
    magnitude = magnitude * 10 + (body[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<LONG>(-magnitude);
  return static_cast<LONG>(magnitude > kLimit - 1 ? kLimit - 1 : magnitude);
}

const char* UnitFeedTrace(LONG mapMode) {
  switch (mapMode) {
    case PTR_MM_DOTS: return " Feed PTR_MM_DOTS";
    case PTR_MM_TWIPS: return " Feed PTR_MM_TWIPS";
    case PTR_MM_ENGLISH: return " Feed inch";
    default: return " Feed millimeter";
  }
}

}  // namespace

// A sequence: the bytes after ESC | up to and including the letter.
class CEscapeTranslator::Sequence {
 public:
  explicit Sequence(std::string_view body) : m_body(body), m_number(LeadingNumber(body)) {}

  size_t Size() const { return m_body.size(); }
  char Letter() const { return m_body.back(); }
  // The byte before the letter (0 for a one-byte sequence).
  char Before() const { return m_body.size() >= 2 ? m_body[m_body.size() - 2] : '\0'; }
  // The byte two before the letter (0 when there is none).
  char TwoBefore() const { return m_body.size() >= 3 ? m_body[m_body.size() - 3] : '\0'; }
  char At(size_t i) const { return i < m_body.size() ? m_body[i] : '\0'; }
  LONG Number() const { return m_number; }

 private:
  std::string_view m_body;
  LONG m_number;
};

int64_t CEscapeTranslator::UnitFeedDots(LONG mapMode, LONG count) {
  double dots;
  switch (mapMode) {
    case PTR_MM_DOTS: return count;
    case PTR_MM_TWIPS: dots = static_cast<double>(count) * 8 * 25.4 / 1440; break;
    case PTR_MM_ENGLISH: dots = static_cast<double>(count) * 8 * 25.4 * 0.001; break;
    default: dots = static_cast<double>(count) * 0.01 * 8; break;
  }
  return static_cast<int64_t>(dots);  // toward zero
}

void CEscapeTranslator::ClearAttributes() {
  m_alignment = 0;
  m_bold = m_underline = m_italic = false;
  m_size = m_horizontalScale = m_verticalScale = false;
  m_alignmentSet = false;
}

void CEscapeTranslator::ResetAttributes(Cmd& cmd) {
  if (m_bold) Require(cmd.SetDoubleStrike(0));
  if (m_underline) Require(cmd.SetUnderline(0));
  if (m_size || m_horizontalScale || m_verticalScale) Require(cmd.SetCharacterSize(0));
  if (m_alignmentSet) Require(cmd.SetJustification(0));
  ClearAttributes();
}

LONG CEscapeTranslator::Translate(std::string_view text, Cmd& cmd, int64_t charCount) {
  Trace(">>>OposCmdAndDataParing");
  TraceNumber(" PrintNormal data Len ", static_cast<int64_t>(text.size()));
  TraceNumber(" PrintNormal data Len ",
              charCount < 0 ? static_cast<int64_t>(text.size()) : charCount);

  // A failed translation leaves the command object and the record untouched.
  const CEscapeTranslator saved = *this;
  const LONG start = cmd.Length();
  try {
    ResetAttributes(cmd);
    LONG count = 0;
    std::string_view pending;
    Scanner scanner(text);
    Token token;
    while (scanner.Next(&token)) {
      if (token.kind == Token::kText) {
        pending = token.bytes;
        continue;
      }
      Trace(" OposCmdAndDataParing");
      Require(cmd.Append(pending));
      count += static_cast<LONG>(pending.size());
      pending = {};
      if (token.kind == Token::kStrayEsc) return 0;
      if (token.kind == Token::kSequence) Execute(Sequence(token.bytes), cmd);
      // A sequence too long to be one is skipped; an unterminated one ends
      // the walk.
    }
    if (!pending.empty()) {
      Trace(" PrintNormal dataIndex2");
      Require(cmd.Append(pending));
      count += static_cast<LONG>(pending.size());
    }
    Trace("<<<OposCmdAndDataParing");
    return count;
  } catch (...) {
    cmd.Truncate(start);
    *this = saved;
    throw;
  }
}

void CEscapeTranslator::FeedLines(LONG count, Cmd& cmd) {
  TraceNumber(" Feed", count);
  if (count < 0) throw OposError(kInvalidFeedError);
  if (count == 0) count = 1;
  AppendRepeated(cmd, count / kFeedStep, [&] { return cmd.FeedLines(kFeedStep); });
  if (count % kFeedStep != 0) Require(cmd.FeedLines(count % kFeedStep));
}

void CEscapeTranslator::FeedUnits(LONG count, Cmd& cmd) {
  Trace(UnitFeedTrace(m_mapMode));
  int64_t dots = UnitFeedDots(m_mapMode, count);
  if (dots < 0) throw OposError(kInvalidFeedError);
  AppendRepeated(cmd, dots / kFeedStep, [&] { return cmd.FeedDots(kFeedStep); });
  if (dots % kFeedStep != 0) Require(cmd.FeedDots(static_cast<LONG>(dots % kFeedStep)));
}

void CEscapeTranslator::Execute(const Sequence& seq, Cmd& cmd) {
  const char c = seq.Before();
  const LONG n = seq.Number();
  switch (seq.Letter()) {
    case 'N':
      Require(cmd.FeedDots(0));
      Require(cmd.SetCharacterSize(0));
      break;
    case 'P':
      if (IsDigit(c)) {
        Require(n == 100 ? cmd.CutOnePointLeft() : cmd.CutThreePointsLeft());
      } else if (c == 'f' || c == 's') {
        Require(cmd.FeedLineBreaks(n));
        Require(cmd.CutOnePointLeft());
      }
      break;
    case 'T':
      if (seq.Size() >= 2) Require(cmd.SelectFont(n));
      break;
    case 'L':
      if (m_host != nullptr && (c == 't' || c == 'b')) m_host->RequestLogo(c == 't');
      break;
    case 'A':
      if (seq.At(0) == 'c') {
        Require(cmd.SetJustification(1));
        m_alignment = 1;
        m_alignmentSet = true;
      } else if (seq.At(0) == 'l') {
        Require(cmd.SetJustification(0));
        m_alignment = 0;
      } else if (seq.At(0) == 'r') {
        Require(cmd.SetJustification(2));
        m_alignment = 2;
        m_alignmentSet = true;
      }
      break;
    case 'B':
      if (n >= 1 && n <= 20 && m_host != nullptr) {
        std::string bitmap = m_host->StoredBitmap(n);
        if (!bitmap.empty()) Require(cmd.Append(bitmap));
      }
      break;
    case 'C':
      if (seq.Size() < 2) break;
      switch (c) {
        case 'b':
          if (seq.At(0) == '!') {
            if (seq.At(1) != 't') {
              Require(cmd.SetDoubleStrike(0));
              m_bold = false;
            }
          } else if (seq.At(0) != 't') {
            Require(cmd.SetDoubleStrike(1));
            m_bold = true;
          }
          break;
        case 'u':
          if (seq.At(0) == '!') {
            Require(cmd.SetUnderline(0));
            m_underline = false;
          } else {
            Require(cmd.SetUnderline(n == 0 ? 1 : n));
            m_underline = true;
          }
          break;
        case '1':
          Require(cmd.SetCharacterSize(0x00));
          m_size = false;
          break;
        case '2':
          Require(cmd.SetCharacterSize(0x10));
          m_size = true;
          break;
        case '3':
          Require(cmd.SetCharacterSize(0x01));
          m_size = true;
          break;
        case '4':
          Require(cmd.SetCharacterSize(0x11));
          m_size = true;
          break;
        case 'h': {
          int64_t scale = int64_t{n} - 1 < 0 ? 0 : int64_t{n} - 1;
          Require(cmd.SetCharacterSize(static_cast<LONG>((scale * 16) % 256)));
          m_horizontalScale = true;
          break;
        }
        case 'v': {
          if (seq.Size() == 2 || seq.TwoBefore() == 'r') break;
          int64_t scale = int64_t{n} - 1 < 0 ? 0 : int64_t{n} - 1;
          Require(cmd.SetCharacterSize(static_cast<LONG>(scale % 16)));
          m_verticalScale = true;
          break;
        }
        case 'i': m_italic = false; break;
        default: break;
      }
      break;
    case 'F':
      if (c == 'l') {
        FeedLines(n, cmd);
      } else if (c == 'u') {
        FeedUnits(n, cmd);
      }
      break;
    default: break;
  }
}

LONG CEscapeTranslator::Check(std::string_view text) const {
  Scanner scanner(text);
  Token token;
  while (scanner.Next(&token)) {
    switch (token.kind) {
      case Token::kText: break;
      case Token::kStrayEsc:
      case Token::kTooLong: return OPOS_E_FAILURE;
      case Token::kUnterminated: return OPOS_SUCCESS;
      case Token::kSequence:
        if (LONG verdict = Verdict(Sequence(token.bytes)); verdict != OPOS_SUCCESS) return verdict;
        break;
    }
  }
  return OPOS_SUCCESS;
}

LONG CEscapeTranslator::Verdict(const Sequence& seq) const {
  const char c = seq.Before();
  const LONG n = seq.Number();
  const bool one_byte = seq.Size() == 1;
  auto legal_if = [](bool ok) { return ok ? OPOS_SUCCESS : OPOS_E_ILLEGAL; };
  switch (seq.Letter()) {
    case 'N':
    case 'A': return OPOS_SUCCESS;
    case 'P':
      if (one_byte) return OPOS_E_FAILURE;
      if (IsDigit(c)) return legal_if(n <= 100);
      if (c == 'f' || c == 's') return legal_if(n <= 255);
      return OPOS_SUCCESS;
    case 'T': return legal_if(n <= 1);
    case 'B':
      return legal_if(n >= 1 && n <= 20 && m_host != nullptr && !m_host->StoredBitmap(n).empty());
    case 'C': {
      if (one_byte) return OPOS_SUCCESS;
      int64_t scale = int64_t{n} - 1 < 0 ? 0 : int64_t{n} - 1;
      switch (c) {
        case 'u':
          if (seq.At(0) == '!') return OPOS_SUCCESS;
          return legal_if((n == 0 ? 1 : n) <= 2);
        case 'v':
          if (seq.Size() == 2) return OPOS_SUCCESS;
          if (seq.TwoBefore() == 'r') return OPOS_E_FAILURE;
          return legal_if(scale <= 7);
        case 'h': return legal_if(scale <= 7);
        case '1':
        case '2':
        case '3':
        case '4': return seq.Size() == 2 ? OPOS_SUCCESS : OPOS_E_FAILURE;
        case 'b':
          if (seq.At(0) == 't' || (seq.At(0) == '!' && seq.At(1) == 't')) return OPOS_E_FAILURE;
          return OPOS_SUCCESS;
        case 'i':
        case 'p':
        case 'r':
        case 's':
        case 'f': return OPOS_E_FAILURE;
        default: return OPOS_SUCCESS;
      }
    }
    case 'F':
      if (c == 'l') {
        TraceNumber(" Feed", n);
        return legal_if(n >= 0);
      }
      if (c == 'u') {
        Trace(UnitFeedTrace(m_mapMode));
        return legal_if(UnitFeedDots(m_mapMode, n) >= 0);
      }
      if (c == 'r') return OPOS_E_FAILURE;
      return OPOS_SUCCESS;
    default:
      // D, E, G to M, O, Q to S and U to Z.
      return OPOS_E_FAILURE;
  }
}
