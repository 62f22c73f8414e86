# screen_read: median time of one screen snapshot through the X11 backend (MIT-SHM).
add_executable(screen_read ${CMAKE_CURRENT_LIST_DIR}/screen_read.cpp)
target_link_libraries(screen_read PRIVATE x11_backend)
