# e2e_latency: pen packet through a pseudo-terminal into a running zempc until the X pointer moves.
add_executable(e2e_latency ${CMAKE_CURRENT_LIST_DIR}/e2e_latency.cpp)
target_link_libraries(e2e_latency PRIVATE zem_e2e_support)
