// Conversion of a length in the printer's map mode to dots (8 dots a
// millimetre), fraction discarded toward zero:
//   1 dots     v
//   2 twips    v x 0.000694444461 x 25.4 x 8 (1/1440 held in single precision)
//   3 English  v x 0.001 x 25.4 x 8
//   other      v x 0.01 x 8 (metric, 0.01 mm)
// Computed in double precision in the order written. Pure; any thread.
#ifndef QV_SERVICE_OBJECT_PRINTER_MAP_UNITS_H_
#define QV_SERVICE_OBJECT_PRINTER_MAP_UNITS_H_

#include <cstdint>

int64_t MapUnitsToDots(int32_t mapMode, int32_t value);

#endif  // QV_SERVICE_OBJECT_PRINTER_MAP_UNITS_H_
