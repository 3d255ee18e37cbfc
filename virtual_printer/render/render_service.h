// Rendering beside a running virtual printer: the bytes each connection
// delivers are handed over with Post (on the printer's I/O thread), parsed
// again and rendered on a thread of their own at a lower priority (nice 10),
// so rendering never holds up the bytes a client writes. Post never waits:
// it copies the bytes into a queue; when the queue already holds
// `maxQueuedBytes`, the bytes are dropped and counted (and noted on the next
// image) instead, and that stream's parsing starts afresh.
//
// Finished images (one per cut, or at the longest image length) are written
// to `directory` as receipt-0001.png, receipt-0002.png, ... when one is
// given, and kept in memory for Images() when asked (the oldest go once
// their dots pass `maxKeptBytes`). WriteUnfinishedNow writes the paper
// since the last cut under the number it will keep when cut; Stop writes it
// too.
//
// Thread-safe: every member may be called from any thread. The callback for
// written files runs on the render thread.
#ifndef QV_VIRTUAL_PRINTER_RENDER_RENDER_SERVICE_H_
#define QV_VIRTUAL_PRINTER_RENDER_RENDER_SERVICE_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/printer_engine.h"
#include "virtual_printer/render/receipt_renderer.h"
#include "virtual_printer/render/rendered_receipt.h"

namespace qvvp {

struct RenderOptions {
  std::filesystem::path directory;  // empty: no files
  bool keepInMemory = true;
  size_t maxKeptBytes = 256u << 20;
  size_t maxQueuedBytes = 16u << 20;
  RenderLimits limits;
  // Called after each file is written, with its path and the receipt; and
  // with an empty path for notes that came with no paper (a drawer pulse
  // after the last cut, when the printer stops).
  std::function<void(const std::filesystem::path&, const RenderedReceipt&)> onWritten;
  // Called when a file cannot be written, with the reason.
  std::function<void(const std::string&)> onError;
};

class CRenderService {
 public:
  // A command keeps at most this many bytes for the renderer (more than any
  // picture that fits the longest image needs).
  static constexpr size_t kMaxCommandBytes = 8u << 20;
  // Streams whose parsing is remembered; the least recently used goes.
  static constexpr size_t kMaxStreams = 16;

  // Starts the render thread. Null with the reason in `error` when the
  // fonts cannot be loaded or the directory cannot be made.
  static std::unique_ptr<CRenderService> Start(RenderOptions options, std::string* error);
  ~CRenderService();  // Stop()
  CRenderService(const CRenderService&) = delete;
  CRenderService& operator=(const CRenderService&) = delete;

  // Renders every byte `engine` receives from now on. The engine must
  // outlive the attachment: call Detach (or destroy the service) before
  // destroying the engine.
  void Attach(PrinterEngine& engine);
  void Detach();

  // Hands over bytes of the stream `stream` (a parser's stream_id()); never
  // waits.
  void Post(uint64_t stream, const uint8_t* data, size_t size);

  // Waits until everything posted so far is rendered (and written). False
  // on time-out (real milliseconds).
  bool WaitIdle(int64_t timeout_ms);
  // The paper since the last cut, once everything posted so far is
  // rendered; an empty image on time-out.
  RenderedReceipt Unfinished(int64_t timeout_ms);
  // Writes the paper since the last cut now, once everything posted so far
  // is rendered; returns the file, or empty when there is no paper, no
  // directory or the time ran out.
  std::filesystem::path WriteUnfinishedNow(int64_t timeout_ms);
  // Renders what is queued, writes the unfinished part and ends the thread.
  void Stop();

  // Bytes posted and not yet rendered.
  uint64_t backlog() const;

  // The finished images kept in memory, oldest first.
  std::vector<RenderedReceipt> Images() const;
  RenderStats stats() const;

 private:
  struct Chunk {
    uint64_t stream;
    std::vector<uint8_t> bytes;
  };
  struct Stream {
    std::unique_ptr<EscPosParser> parser;
    uint64_t lastUse = 0;
  };

  explicit CRenderService(RenderOptions options, CReceiptFonts* fonts);
  void Run();
  // Render thread: parses and renders one chunk.
  void Render(const Chunk& chunk);
  // Render thread: a finished image is written and kept.
  void Finished(RenderedReceipt&& receipt);
  std::filesystem::path Write(const RenderedReceipt& receipt);
  bool Snapshot(bool write, int64_t timeout_ms);

  RenderOptions m_options;
  mutable std::mutex m_mutex;  // guards everything below
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<Chunk> m_queue;
  size_t m_queuedBytes = 0;
  uint64_t m_lost = 0;                  // bytes dropped since the renderer last heard of it
  std::vector<uint64_t> m_lostStreams;  // streams that lost bytes since then
  uint64_t m_posted = 0;                // bytes
  uint64_t m_done = 0;
  bool m_busy = false;
  bool m_quit = false;
  bool m_finished = false;  // the render thread has ended
  bool m_snapshotWanted = false;
  bool m_snapshotWrite = false;
  uint64_t m_snapshots = 0;  // snapshots taken so far
  std::filesystem::path m_snapshotPath;
  std::vector<RenderedReceipt> m_images;
  size_t m_keptBytes = 0;
  RenderedReceipt m_unfinished;
  RenderStats m_stats;
  PrinterEngine* m_engine = nullptr;

  // Used by the render thread only.
  std::unique_ptr<CReceiptRenderer> m_renderer;
  std::map<uint64_t, Stream> m_streams;
  uint64_t m_uses = 0;
  std::thread m_thread;
};

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_RENDER_RENDER_SERVICE_H_
