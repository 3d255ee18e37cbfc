# The virtual printer's parser and receipt renderer on arbitrary byte streams.
qv_add_fuzzer(fuzz_receipt_render
  SOURCES ${PROJECT_SOURCE_DIR}/virtual_printer/render/render_fuzz.cpp
  LIBS qv_receipt_render)
