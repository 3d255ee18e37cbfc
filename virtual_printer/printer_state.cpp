#include "virtual_printer/printer_state.h"

namespace qvvp {

std::optional<uint8_t> StatusByte(const PrinterState& state, int n) {
  uint8_t value = 0x12;
  switch (n) {
    case 1:
      if (!state.drawerOpen) value |= 0x04;
      if (state.offline || state.coverOpen || state.paperEnd) value |= 0x08;
      return value;
    case 2:
      if (state.coverOpen) value |= 0x04;
      if (state.paperEnd) value |= 0x20;
      return value;
    case 3: return value;
    case 4:
      if (state.paperNearEnd) value |= 0x0C;
      if (state.paperEnd) value |= 0x60;
      return value;
    default: return std::nullopt;
  }
}

}  // namespace qvvp
