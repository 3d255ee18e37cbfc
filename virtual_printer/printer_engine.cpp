#include "virtual_printer/printer_engine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

namespace qvvp {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void AppendHex(std::string* out, uint8_t byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  out->push_back(kDigits[byte >> 4]);
  out->push_back(kDigits[byte & 0x0F]);
}

void Pad(std::string* out, size_t width) {
  if (out->size() < width) out->append(width - out->size(), ' ');
  out->push_back(' ');
}

}  // namespace

std::string ListingLine(const ParsedCommand& command) {
  constexpr size_t kShownBytes = 16;
  std::string line;
  char offset[24];
  std::snprintf(offset, sizeof(offset), "%08llx", static_cast<unsigned long long>(command.offset));
  line += offset;
  line += "  ";
  line += command.name;
  Pad(&line, 20);
  if (command.kind == ParsedCommand::Kind::kText) {
    line += '"';
    for (uint8_t byte : command.bytes) {
      if (byte == '"' || byte == '\\') {
        line.push_back('\\');
        line.push_back(static_cast<char>(byte));
      } else if (byte >= 0x20 && byte < 0x7F) {
        line.push_back(static_cast<char>(byte));
      } else {
        line += "\\x";
        AppendHex(&line, byte);
      }
    }
    line += '"';
    if (command.truncated) line += " ...";
    return line;
  }
  line += command.label;
  Pad(&line, 54);
  size_t shown = command.bytes.size() < kShownBytes ? command.bytes.size() : kShownBytes;
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) line.push_back(' ');
    AppendHex(&line, command.bytes[i]);
  }
  if (command.length > shown) {
    line += " ... (" + std::to_string(command.length) + " bytes)";
  }
  return line;
}

PrinterEngine::PrinterEngine() = default;

PrinterEngine::~PrinterEngine() {
  if (stream_file_ != nullptr) std::fclose(stream_file_);
  if (listing_file_ != nullptr) std::fclose(listing_file_);
}

std::unique_ptr<EscPosParser> PrinterEngine::NewParser() {
  // The sink runs inside Consume, with mutex_ held.
  return std::make_unique<EscPosParser>(
      [this](ParsedCommand&& command) { OnCommandLocked(std::move(command)); });
}

void PrinterEngine::ChangedLocked() {
  ++generation_;
  changed_.notify_all();
}

void PrinterEngine::OnCommandLocked(ParsedCommand&& command) {
  if (int n = command.StatusRequest(); n != 0) {
    ++status_requests_;
    std::optional<uint8_t> answer = StatusByte(state_, n);
    if (answer && !answer_nothing_) {
      reply_.push_back(static_cast<char>(*answer));
      ++status_answers_;
    }
  }
  if (command.IsDrawerKick()) {
    ++drawer_kicks_;
    state_.drawerOpen = true;
    drawer_close_due_ms_ = drawer_auto_close_ms_ > 0 ? NowMs() + drawer_auto_close_ms_ : -1;
  }
  if (listing_file_ != nullptr) {
    std::string line = ListingLine(command);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), listing_file_);
    std::fflush(listing_file_);
  }
  if (observer_) observer_(command);
  if (!in_memory_) return;
  if (command.kind == ParsedCommand::Kind::kText && !commands_.empty()) {
    ParsedCommand& last = commands_.back();
    if (last.kind == ParsedCommand::Kind::kText && last.offset + last.length == command.offset) {
      // A text run split between two reads: one entry.
      last.length += command.length;
      for (uint8_t byte : command.bytes) {
        if (last.bytes.size() < EscPosParser::kMaxKeptBytes) {
          last.bytes.push_back(byte);
        } else {
          last.truncated = true;
        }
      }
      last.truncated = last.truncated || command.truncated;
      return;
    }
  }
  commands_.push_back(std::move(command));
}

std::string PrinterEngine::Consume(EscPosParser& parser, const uint8_t* data, size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  bytes_received_ += size;
  if (in_memory_) stream_.insert(stream_.end(), data, data + size);
  if (stream_file_ != nullptr) {
    std::fwrite(data, 1, size, stream_file_);
    std::fflush(stream_file_);
  }
  if (stream_observer_) stream_observer_(parser.stream_id(), data, size);
  uint64_t before = parser.completed();
  reply_.clear();
  parser.Feed(data, size);
  bytes_parsed_ += parser.completed() - before;
  ChangedLocked();
  return std::move(reply_);
}

PrinterState PrinterEngine::state() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

void PrinterEngine::SetState(const PrinterState& state) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = state;
  if (!state_.drawerOpen) drawer_close_due_ms_ = -1;
  ChangedLocked();
}

void PrinterEngine::SetDrawerOpen(bool open) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.drawerOpen = open;
  drawer_close_due_ms_ = -1;
  ChangedLocked();
}

void PrinterEngine::SetCoverOpen(bool open) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.coverOpen = open;
  ChangedLocked();
}

void PrinterEngine::SetPaperEnd(bool end) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.paperEnd = end;
  ChangedLocked();
}

void PrinterEngine::SetPaperNearEnd(bool near_end) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.paperNearEnd = near_end;
  ChangedLocked();
}

void PrinterEngine::SetOffline(bool offline) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.offline = offline;
  ChangedLocked();
}

void PrinterEngine::SetDrawerAutoCloseMs(int64_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  drawer_auto_close_ms_ = ms > 0 ? ms : 0;
}

int64_t PrinterEngine::TickDrawer() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (drawer_close_due_ms_ < 0) return -1;
  int64_t left = drawer_close_due_ms_ - NowMs();
  if (left > 0) return left;
  state_.drawerOpen = false;
  drawer_close_due_ms_ = -1;
  ChangedLocked();
  return -1;
}

void PrinterEngine::SetAnswerNothing(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  answer_nothing_ = on;
  ChangedLocked();
}

bool PrinterEngine::answer_nothing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return answer_nothing_;
}

uint64_t PrinterEngine::bytes_received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_received_;
}

uint64_t PrinterEngine::bytes_parsed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_parsed_;
}

std::vector<uint8_t> PrinterEngine::stream() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stream_;
}

std::vector<ParsedCommand> PrinterEngine::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::string PrinterEngine::listing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out;
  for (const ParsedCommand& command : commands_) {
    out += ListingLine(command);
    out.push_back('\n');
  }
  return out;
}

uint64_t PrinterEngine::status_requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_requests_;
}

uint64_t PrinterEngine::status_answers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_answers_;
}

uint64_t PrinterEngine::drawer_kicks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return drawer_kicks_;
}

void PrinterEngine::ClearRecord() {
  std::lock_guard<std::mutex> lock(mutex_);
  stream_.clear();
  commands_.clear();
  bytes_received_ = 0;
  bytes_parsed_ = 0;
  status_requests_ = 0;
  status_answers_ = 0;
  drawer_kicks_ = 0;
  ChangedLocked();
}

void PrinterEngine::SetRecordInMemory(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  in_memory_ = on;
}

int PrinterEngine::RecordStreamTo(const std::filesystem::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "ab");
  if (f == nullptr) return errno;
  std::lock_guard<std::mutex> lock(mutex_);
  if (stream_file_ != nullptr) std::fclose(stream_file_);
  stream_file_ = f;
  return 0;
}

int PrinterEngine::RecordListingTo(const std::filesystem::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "a");
  if (f == nullptr) return errno;
  std::lock_guard<std::mutex> lock(mutex_);
  if (listing_file_ != nullptr) std::fclose(listing_file_);
  listing_file_ = f;
  return 0;
}

void PrinterEngine::SetCommandObserver(std::function<void(const ParsedCommand&)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

void PrinterEngine::SetStreamObserver(
    std::function<void(uint64_t stream, const uint8_t* data, size_t size)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  stream_observer_ = std::move(observer);
}

bool PrinterEngine::WaitForBytesParsed(uint64_t count, int64_t timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms),
                           [&] { return bytes_parsed_ >= count; });
}

bool PrinterEngine::WaitFor(const std::function<bool()>& predicate, int64_t timeout_ms) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = generation_;
    }
    if (predicate()) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    // Wake at least every 20 ms: the predicate may watch things (such as a
    // client's connection) that do not notify the engine.
    auto wake =
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    changed_.wait_until(lock, wake, [&] { return generation_ != seen; });
    if (std::chrono::steady_clock::now() >= deadline && generation_ == seen) {
      lock.unlock();
      return predicate();
    }
  }
}

void PrinterEngine::NotifyChanged() {
  std::lock_guard<std::mutex> lock(mutex_);
  ChangedLocked();
}

}  // namespace qvvp
