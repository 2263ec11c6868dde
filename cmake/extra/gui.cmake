# The GUI tests run the program in-process from a copy of their own executable, which
# carries the program's version resource; the black-box test starts the real program.
if(TARGET gui_tests)
  target_sources(gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/win32/win_tests.rc)
  if(TARGET vellumar)
    add_dependencies(gui_tests vellumar)
  endif()
endif()
