#include "platform/base/clock.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace qvplatform {

namespace {

double ReadScale() {
  const char* env = std::getenv("QV_OPOS_TIME_SCALE");
  if (env == nullptr || *env == '\0') return 1.0;
  char* end = nullptr;
  double value = std::strtod(env, &end);
  if (end == env || !std::isfinite(value) || value <= 0.0) return 1.0;
  return value;
}

std::atomic<double>& ScaleSlot() {
  static std::atomic<double> scale{ReadScale()};
  return scale;
}

}  // namespace

double TimeScale() { return ScaleSlot().load(std::memory_order_relaxed); }

void SetTimeScaleForTesting(double scale) {
  if (scale > 0.0 && std::isfinite(scale)) ScaleSlot().store(scale, std::memory_order_relaxed);
}

int64_t ScaledMs(int64_t ms) {
  if (ms <= 0) return ms;
  double scaled = static_cast<double>(ms) * TimeScale();
  if (scaled < 1.0) return 1;
  if (scaled > 9.0e15) return static_cast<int64_t>(9.0e15);
  return static_cast<int64_t>(scaled);
}

std::chrono::milliseconds Scaled(int64_t ms) { return std::chrono::milliseconds(ScaledMs(ms)); }

void Sleep(int64_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(Scaled(ms));
}

uint64_t GetTickCount64() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace qvplatform
