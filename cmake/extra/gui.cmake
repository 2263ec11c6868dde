# The GUI tests run the program in-process from a copy of their own executable, which
# carries the program's version resource; the black-box test starts the real program.
if(TARGET gui_tests)
  target_sources(gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/win32/win_tests.rc)
  # The copy is read whole by every update check (version, PE kind); without its debug
  # sections it is a tenth of the size, and Wine reads image files rather than map them.
  set(_program_image ${CMAKE_BINARY_DIR}/gui_tests_program.exe)
  add_custom_command(TARGET gui_tests POST_BUILD
                     COMMAND ${CMAKE_OBJCOPY} --strip-debug $<TARGET_FILE:gui_tests> ${_program_image})
  target_compile_definitions(gui_tests PRIVATE VELLUMAR_TEST_PROGRAM_IMAGE="${TEST_PATH_PREFIX}${_program_image}")
  if(TARGET vellumar)
    add_dependencies(gui_tests vellumar)
  endif()
endif()

# The other GUI suites at the same time as the first half, in a Wine prefix and on an Xvfb
# display of their own: windows of the two never meet on one screen or in one registry.
if(TARGET gui_tests AND VELLUMAR_RUN_TESTS)
  add_test(NAME gui_tests_2
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/with-xvfb ${CMAKE_SOURCE_DIR}/cmake/wine-run
                   --prefix=${CMAKE_BINARY_DIR}/wineprefix-gui2 $<TARGET_FILE:gui_tests>
                   --gtest_output=xml:${TEST_PATH_PREFIX}${TEST_RESULTS_DIR}/gui_tests_2.xml
                   --gtest_filter=-${GUI_SERVER_SUITES})
  set_tests_properties(gui_tests_2 PROPERTIES TIMEOUT 1800 LABELS gui)
endif()

# A stand-in for the web browser and the mail program under Wine (registry WineBrowser): it
# records each address it is given. Wine cannot mark a file executable, so the build makes it.
if(TARGET gui_tests)
  set(TEST_BROWSER_DIR ${CMAKE_BINARY_DIR}/test-browser)
  file(CONFIGURE OUTPUT ${TEST_BROWSER_DIR}/record-url
       CONTENT "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '${TEST_BROWSER_DIR}/opened.txt'\n" @ONLY)
  file(CHMOD ${TEST_BROWSER_DIR}/record-url PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  target_compile_definitions(gui_tests PRIVATE VELLUMAR_TEST_BROWSER_DIR="${TEST_BROWSER_DIR}")
endif()

# scripts/run closes the program the way a user does, so that it writes its log.
if(WIN32)
  add_executable(close_window ${CMAKE_SOURCE_DIR}/tools/close_window.cpp)
  target_link_libraries(close_window PRIVATE vellumar_warnings)
  target_link_options(close_window PRIVATE -municode)
endif()
if(WIN32)
  add_executable(trust_ca ${CMAKE_SOURCE_DIR}/tools/trust_ca.cpp)
  target_link_libraries(trust_ca PRIVATE crypt32 vellumar_warnings)
  target_link_options(trust_ca PRIVATE -municode)
endif()
