# Escape translation and the ValidateData check over arbitrary text and map
# modes. The command-set sources are compiled into the target (rather than
# taken from qvso_escpos) so that they carry the fuzzer's coverage and
# sanitizer instrumentation, which this folder's compile options add.
if(TARGET qvso_escpos)
  set(escpos_dir ${PROJECT_SOURCE_DIR}/service_object/printer)
  qv_add_fuzzer(escape_translator_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/escape_translator_fuzz.cpp
            ${escpos_dir}/cmd.cpp
            ${escpos_dir}/esc_cmd.cpp
            ${escpos_dir}/escape_translator.cpp
            ${escpos_dir}/picture_dots.cpp
    LIBS qvso_core qvplatform)
endif()
