// The status image and StatusByteIndex.
//
// A status image is 4 bytes: the latest answer to each of the printer's four
// real-time status requests (0 printer, 1 off-line, 2 error, 3 paper sensor).
// Each channel's read thread owns one image, zeroed when the thread starts.
// A device sets StatusByteIndex to the position of the answer it expects just
// before it sends a request; read threads read it when bytes arrive. Both are
// single atomic words, safe from any thread.
#ifndef QV_SERVICE_OBJECT_COMM_STATUS_IMAGE_H_
#define QV_SERVICE_OBJECT_COMM_STATUS_IMAGE_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// Position (0 to 3) that the next status answer belongs in; any other value
// makes the read threads discard what they read. Initially 0.
extern std::atomic<int32_t> StatusByteIndex;

constexpr size_t kStatusImageSize = 4;

// A zeroed 4-byte image.
inline std::string NewStatusImage() { return std::string(kStatusImageSize, '\0'); }

// Stores the first byte of `read` at position StatusByteIndex of `image`.
// Returns false (image unchanged) when `read` is empty or the index is out of
// range 0 to 3; the caller then delivers nothing.
bool UpdateStatusImage(std::string& image, std::string_view read);

#endif  // QV_SERVICE_OBJECT_COMM_STATUS_IMAGE_H_
