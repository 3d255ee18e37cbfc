# The virtual printer's ESC/POS parser on arbitrary byte streams.
qv_add_fuzzer(fuzz_escpos_parser
  SOURCES ${PROJECT_SOURCE_DIR}/virtual_printer/escpos_parser_fuzz.cpp
  LIBS qv_virtual_printer)
