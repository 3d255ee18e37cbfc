// Speed of the printer's graphics, in-process against the virtual printer on
// loopback TCP (a printer object opened, claimed and enabled in a temporary
// prefix):
//
//   BM_PrintBitmap576x1600  PrintBitmap of a 576 x 1600 24-bit BMP file, from
//                           the call until the virtual printer has parsed its
//                           raster command (file read, BMP reader, grey,
//                           dither, packing, write, parse).
//   BM_PrintQrCode          PrintBarCode of a 100-byte QR code until the
//                           virtual printer has parsed its print command.
//   BM_LoadBmp576x1600      the BMP reader alone, from the file.
//   BM_BmpToRaster576x1600  reader and conversion without the printer.
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/apartment/message_queue.h"
#include "platform/com/bstr.h"
#include "platform/com/runtime.h"
#include "platform/image/bmp_loader.h"
#include "platform/image/bmp_test_writer.h"
#include "platform/registry/registry.h"
#include "service_object/printer/opos_printer.h"
#include "service_object/printer/picture_dots.h"
#include "virtual_printer/virtual_printer.h"

namespace {

constexpr char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\GfxBench";

bool SetString(const char* name, const std::string& value) {
  qvplatform::RegKey handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDeviceKey, KEY_WRITE, handle.receive(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(handle.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// A temporary prefix holding the test picture.
class Prefix {
 public:
  Prefix() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-gfx-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    m_root = pattern;
    ::setenv("QV_OPOS_ROOT", m_root.c_str(), 1);
    qvplatform::BmpSpec spec;
    spec.width = 576;
    spec.height = 1600;
    spec.bits = 24;
    // A grey ramp with a pattern, so dithering has work in every row.
    spec.pixel = [](int32_t x, int32_t y) {
      uint32_t v = static_cast<uint32_t>((x + y * 3) % 256);
      return v | (((v * 7) & 0xFF) << 8) | (((255 - v) & 0xFF) << 16);
    };
    m_picture = m_root + "/picture.bmp";
    qvplatform::WriteFileBytes(m_picture, qvplatform::MakeBmp(spec));
  }
  ~Prefix() {
    if (!m_root.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(m_root, ec);
    }
  }
  const std::string& picture() const { return m_picture; }

 private:
  std::string m_root;
  std::string m_picture;
};

class Session {
 public:
  Session() {
    if (FAILED(CoInitialize(nullptr))) return;
    const std::string address = "127.0.94." + std::to_string(1 + getpid() % 250);
    if (m_printer.StartTcp(address, 9100) != 0) return;
    if (!SetString("Model", "80") || !SetString("IOType", "ENet") ||
        !SetString("EthIPAddr", address)) {
      return;
    }
    if (QVCOposPrinter::CreateInstance(nullptr, IID_IOposPrinter,
                                       reinterpret_cast<void**>(&m_itf)) != S_OK) {
      return;
    }
    qvplatform::Bstr deviceClass(u"POSPrinter");
    qvplatform::Bstr deviceName(u"GfxBench");
    LONG rc = -1;
    m_itf->OpenService(deviceClass.get(), deviceName.get(), nullptr, &rc);
    if (rc != 0) return;
    m_itf->ClaimDevice(1000, &rc);
    if (rc != 0) return;
    m_itf->SetPropertyNumber(3, 1);
    LONG enabled = 0;
    m_itf->GetPropertyNumber(3, &enabled);
    m_ready = enabled == 1;
    m_printer.engine().SetCommandObserver([this](const qvvp::ParsedCommand& command) {
      if (command.name == "GS v 0") ++m_rasters;
      if (command.name == "GS ( k") ++m_qrParts;
    });
  }
  ~Session() {
    m_printer.engine().SetCommandObserver(nullptr);
    if (m_itf != nullptr) {
      LONG rc = -1;
      m_itf->CloseService(&rc);
      m_itf->Release();
    }
    m_printer.Stop();
    CoUninitialize();
  }

  bool ready() const { return m_ready; }
  IOposPrinter* printer() { return m_itf; }
  std::atomic<uint64_t>& rasters() { return m_rasters; }
  std::atomic<uint64_t>& qrParts() { return m_qrParts; }

 private:
  qvvp::VirtualPrinter m_printer;
  IOposPrinter* m_itf = nullptr;
  bool m_ready = false;
  std::atomic<uint64_t> m_rasters{0};
  std::atomic<uint64_t> m_qrParts{0};
};

void BM_PrintBitmap576x1600(benchmark::State& state) {
  Prefix prefix;
  Session session;
  if (!session.ready()) {
    state.SkipWithError("the printer session could not be set up");
    return;
  }
  qvplatform::Bstr name(std::u16string(prefix.picture().begin(), prefix.picture().end()));
  for (auto _ : state) {
    const uint64_t target = session.rasters().load() + 1;
    LONG rc = -1;
    session.printer()->PrintBitmap(2, name.get(), -11, -1, &rc);
    if (rc != 0) {
      state.SkipWithError("PrintBitmap failed");
      return;
    }
    if (!qvplatform::PumpUntil([&] { return session.rasters().load() >= target; }, 10000)) {
      state.SkipWithError("the raster did not arrive");
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * 576 / 8 * 1600);
}
BENCHMARK(BM_PrintBitmap576x1600)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrintQrCode(benchmark::State& state) {
  Prefix prefix;
  Session session;
  if (!session.ready()) {
    state.SkipWithError("the printer session could not be set up");
    return;
  }
  qvplatform::Bstr data(std::u16string(100, u'Q'));
  for (auto _ : state) {
    const uint64_t target = session.qrParts().load() + 4;
    LONG rc = -1;
    session.printer()->PrintBarCode(2, data.get(), 204, 100, 6, -2, -11, &rc);
    if (rc != 0) {
      state.SkipWithError("PrintBarCode failed");
      return;
    }
    if (!qvplatform::PumpUntil([&] { return session.qrParts().load() >= target; }, 10000)) {
      state.SkipWithError("the QR code did not arrive");
      return;
    }
  }
}
BENCHMARK(BM_PrintQrCode)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LoadBmp576x1600(benchmark::State& state) {
  Prefix prefix;
  for (auto _ : state) {
    qvplatform::Picture picture;
    if (!qvplatform::LoadBmpFile(prefix.picture(), &picture)) {
      state.SkipWithError("the picture could not be read");
      return;
    }
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_LoadBmp576x1600)->Unit(benchmark::kMillisecond);

void BM_BmpToRaster576x1600(benchmark::State& state) {
  Prefix prefix;
  for (auto _ : state) {
    qvplatform::Picture picture;
    std::string raster;
    if (!qvplatform::LoadBmpFile(prefix.picture(), &picture) ||
        !PictureToRaster(picture.description, 576, UprightOrder(picture.description), &raster)) {
      state.SkipWithError("the picture could not be converted");
      return;
    }
    benchmark::DoNotOptimize(raster.data());
  }
}
BENCHMARK(BM_BmpToRaster576x1600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
