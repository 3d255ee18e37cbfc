// Cmd: a printer command object. It is a growable byte buffer plus one
// operation per printer command; every operation appends the exact bytes of
// its command (or a short fixed group of commands) to the buffer and returns
// the result of that append: 0 (OPOS_SUCCESS) or 111 (OPOS_E_FAILURE) when
// memory runs out. An operation that fails appends nothing.
//
// The operations are pure virtual here, in their fixed slot order; EscCmd is
// the ESC/POS implementation. Barcode operations raise OposError (a print
// error) for data their command cannot carry.
//
// The object owns its buffer. It is used by one thread at a time and is never
// copied.
#ifndef QV_SERVICE_OBJECT_PRINTER_CMD_H_
#define QV_SERVICE_OBJECT_PRINTER_CMD_H_

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/base/wintypes.h"
#include "platform/image/dib.h"

class Cmd {
 public:
  static constexpr LONG kInitialCapacity = 2048;

  Cmd(const Cmd&) = delete;
  Cmd& operator=(const Cmd&) = delete;
  virtual ~Cmd();

  // Appends `n` bytes. When the free space is smaller than n the buffer is
  // reallocated to n + 2 x capacity. Returns 0, or 111 when n is negative or
  // the allocation fails; the buffer is then unchanged.
  LONG Append(const BYTE* bytes, LONG n);
  LONG Append(std::string_view bytes);

  // Forgets the contents and keeps the storage.
  void Clear() { m_cmdLen = 0; }

  // Cuts the contents back to `length` bytes (no-op when length is not
  // shorter than what is held). Lets a caller undo a failed job.
  void Truncate(LONG length);

  const BYTE* Data() const { return m_cmdBuf.get(); }
  LONG Length() const { return m_cmdLen; }
  LONG Capacity() const { return m_cmdSize; }
  std::string_view Bytes() const {
    return {reinterpret_cast<const char*>(m_cmdBuf.get()), static_cast<size_t>(m_cmdLen)};
  }

  // Slots 1 to 55. An argument n is sent as its low 8 bits.
  virtual LONG Initialize() = 0;
  virtual LONG RequestPrinterId() = 0;
  virtual LONG RequestPrinterInfo() = 0;
  virtual LONG SetEmphasized(LONG n) = 0;
  virtual LONG SelectPeripheral(LONG n) = 0;
  virtual LONG SelectCodeTable(LONG n) = 0;
  virtual LONG SetParameterBlock(LONG a, LONG b, LONG c, LONG d) = 0;
  virtual LONG SetDoubleStrike(LONG n) = 0;
  virtual LONG SetUnderline(LONG n) = 0;
  virtual LONG SetCharacterSize(LONG n) = 0;
  virtual LONG FeedDots(LONG n) = 0;
  virtual LONG FeedLines(LONG n) = 0;
  virtual LONG SelectInternationalSet(LONG n) = 0;
  virtual LONG SetUpsideDown(LONG n) = 0;
  virtual LONG SetRotate90(LONG n) = 0;
  virtual LONG Reserved(LONG n) = 0;
  virtual LONG SelectFont(LONG n) = 0;
  virtual LONG SetLeftMargin(LONG nL, LONG nH) = 0;
  virtual LONG SetPrintAreaWidth(LONG nL, LONG nH) = 0;
  virtual LONG SelectKanjiMode() = 0;
  virtual LONG SetFs3(LONG n) = 0;
  virtual LONG SetJustification(LONG n) = 0;
  virtual LONG CutOnePointLeft() = 0;
  virtual LONG CutThreePointsLeft() = 0;
  virtual LONG FeedLineBreaks(LONG n) = 0;
  virtual LONG SetAbsolutePosition(LONG nL, LONG nH) = 0;
  virtual LONG SetAbsoluteVerticalPosition(LONG nL, LONG nH) = 0;
  virtual LONG SelectStandardMode() = 0;
  virtual LONG SelectPageMode() = 0;
  virtual LONG PrintPage() = 0;
  virtual LONG SetPageArea(LONG x, LONG y, LONG dx, LONG dy) = 0;
  virtual LONG SetPageDirection(LONG rotation) = 0;
  // The picture converted to `width` dots a row, rows in memory order.
  virtual LONG AppendRasterImage(const qvplatform::DibDescription& picture, LONG width) = 0;
  // The same with the row order reversed (last memory row first).
  virtual LONG AppendRasterImageFlipped(const qvplatform::DibDescription& picture, LONG width) = 0;
  virtual LONG SetHriPosition(LONG p) = 0;
  virtual LONG SetBarcodeHeight(LONG n) = 0;
  virtual LONG SetBarcodeModuleWidth(LONG n) = 0;
  virtual LONG PrintUpcBarcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintEanBarcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintCode93Barcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintItfBarcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintCodabarBarcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintOtherBarcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintCode128Barcode(std::string_view data, LONG m) = 0;
  virtual LONG PrintPdf417(std::string_view data, LONG m, LONG n, LONG k) = 0;
  virtual LONG SetQrModuleSize(LONG s) = 0;
  virtual LONG SetQrErrorCorrection(LONG e) = 0;
  virtual LONG PrintQrCode(std::string_view data) = 0;
  virtual LONG GeneratePulseRealTime(LONG a, LONG b, LONG c) = 0;
  virtual LONG KickDrawer(LONG m, LONG t1, LONG t2) = 0;
  virtual LONG RequestAllStatus() = 0;
  virtual LONG RequestPrinterStatus() = 0;
  virtual LONG RequestOfflineStatus() = 0;
  virtual LONG RequestErrorStatus() = 0;
  virtual LONG RequestPaperStatus() = 0;

 protected:
  Cmd();

 private:
  std::unique_ptr<BYTE[]> m_cmdBuf;
  LONG m_cmdLen = 0;
  LONG m_cmdSize = 0;
};

#endif  // QV_SERVICE_OBJECT_PRINTER_CMD_H_
