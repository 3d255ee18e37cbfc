// The virtual printer's core, apart from its transports: it parses the
// bytes each connection delivers, keeps the sensor state, answers the
// real-time status requests, opens the drawer on a drawer pulse, and records
// the raw stream and the parsed commands (in memory and, when asked, in
// files). Transports hand it bytes with Consume; tests and the program read
// and change it through the rest of the interface.
//
// Thread-safe: every member may be called from any thread. Waits are bounded
// by their time-out (real milliseconds). The command observer runs on the
// thread that called Consume (a transport's I/O thread), with the engine's
// lock held: it must not call back into the engine or the VirtualPrinter.
#ifndef QV_VIRTUAL_PRINTER_PRINTER_ENGINE_H_
#define QV_VIRTUAL_PRINTER_PRINTER_ENGINE_H_

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/printer_state.h"

namespace qvvp {

// One line of the readable command listing (no newline).
std::string ListingLine(const ParsedCommand& command);

class PrinterEngine {
 public:
  PrinterEngine();
  ~PrinterEngine();
  PrinterEngine(const PrinterEngine&) = delete;
  PrinterEngine& operator=(const PrinterEngine&) = delete;

  // A parser for one connection's stream; its commands land in this engine.
  // Use it only with Consume on this engine.
  std::unique_ptr<EscPosParser> NewParser();

  // Parses `size` received bytes with the connection's `parser` and returns
  // the bytes to send back (status answers).
  std::string Consume(EscPosParser& parser, const uint8_t* data, size_t size);

  // Sensors.
  PrinterState state() const;
  void SetState(const PrinterState& state);
  void SetDrawerOpen(bool open);
  void SetCoverOpen(bool open);
  void SetPaperEnd(bool end);
  void SetPaperNearEnd(bool near_end);
  void SetOffline(bool offline);

  // The drawer closes by itself `ms` after a pulse opened it (0: stays open
  // until told). TickDrawer closes it when due and returns the milliseconds
  // until the next due time, or -1 when none is pending.
  void SetDrawerAutoCloseMs(int64_t ms);
  int64_t TickDrawer();

  // Fault: status requests are parsed and counted but not answered.
  void SetAnswerNothing(bool on);
  bool answer_nothing() const;

  // Recording. bytes_parsed counts the bytes of completed commands (and
  // text); it lags bytes_received while a command is incomplete.
  uint64_t bytes_received() const;
  uint64_t bytes_parsed() const;
  std::vector<uint8_t> stream() const;
  std::vector<ParsedCommand> commands() const;
  std::string listing() const;
  uint64_t status_requests() const;  // DLE EOT n received
  uint64_t status_answers() const;   // status bytes sent back
  uint64_t drawer_kicks() const;     // ESC p and DLE DC4 1 received
  void ClearRecord();

  // Whether the stream and the commands are kept in memory (default true;
  // counters run either way). A long-running program that records to files
  // turns it off.
  void SetRecordInMemory(bool on);
  // Appends the raw stream / the listing lines to files from now on.
  // Returns 0 or errno.
  int RecordStreamTo(const std::filesystem::path& file);
  int RecordListingTo(const std::filesystem::path& file);

  void SetCommandObserver(std::function<void(const ParsedCommand&)> observer);

  // Sees every received byte, with the stream_id() of the connection's
  // parser, before it is parsed (same thread and lock rules as the command
  // observer). The renderer reads the stream again on its own thread.
  void SetStreamObserver(
      std::function<void(uint64_t stream, const uint8_t* data, size_t size)> observer);

  // Waits until at least `count` bytes are parsed. False on time-out.
  bool WaitForBytesParsed(uint64_t count, int64_t timeout_ms) const;
  // Waits until `predicate` (called without the engine's lock, so it may use
  // the accessors) is true; it is tried again after every change. False on
  // time-out.
  bool WaitFor(const std::function<bool()>& predicate, int64_t timeout_ms) const;
  // Wakes the waiters after a change outside the engine (connections).
  void NotifyChanged();

 private:
  void OnCommandLocked(ParsedCommand&& command);
  void ChangedLocked();

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  uint64_t generation_ = 0;

  PrinterState state_;
  bool answer_nothing_ = false;
  int64_t drawer_auto_close_ms_ = 0;
  int64_t drawer_close_due_ms_ = -1;  // steady-clock time, -1: none

  bool in_memory_ = true;
  uint64_t bytes_received_ = 0;
  uint64_t bytes_parsed_ = 0;
  uint64_t status_requests_ = 0;
  uint64_t status_answers_ = 0;
  uint64_t drawer_kicks_ = 0;
  std::vector<uint8_t> stream_;
  std::vector<ParsedCommand> commands_;
  std::string reply_;  // answers of the Consume in progress
  std::FILE* stream_file_ = nullptr;
  std::FILE* listing_file_ = nullptr;
  std::function<void(const ParsedCommand&)> observer_;
  std::function<void(uint64_t, const uint8_t*, size_t)> stream_observer_;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_PRINTER_ENGINE_H_
