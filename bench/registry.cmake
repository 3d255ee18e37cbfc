# Registry speed: open a key, read one REG_SZ value and close the key, the
# way the service object reads each configuration value.
add_executable(registry_bench ${CMAKE_CURRENT_LIST_DIR}/registry_bench.cpp)
target_link_libraries(registry_bench PRIVATE qvplatform benchmark::benchmark)
