# Speed of the ESC/POS command building: escape translation of a receipt and
# picture-to-dots conversion with and without rescaling.
if(TARGET qvso_escpos)
  add_executable(escpos_bench ${CMAKE_CURRENT_LIST_DIR}/escpos_bench.cpp)
  target_link_libraries(escpos_bench PRIVATE qvso_escpos benchmark::benchmark_main)
endif()
