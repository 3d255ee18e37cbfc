// Fuzz target: the ESC/POS parser and the engine's status answers on any
// byte stream, split into reads at positions taken from the input. Checks
// that the commands tile the stream and that memory stays bounded.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "virtual_printer/escpos_parser.h"
#include "virtual_printer/printer_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the read size.
  size_t chunk = 1 + data[0] % 17;
  ++data;
  --size;

  uint64_t next = 0;
  qvvp::EscPosParser parser([&](qvvp::ParsedCommand&& command) {
    if (command.offset != next || command.length == 0 || command.bytes.size() > command.length ||
        command.bytes.size() > qvvp::EscPosParser::kMaxKeptBytes) {
      std::abort();
    }
    next += command.length;
  });
  qvvp::PrinterEngine engine;
  std::unique_ptr<qvvp::EscPosParser> engine_parser = engine.NewParser();
  size_t answers = 0;
  for (size_t i = 0; i < size; i += chunk) {
    size_t n = size - i < chunk ? size - i : chunk;
    parser.Feed(data + i, n);
    answers += engine.Consume(*engine_parser, data + i, n).size();
  }
  if (next != parser.completed() || parser.offset() != size) std::abort();
  if (engine.bytes_parsed() != parser.completed() || answers != engine.status_answers())
    std::abort();
  return 0;
}
