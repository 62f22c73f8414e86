# sustained_rate: pen packets into zempc at the wire's full rate for a minute; all must take effect.
add_executable(sustained_rate ${CMAKE_CURRENT_LIST_DIR}/e2e_sustained_rate.cpp)
target_link_libraries(sustained_rate PRIVATE zem_e2e_support Threads::Threads)
