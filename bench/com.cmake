# COM layer and event delivery speed: Invoke of a two-argument method through
# the dispatch helper (target under 1 us), and the latency from queueing a
# status-update event to the control object's SOStatusUpdate callback
# (target under 50 us median).
add_executable(com_bench ${CMAKE_CURRENT_LIST_DIR}/com_bench.cpp)
target_link_libraries(com_bench PRIVATE qvso_core qvplatform benchmark::benchmark_main)
