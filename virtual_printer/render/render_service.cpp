#include "virtual_printer/render/render_service.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <utility>

#include "virtual_printer/render/png_file.h"

namespace qvvp {

namespace {

// The render thread's nice value (Linux gives each thread its own).
constexpr int kRenderNice = 10;

// What a queued chunk costs beyond its bytes.
constexpr size_t kChunkOverhead = 64;

}  // namespace

std::unique_ptr<CRenderService> CRenderService::Start(RenderOptions options, std::string* error) {
  CReceiptFonts* fonts = CReceiptFonts::Shared(error);
  if (fonts == nullptr) return nullptr;
  if (!options.directory.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.directory, ec);
    if (ec || !std::filesystem::is_directory(options.directory)) {
      *error = "cannot make the directory " + options.directory.string() +
               (ec ? ": " + ec.message() : "");
      return nullptr;
    }
  }
  std::unique_ptr<CRenderService> service(new CRenderService(std::move(options), fonts));
  service->m_thread = std::thread([raw = service.get()] { raw->Run(); });
  return service;
}

CRenderService::CRenderService(RenderOptions options, CReceiptFonts* fonts)
    : m_options(std::move(options)) {
  m_renderer = std::make_unique<CReceiptRenderer>(
      fonts, [this](RenderedReceipt&& receipt) { Finished(std::move(receipt)); }, m_options.limits);
}

CRenderService::~CRenderService() {
  Detach();
  Stop();
}

void CRenderService::Attach(PrinterEngine& engine) {
  Detach();
  engine.SetStreamObserver(
      [this](uint64_t stream, const uint8_t* data, size_t size) { Post(stream, data, size); });
  std::lock_guard<std::mutex> lock(m_mutex);
  m_engine = &engine;
}

void CRenderService::Detach() {
  PrinterEngine* engine;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    engine = m_engine;
    m_engine = nullptr;
  }
  if (engine != nullptr) engine->SetStreamObserver(nullptr);
}

void CRenderService::Post(uint64_t stream, const uint8_t* data, size_t size) {
  if (size == 0) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_quit) return;
  if (m_queuedBytes + size + kChunkOverhead > m_options.maxQueuedBytes) {
    m_lost += size;
    m_stats.lostBytes += size;
    m_lostStreams.push_back(stream);
    return;
  }
  // The render thread waits only on an empty queue: one wake-up is enough.
  const bool wake = m_queue.empty();
  m_queue.push_back({stream, std::vector<uint8_t>(data, data + size)});
  m_queuedBytes += size + kChunkOverhead;
  m_posted += size;
  if (wake) m_wake.notify_one();
}

void CRenderService::Render(const Chunk& chunk) {
  Stream& stream = m_streams[chunk.stream];
  stream.lastUse = ++m_uses;
  if (!stream.parser) {
    stream.parser = std::make_unique<EscPosParser>(
        [this](ParsedCommand&& command) { m_renderer->Consume(command); }, kMaxCommandBytes);
    if (m_streams.size() > kMaxStreams) {
      auto oldest = m_streams.begin();
      for (auto it = m_streams.begin(); it != m_streams.end(); ++it) {
        if (it->second.lastUse < oldest->second.lastUse) oldest = it;
      }
      m_streams.erase(oldest);
    }
  }
  m_streams[chunk.stream].parser->Feed(chunk.bytes.data(), chunk.bytes.size());
}

void CRenderService::Run() {
  // Rendering is background work: the printer's I/O thread comes first.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kRenderNice);
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [&] { return m_quit || !m_queue.empty() || m_snapshotWanted; });
    if (!m_queue.empty()) {
      std::deque<Chunk> batch;
      batch.swap(m_queue);
      const uint64_t lost = m_lost;
      std::vector<uint64_t> lostStreams;
      lostStreams.swap(m_lostStreams);
      m_lost = 0;
      m_busy = true;
      lock.unlock();
      if (lost > 0) m_renderer->NoteLost(lost);
      // A stream that lost bytes is read afresh from its next bytes on.
      for (uint64_t stream : lostStreams) m_streams.erase(stream);
      size_t bytes = 0;
      for (const Chunk& chunk : batch) {
        Render(chunk);
        bytes += chunk.bytes.size();
      }
      RenderStats stats = m_renderer->stats();
      lock.lock();
      stats.lostBytes = m_stats.lostBytes;
      m_stats = std::move(stats);
      m_queuedBytes -= bytes + batch.size() * kChunkOverhead;
      m_done += bytes;
      m_busy = false;
      m_idle.notify_all();
      continue;
    }
    if (m_snapshotWanted) {
      const bool write = m_snapshotWrite;
      m_snapshotWanted = false;
      m_busy = true;
      lock.unlock();
      RenderedReceipt receipt = m_renderer->Unfinished();
      std::filesystem::path path;
      if (write && !receipt.image.empty()) path = Write(receipt);
      lock.lock();
      m_unfinished = std::move(receipt);
      m_snapshotPath = path;
      ++m_snapshots;
      m_busy = false;
      m_idle.notify_all();
      continue;
    }
    if (m_quit) break;
  }
  lock.unlock();
  m_renderer->FinishUnfinished();
  lock.lock();
  RenderStats stats = m_renderer->stats();
  stats.lostBytes = m_stats.lostBytes;
  m_stats = std::move(stats);
  m_finished = true;
  m_idle.notify_all();
}

void CRenderService::Finished(RenderedReceipt&& receipt) {
  if (receipt.image.empty()) {
    // Notes without paper (a drawer pulse after the last cut): told, not kept.
    if (m_options.onWritten) m_options.onWritten({}, receipt);
    return;
  }
  if (!m_options.directory.empty()) Write(receipt);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_options.keepInMemory) return;
  m_keptBytes += receipt.image.dots().size();
  m_images.push_back(std::move(receipt));
  while (m_keptBytes > m_options.maxKeptBytes && m_images.size() > 1) {
    m_keptBytes -= m_images.front().image.dots().size();
    m_images.erase(m_images.begin());
  }
}

std::filesystem::path CRenderService::Write(const RenderedReceipt& receipt) {
  char name[32];
  std::snprintf(name, sizeof(name), "receipt-%04llu.png",
                static_cast<unsigned long long>(receipt.number));
  const std::filesystem::path file = m_options.directory / name;
  std::string error;
  if (!WritePng(receipt, file, &error)) {
    if (m_options.onError) m_options.onError(error);
    return {};
  }
  if (m_options.onWritten) m_options.onWritten(file, receipt);
  return file;
}

bool CRenderService::WaitIdle(int64_t timeout_ms) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const uint64_t target = m_posted;
  return m_idle.wait_for(lock, std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms), [&] {
    return (m_done >= target && !m_busy && !m_snapshotWanted) || m_finished;
  });
}

bool CRenderService::Snapshot(bool write, int64_t timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  if (!WaitIdle(timeout_ms)) return false;
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_quit || m_finished) return false;
  const uint64_t target = m_snapshots + 1;
  m_snapshotWanted = true;
  m_snapshotWrite = write;
  m_wake.notify_one();
  return m_idle.wait_until(lock, deadline, [&] { return m_snapshots >= target; });
}

RenderedReceipt CRenderService::Unfinished(int64_t timeout_ms) {
  if (!Snapshot(false, timeout_ms)) return {};
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_unfinished;
}

std::filesystem::path CRenderService::WriteUnfinishedNow(int64_t timeout_ms) {
  if (!Snapshot(true, timeout_ms)) return {};
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_snapshotPath;
}

void CRenderService::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
    m_wake.notify_one();
  }
  if (m_thread.joinable()) m_thread.join();
}

uint64_t CRenderService::backlog() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_posted - m_done;
}

std::vector<RenderedReceipt> CRenderService::Images() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_images;
}

RenderStats CRenderService::stats() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_stats;
}

}  // namespace qvvp
