// Picture decoding on Windows: BMP data goes to our own reader, PNG, JPEG
// and GIF to the Windows Imaging Component (WIC), whose frame size is read
// before any pixel is decoded.
#include "platform/image/image_decoder.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "platform/image/bmp_loader.h"

namespace qvplatform {

namespace {

bool StartsWith(std::span<const BYTE> data, std::initializer_list<BYTE> signature) {
  return data.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), data.begin());
}

bool IsWicFormat(std::span<const BYTE> data) {
  return StartsWith(data, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}) ||
         StartsWith(data, {0xFF, 0xD8, 0xFF}) || StartsWith(data, {'G', 'I', 'F', '8'});
}

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

// COM on the calling thread for the decoding: joined when the thread already
// has an apartment of either kind, started (and ended again) otherwise.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

bool DecodedSizeAllowed(UINT width, UINT height) {
  return width > 0 && height > 0 && width <= kMaxImagePixels &&
         static_cast<int64_t>(width) * height <= kMaxImagePixels;
}

// The first frame of a PNG, JPEG or GIF as 32-bit BGRA, top-down.
bool DecodeWithWic(std::span<const BYTE> data, Picture* picture) {
  ComScope com;
  if (!com.usable()) return false;
  IWICImagingFactory* raw_factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&raw_factory)))) {
    return false;
  }
  ComPtr<IWICImagingFactory> factory(raw_factory);
  IWICStream* raw_stream = nullptr;
  if (FAILED(factory->CreateStream(&raw_stream))) return false;
  ComPtr<IWICStream> stream(raw_stream);
  if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data.data()),
                                          static_cast<DWORD>(data.size())))) {
    return false;
  }
  IWICBitmapDecoder* raw_decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &raw_decoder))) {
    return false;
  }
  ComPtr<IWICBitmapDecoder> decoder(raw_decoder);
  IWICBitmapFrameDecode* raw_frame = nullptr;
  if (FAILED(decoder->GetFrame(0, &raw_frame))) return false;
  ComPtr<IWICBitmapFrameDecode> frame(raw_frame);
  // The header alone: refuse oversized pictures before decoding them.
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || !DecodedSizeAllowed(width, height)) return false;
  IWICBitmapSource* raw_converted = nullptr;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), &raw_converted))) {
    return false;
  }
  ComPtr<IWICBitmapSource> converted(raw_converted);
  try {
    Picture p;
    const UINT stride = width * 4;
    p.pixels.resize(static_cast<size_t>(stride) * height);
    if (FAILED(converted->CopyPixels(nullptr, stride, static_cast<UINT>(p.pixels.size()),
                                     p.pixels.data()))) {
      return false;
    }
    DibDescription& desc = p.description;
    desc.type = 0;
    desc.width = static_cast<LONG>(width);
    desc.height = static_cast<LONG>(height);
    desc.width_bytes = static_cast<LONG>(stride);
    desc.planes = 1;
    desc.bits_per_pixel = 32;
    desc.top_down = true;
    desc.bits = std::span<const BYTE>(p.pixels);
    desc.red_mask = 0x00FF0000;
    desc.green_mask = 0x0000FF00;
    desc.blue_mask = 0x000000FF;
    desc.alpha_mask = 0xFF000000;
    *picture = std::move(p);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool DecodeImage(std::span<const BYTE> data, Picture* picture) {
  if (data.empty() || data.size() > static_cast<size_t>(INT_MAX)) return false;
  if (StartsWith(data, {'B', 'M'})) return DecodeBmp(data, picture);
  if (!IsWicFormat(data)) return false;
  return DecodeWithWic(data, picture);
}

}  // namespace qvplatform
