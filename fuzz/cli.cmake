# The qvopos shell's line parser, which reads outside input.
qv_add_fuzzer(fuzz_cli_shell_line
  SOURCES ${PROJECT_SOURCE_DIR}/cli/shell_line_fuzz.cpp ${PROJECT_SOURCE_DIR}/cli/shell_parser.cpp)
