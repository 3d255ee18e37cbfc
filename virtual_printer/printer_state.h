// The state of the virtual printer's sensors and the real-time status bytes
// it answers to DLE EOT n. Every status byte has the fixed bits 0x12 set.
//   n = 1 printer status:  0x04 drawer kick-out connector pin 3 high (drawer
//                                closed),
//                          0x08 off-line (set while off-line, the cover is
//                                open or the paper has run out)
//   n = 2 off-line cause:  0x04 cover open, 0x20 printing stopped by paper
//                                end
//   n = 3 error cause:     no error is modelled: always 0x12
//   n = 4 paper sensor:    0x0C paper near end, 0x60 paper end
// Any other n is not answered.
#ifndef QV_VIRTUAL_PRINTER_PRINTER_STATE_H_
#define QV_VIRTUAL_PRINTER_PRINTER_STATE_H_

#include <cstdint>
#include <optional>

namespace qvvp {

struct PrinterState {
  bool drawerOpen = false;
  bool coverOpen = false;
  bool paperEnd = false;
  bool paperNearEnd = false;
  bool offline = false;

  bool operator==(const PrinterState&) const = default;
};

// The answer to DLE EOT n, or nothing for an n the printer does not answer.
std::optional<uint8_t> StatusByte(const PrinterState& state, int n);

}  // namespace qvvp

#endif  // QV_VIRTUAL_PRINTER_PRINTER_STATE_H_
