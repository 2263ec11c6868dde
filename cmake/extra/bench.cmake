# The idle floor beside which scripts/bench-idle measures the program.
if(WIN32)
  add_executable(idle_floor WIN32 ${CMAKE_SOURCE_DIR}/bench/win32/idle_floor.cpp)
  target_link_libraries(idle_floor PRIVATE vellumar_warnings)
  target_link_options(idle_floor PRIVATE -municode)
endif()
# One redraw of the channel graph against one BitBlt of its size (run under Wine, with a display).
if(WIN32 AND TARGET vellumar_win)
  add_executable(channel_redraw_bench ${CMAKE_SOURCE_DIR}/bench/win32/channel_redraw.cpp)
  target_link_libraries(channel_redraw_bench PRIVATE vellumar_win vellumar_warnings)
  target_include_directories(channel_redraw_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
