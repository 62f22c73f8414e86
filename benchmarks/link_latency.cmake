# link_latency: latency and idle cost of the serial link over a pseudo-terminal pair.
add_executable(link_latency ${CMAKE_CURRENT_LIST_DIR}/link_latency.cpp)
target_link_libraries(link_latency PRIVATE comthread serial_posix)
