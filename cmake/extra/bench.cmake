# The idle floor beside which scripts/bench-idle measures the program.
if(WIN32)
  add_executable(idle_floor WIN32 ${CMAKE_SOURCE_DIR}/bench/win32/idle_floor.cpp)
  target_link_libraries(idle_floor PRIVATE vellumar_warnings)
  target_link_options(idle_floor PRIVATE -municode)
endif()
