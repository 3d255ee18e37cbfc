# Printer service object speed: PrintNormal of a 40-line receipt through
# IDispatch::Invoke until the virtual printer has parsed it (loopback TCP),
# and the processor time an enabled printer spends polling its status.
add_executable(printer_bench ${CMAKE_CURRENT_LIST_DIR}/printer_bench.cpp)
target_link_libraries(printer_bench PRIVATE qvplatform qv_virtual_printer benchmark::benchmark
                      ${CMAKE_DL_LIBS})
add_dependencies(printer_bench QVSO)
target_compile_definitions(printer_bench PRIVATE QV_QVSO_PATH="$<TARGET_FILE:QVSO>")
