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

// What a queued command costs beyond its bytes (names, bookkeeping).
constexpr size_t kCommandOverhead = 96;

size_t Cost(const ParsedCommand& command) { return command.bytes.size() + kCommandOverhead; }

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
  engine.SetWholeCommandObserver([this](const ParsedCommand& command) { Post(command); },
                                 kMaxCommandBytes);
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
  if (engine != nullptr) engine->SetWholeCommandObserver(nullptr, 0);
}

void CRenderService::Post(const ParsedCommand& command) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_quit) return;
  if (m_queuedBytes + Cost(command) > m_options.maxQueuedBytes) {
    ++m_lost;
    ++m_stats.lostCommands;
    return;
  }
  // The render thread waits only on an empty queue: one wake-up is enough.
  const bool wake = m_queue.empty();
  // The renderer reads no labels: a copy without one costs an allocation less.
  ParsedCommand& copy = m_queue.emplace_back();
  copy.kind = command.kind;
  copy.offset = command.offset;
  copy.length = command.length;
  copy.name = command.name;
  copy.bytes = command.bytes;
  copy.truncated = command.truncated;
  m_queuedBytes += Cost(command);
  ++m_posted;
  if (wake) m_wake.notify_one();
}

void CRenderService::Run() {
  // Rendering is background work: the printer's I/O thread comes first.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kRenderNice);
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [&] { return m_quit || !m_queue.empty() || m_snapshotWanted; });
    if (!m_queue.empty()) {
      std::deque<ParsedCommand> batch;
      batch.swap(m_queue);
      const uint64_t lost = m_lost;
      m_lost = 0;
      m_busy = true;
      lock.unlock();
      if (lost > 0) m_renderer->NoteLost(lost);
      size_t cost = 0;
      for (const ParsedCommand& command : batch) {
        m_renderer->Consume(command);
        cost += Cost(command);
      }
      RenderStats stats = m_renderer->stats();
      lock.lock();
      stats.lostCommands = m_stats.lostCommands;
      m_stats = std::move(stats);
      m_queuedBytes -= cost;
      m_done += batch.size();
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
  stats.lostCommands = m_stats.lostCommands;
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
