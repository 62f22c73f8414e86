# window_events: cost of ProcessWindowEvents (skipped and real) and of a Synchronize through the
# Qt event loop.
add_executable(window_events ${CMAKE_CURRENT_LIST_DIR}/window_events.cpp)
target_link_libraries(window_events PRIVATE qt_backend)
