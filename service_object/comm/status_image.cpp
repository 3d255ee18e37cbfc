#include "service_object/comm/status_image.h"

std::atomic<int32_t> StatusByteIndex{0};

bool UpdateStatusImage(std::string& image, std::string_view read) {
  if (read.empty()) return false;
  const int32_t index = StatusByteIndex.load();
  if (index < 0 || index > 3) return false;
  if (image.size() != kStatusImageSize) image.assign(kStatusImageSize, '\0');
  image[static_cast<size_t>(index)] = read[0];
  return true;
}
