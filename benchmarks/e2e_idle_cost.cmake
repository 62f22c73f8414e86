# idle_cost: CPU time and wake-ups of zempc with an open, idle link.
add_executable(idle_cost ${CMAKE_CURRENT_LIST_DIR}/e2e_idle_cost.cpp)
target_link_libraries(idle_cost PRIVATE zem_e2e_support)
