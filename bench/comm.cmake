# Channel speed against the in-process virtual printer: loopback throughput of
# a 1 MB job through each channel type, and the latency from the arbiter's
# write to the bytes being parsed by the printer (median and p99).
if(TARGET qvso_comm AND EXISTS ${PROJECT_SOURCE_DIR}/virtual_printer/CMakeLists.txt)
  add_executable(comm_bench ${CMAKE_CURRENT_LIST_DIR}/comm_bench.cpp)
  target_link_libraries(comm_bench PRIVATE qvso_comm qv_virtual_printer benchmark::benchmark)
endif()
