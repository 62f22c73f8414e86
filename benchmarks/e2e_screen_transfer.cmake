# screen_transfer: a screen request answered by zempc over a pseudo-terminal paced like the cable.
add_executable(screen_transfer ${CMAKE_CURRENT_LIST_DIR}/e2e_screen_transfer.cpp)
target_link_libraries(screen_transfer PRIVATE zem_e2e_support)
target_compile_definitions(screen_transfer
                           PRIVATE ZEM_HANDHELD_PROGRAM="$<TARGET_FILE:zem-handheld>")
add_dependencies(screen_transfer zem-handheld)
