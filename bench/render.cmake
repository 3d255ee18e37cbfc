# Speed of the virtual printer's receipt renderer: a 40-line receipt, a
# sideways page, a 576 x 1600 raster, PNG writing, and a TCP stream with and
# without rendering.
if(TARGET qv_receipt_render)
  add_executable(render_bench ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp)
  target_link_libraries(render_bench PRIVATE qv_receipt_render qv_virtual_printer qvplatform
                        benchmark::benchmark)
endif()
