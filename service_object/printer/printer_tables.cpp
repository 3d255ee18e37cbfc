#include "service_object/printer/printer_tables.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace {

std::mutex g_tablesLock;
std::string g_storedBitmaps[kStoredBitmapCount];
std::string g_logos[kLogoCount];
std::atomic<bool> g_logoTop{false};
std::atomic<bool> g_logoBottom{false};

}  // namespace

std::string GetStoredBitmap(int32_t number) {
  if (number < 1 || number > kStoredBitmapCount) return {};
  std::lock_guard<std::mutex> lock(g_tablesLock);
  return g_storedBitmaps[number - 1];
}

void SetStoredBitmap(int32_t number, std::string bytes) {
  if (number < 1 || number > kStoredBitmapCount) return;
  std::lock_guard<std::mutex> lock(g_tablesLock);
  g_storedBitmaps[number - 1] = std::move(bytes);
}

std::string GetLogo(int32_t number) {
  if (number < 1 || number > kLogoCount) return {};
  std::lock_guard<std::mutex> lock(g_tablesLock);
  return g_logos[number - 1];
}

void ClearPrinterTables() {
  std::lock_guard<std::mutex> lock(g_tablesLock);
  for (std::string& entry : g_storedBitmaps) std::string().swap(entry);
  for (std::string& entry : g_logos) std::string().swap(entry);
}

void SetLogoRequest(bool top) { (top ? g_logoTop : g_logoBottom) = true; }

bool LogoRequested(bool top) { return (top ? g_logoTop : g_logoBottom).load(); }

void ClearLogoRequests() {
  g_logoTop = false;
  g_logoBottom = false;
}
