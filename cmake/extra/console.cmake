# The Windows tests run the console program itself (tests/console/win32).
if(TARGET win_tests AND TARGET vellumar_console)
  add_dependencies(win_tests vellumar_console)
  target_compile_definitions(win_tests PRIVATE
    VELLUMAR_CONSOLE_PROGRAM="${TEST_PATH_PREFIX}$<TARGET_FILE:vellumar_console>")
endif()
if(TARGET vellumar_console AND VELLUMAR_RUN_TESTS)
  add_test(NAME console_pcapng
           COMMAND ${CMAKE_SOURCE_DIR}/tests/console/run-tshark-test ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(console_pcapng PROPERTIES TIMEOUT 300 LABELS windows)
endif()
