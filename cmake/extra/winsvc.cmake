# Version resources: the test program gets one of its own, so version reading has a known file.
if(TARGET win_tests)
  target_sources(win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/win32/win_tests.rc)
endif()
# Until the program itself is built, compile its resource script alone so that it keeps building.
if(WIN32 AND NOT TARGET vellumar AND EXISTS ${CMAKE_SOURCE_DIR}/src/shell/vellumar.rc)
  add_library(vellumar_resources OBJECT ${CMAKE_SOURCE_DIR}/src/shell/vellumar.rc)
  target_include_directories(vellumar_resources PRIVATE ${CMAKE_SOURCE_DIR}/src)
endif()
