# Idle processor load of the test application with an enabled printer and
# drawer, against the virtual printer program.
if(TARGET qvopos_test_app AND TARGET qv-virtual-printer AND TARGET QVSO)
  add_executable(test_app_bench ${CMAKE_CURRENT_LIST_DIR}/test_app_bench.cpp
                 ${PROJECT_SOURCE_DIR}/cli/child_process.cpp)
  target_link_libraries(test_app_bench PRIVATE qvopos_test_app benchmark::benchmark
                        ${CMAKE_DL_LIBS})
  add_dependencies(test_app_bench QVSO qv-virtual-printer)
  target_compile_definitions(test_app_bench PRIVATE
    QV_QVSO_PATH="$<TARGET_FILE:QVSO>"
    QV_VIRTUAL_PRINTER_PROGRAM="$<TARGET_FILE:qv-virtual-printer>")
endif()
