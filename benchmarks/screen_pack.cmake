add_executable(screen_pack ${CMAKE_CURRENT_LIST_DIR}/screen_pack.cpp)
target_link_libraries(screen_pack PRIVATE zem)
