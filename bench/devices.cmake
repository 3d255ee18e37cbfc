# Platform device layer and virtual printer speed: the parser on a 1 MB job,
# a 1 MB job over a TCP socket and over a pseudo-terminal (serial port) into
# the in-process virtual printer until parsed, and the status round trip
# (DLE EOT n out, one byte back) on both.
if(EXISTS ${PROJECT_SOURCE_DIR}/virtual_printer/CMakeLists.txt)
  add_executable(devices_bench ${CMAKE_CURRENT_LIST_DIR}/devices_bench.cpp)
  target_link_libraries(devices_bench PRIVATE qv_virtual_printer qvplatform benchmark::benchmark_main)
endif()
