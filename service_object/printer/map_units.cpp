#include "service_object/printer/map_units.h"

#include "service_object/printer/printer_constants.h"

namespace {

// One twip in inches as a single-precision constant: 0.000694444461.
constexpr double kTwipInches = static_cast<double>(1.0f / 1440.0f);

}  // namespace

int64_t MapUnitsToDots(int32_t mapMode, int32_t value) {
  const double v = value;
  double dots;
  switch (mapMode) {
    case PTR_MM_DOTS: return value;
    case PTR_MM_TWIPS: dots = v * kTwipInches * 25.4 * 8; break;
    case PTR_MM_ENGLISH: dots = v * 0.001 * 25.4 * 8; break;
    default: dots = v * 0.01 * 8; break;
  }
  return static_cast<int64_t>(dots);
}
