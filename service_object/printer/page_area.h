// The page area of PageModePrintArea: "x,y,width,height", each a decimal
// number in map units (no digits give 0, a missing field is 0). An empty
// text gives the default area 0, 0, 512, 1572. Pure; any thread.
#ifndef QV_SERVICE_OBJECT_PRINTER_PAGE_AREA_H_
#define QV_SERVICE_OBJECT_PRINTER_PAGE_AREA_H_

#include <cstdint>
#include <string_view>

struct PageArea {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

PageArea ParsePageModePrintArea(std::string_view text);

#endif  // QV_SERVICE_OBJECT_PRINTER_PAGE_AREA_H_
