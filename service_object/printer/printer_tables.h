// The printer tables of the process: 20 stored bitmaps and 2 logos, each
// entry the printer bytes of a converted picture or a logo text, and the two
// logo requests a translation raises (ESC|tL, ESC|bL). Shared by every
// printer object of the process; guarded, any thread.
#ifndef QV_SERVICE_OBJECT_PRINTER_PRINTER_TABLES_H_
#define QV_SERVICE_OBJECT_PRINTER_PRINTER_TABLES_H_

#include <cstdint>
#include <string>

constexpr int32_t kStoredBitmapCount = 20;
constexpr int32_t kLogoCount = 2;

// Entry `number` (1 to 20); empty when unset or out of range.
std::string GetStoredBitmap(int32_t number);
void SetStoredBitmap(int32_t number, std::string bytes);
// Logo 1 (top) or 2 (bottom); empty when unset.
std::string GetLogo(int32_t number);
// Empties both tables (CloseService).
void ClearPrinterTables();

// Logo requests, cleared at the start of every PrintNormal/PrintImmediate.
void SetLogoRequest(bool top);
bool LogoRequested(bool top);
void ClearLogoRequests();

#endif  // QV_SERVICE_OBJECT_PRINTER_PRINTER_TABLES_H_
