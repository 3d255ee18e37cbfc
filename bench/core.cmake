# Trace log and configuration store speed: a Log call below and above the
# threshold on the submitting thread, and one value read through COposRegKey.
add_executable(core_bench ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp)
target_link_libraries(core_bench PRIVATE qvso_core qvplatform benchmark::benchmark)
