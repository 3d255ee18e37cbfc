// QVCOposPrinter: PrintBitmap (a BMP file), SetBitmap (a BMP file converted
// once into stored bitmap 1 to 20, printed later by ESC|#B) and
// PrintMemoryBitmap (image data passed by the caller).
//
// All three print pictures upright whatever the row order of their memory,
// and refuse (106) a picture whose decoded size exceeds kMaxImagePixels or
// whose size at the wanted width exceeds the conversion's bounds, before
// converting it. A call that fails takes back what it appended.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/base/prefix.h"
#include "platform/image/bmp_loader.h"
#include "platform/image/image_decoder.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"
#include "service_object/printer/esc_cmd.h"
#include "service_object/printer/map_units.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/picture_dots.h"
#include "service_object/printer/printer_constants.h"
#include "service_object/printer/printer_tables.h"

namespace {

constexpr LONG PTR_BM_ASIS = -11;
constexpr LONG PTR_BM_LEFT = -1;
constexpr LONG PTR_BM_CENTER = -2;
constexpr LONG PTR_BMT_BMP = 1;
constexpr char kFileNotExist[] = "PrintBitmap:FileName not exist.";

LONG Justification(LONG alignment) {
  if (alignment == PTR_BM_LEFT) return 0;
  if (alignment == PTR_BM_CENTER) return 1;
  return 2;
}

bool FileExists(const std::string& name) {
  std::error_code error;
  return std::filesystem::exists(qvplatform::MapWindowsPath(name), error);
}

// True when the picture at `width` dots a row stays inside the bounds of
// the conversion and of the raster command.
bool RasterSizeAllowed(const qvplatform::DibDescription& picture, int64_t width) {
  if (width <= 0 || width > kMaxRasterWidthDots) return false;
  const int64_t height = ScaledHeight(picture.width, picture.height, width);
  if (height <= 0 || height > kMaxRasterRows) return false;
  return width <= kMaxPictureDots / height;
}

std::string PointerText(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof(text), "%p", pointer);
  return text;
}

}  // namespace

void QVCOposPrinter::TraceBitmapDescription(const qvplatform::DibDescription& d) const {
  Trace(4, "<<< BM bmBits" + PointerText(d.bits.data()));
  Trace(4, "<<< BM bmBitsPixel" + NumToString(static_cast<long long>(d.bits_per_pixel)));
  Trace(4, "<<< BM bmHeight" + NumToString(static_cast<long long>(d.height)));
  Trace(4, "<<< BM bmPlanes" + NumToString(static_cast<long long>(d.planes)));
  Trace(4, "<<< BM bmWidthBytes" + NumToString(static_cast<long long>(d.width_bytes)));
  Trace(4, "<<< BM bmWidth" + NumToString(static_cast<long long>(d.width)));
  Trace(4, "<<< BM bmType" + NumToString(static_cast<long long>(d.type)));
}

int32_t QVCOposPrinter::AppendPicture(Cmd& cmd, const qvplatform::DibDescription& picture,
                                      LONG Width, LONG Alignment) const {
  const int64_t width = Width == PTR_BM_ASIS ? picture.width : MapUnitsToDots(m_mapMode, Width);
  if (!RasterSizeAllowed(picture, width)) return OPOS_E_ILLEGAL;
  const LONG before = cmd.Length();
  LONG result = cmd.SetJustification(Justification(Alignment));
  if (result == OPOS_SUCCESS) {
    const LONG dots = static_cast<LONG>(width);
    // Upright: rows go out top row first whatever the memory order.
    result = UprightOrder(picture) == RowOrder::kMemory
                 ? cmd.AppendRasterImage(picture, dots)
                 : cmd.AppendRasterImageFlipped(picture, dots);
  }
  if (result != OPOS_SUCCESS) cmd.Truncate(before);
  return result;
}

int32_t QVCOposPrinter::FinishPicturePrint() {
  int32_t result = m_outputMode == 0 ? WriteDeviceBuffer() : OPOS_SUCCESS;
  if (result == OPOS_SUCCESS) m_resultCodeExtended = OPOS_EPTR_SUCCESS_PRINT;
  return result;
}

HRESULT QVCOposPrinter::PrintBitmap(LONG Station, BSTR FileName, LONG Width, LONG Alignment,
                                    LONG* pRC) {
  Guarded("PrintBitmap", pRC, [&] {
    const std::string name = ToAnsi(FileName);
    Trace(4, ">>> PrintBitmap FileName:" + name);
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("PrintBitmap", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("PrintBitmap", OPOS_E_DISABLED, pRC);
      return;
    }
    m_resultCode = OPOS_E_ILLEGAL;
    if (Station != PTR_S_RECEIPT) throw OposError("PrintBitmap:Invalid Station");
    if (pRC == nullptr) throw OposError("PrintBitmap:pRC NULL");
    if (!FileExists(name)) {
      TraceError(std::string("Error: PrintBitmap: ") + kFileNotExist);
      CompleteMethod("PrintBitmap", OPOS_E_NOEXIST, pRC);
      return;
    }
    qvplatform::Picture picture;
    if (!qvplatform::LoadBmpFile(qvplatform::MapWindowsPath(name).string(), &picture)) {
      CompleteMethod("PrintBitmap", OPOS_E_ILLEGAL, pRC);
      return;
    }
    TraceBitmapDescription(picture.description);
    int32_t result = AppendPicture(*m_cmd, picture.description, Width, Alignment);
    if (result == OPOS_SUCCESS) result = FinishPicturePrint();
    CompleteMethod("PrintBitmap", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::SetBitmap(LONG BitmapNumber, LONG Station, BSTR FileName, LONG Width,
                                  LONG Alignment, LONG* pRC) {
  Guarded("SetBitmap", pRC, [&] {
    TraceEnter("SetBitmap");
    m_resultCode = OPOS_E_ILLEGAL;
    if (pRC == nullptr) throw OposError("SetBitmap NULL pointer");
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("SetBitmap", OPOS_E_NOTCLAIMED, pRC);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("SetBitmap", OPOS_E_DISABLED, pRC);
      return;
    }
    if (Station != PTR_S_RECEIPT) throw OposError("SetBitmap:Invalid Station");
    if (BitmapNumber < 1 || BitmapNumber > kStoredBitmapCount) {
      throw OposError("SetBitmap:Invalid BitmapNumber");
    }
    if (Alignment < -3) throw OposError("SetBitmap:Invalid Alignment");
    const std::string name = ToAnsi(FileName);
    if (!FileExists(name)) {
      TraceError(std::string("Error: SetBitmap: ") + kFileNotExist);
      CompleteMethod("SetBitmap", OPOS_E_NOEXIST, pRC);
      return;
    }
    qvplatform::Picture picture;
    if (!qvplatform::LoadBmpFile(qvplatform::MapWindowsPath(name).string(), &picture)) {
      CompleteMethod("SetBitmap", OPOS_E_NOEXIST, pRC);
      return;
    }
    TraceBitmapDescription(picture.description);
    EscCmd stored;
    int32_t result = AppendPicture(stored, picture.description, Width, Alignment);
    if (result == OPOS_SUCCESS) {
      SetStoredBitmap(BitmapNumber, std::string(stored.Bytes()));
      m_resultCodeExtended = OPOS_EPTR_SUCCESS_BITMAP;
    }
    CompleteMethod("SetBitmap", result, pRC);
  });
  return S_OK;
}

HRESULT QVCOposPrinter::PrintMemoryBitmap(LONG Station, BSTR Data, LONG Type, LONG Width,
                                          LONG Alignment) {
  Guarded("PrintMemoryBitmap", nullptr, [&] {
    TraceEnter("PrintMemoryBitmap");
    m_resultCode = OPOS_E_ILLEGAL;
    const uint32_t flags = m_flags.load();
    if ((flags & kFlagClaimed) == 0) {
      CompleteMethod("PrintMemoryBitmap", OPOS_E_NOTCLAIMED, nullptr);
      return;
    }
    if ((flags & kFlagDeviceEnabled) == 0) {
      CompleteMethod("PrintMemoryBitmap", OPOS_E_DISABLED, nullptr);
      return;
    }
    if (Station != PTR_S_RECEIPT) throw OposError("PrintMemoryBitmap:Invalid Station");
    if (Type != PTR_BMT_BMP) {
      CompleteMethod("PrintMemoryBitmap", OPOS_E_ILLEGAL, nullptr);
      return;
    }
    const std::string bytes = DecodeBinary(ToAnsi(Data));
    qvplatform::Picture picture;
    if (!qvplatform::DecodeImage(
            std::span<const BYTE>(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()),
            &picture)) {
      CompleteMethod("PrintMemoryBitmap", OPOS_E_ILLEGAL, nullptr);
      return;
    }
    int32_t result = AppendPicture(*m_cmd, picture.description, Width, Alignment);
    if (result == OPOS_SUCCESS) result = FinishPicturePrint();
    CompleteMethod("PrintMemoryBitmap", result, nullptr);
  });
  return S_OK;
}
