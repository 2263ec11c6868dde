# The self-update tests: a small installer of our own that the local stand-in for the
# maker's server hands out, and that same server around the GUI tests.
if(WIN32 AND TARGET gui_tests)
  set(_installer_src ${CMAKE_SOURCE_DIR}/tests/support/win32/installer/test_installer.c)
  # The linker names the entry as the object file does: with a leading underscore on x86.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_installer_entry InstallerMain)
  else()
    set(_installer_entry _InstallerMain)
  endif()
  # Both carry the version of the next build, which the update check's answers announce.
  math(EXPR _next_tweak "${PROJECT_VERSION_TWEAK} + 1")
  set(TEST_INSTALLER_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${_next_tweak})
  string(REPLACE "." "," TEST_INSTALLER_VERSION_COMMAS ${TEST_INSTALLER_VERSION})
  configure_file(${CMAKE_SOURCE_DIR}/tests/support/win32/installer/test_installer.rc.in
                 ${CMAKE_BINARY_DIR}/test_installer.rc @ONLY)
  # The full installer is over 100 KiB; the small one is the base for files of exact sizes.
  foreach(_flavour test_installer test_installer_small)
    add_executable(${_flavour} WIN32 ${_installer_src} ${CMAKE_BINARY_DIR}/test_installer.rc)
    target_compile_options(${_flavour} PRIVATE -O2 -ffreestanding -fno-stack-protector -fno-builtin)
    target_link_options(${_flavour} PRIVATE -nostdlib -nostartfiles -Wl,-e,${_installer_entry})
    target_link_libraries(${_flavour} PRIVATE kernel32)
    add_dependencies(gui_tests ${_flavour})
  endforeach()
  target_compile_definitions(test_installer PRIVATE INSTALLER_PADDING=153600)
  target_compile_definitions(gui_tests PRIVATE
    VELLUMAR_TEST_INSTALLER="${TEST_PATH_PREFIX}$<TARGET_FILE:test_installer>"
    VELLUMAR_TEST_INSTALLER_SMALL="${TEST_PATH_PREFIX}$<TARGET_FILE:test_installer_small>"
    VELLUMAR_TEST_INSTALLER_VERSION="${TEST_INSTALLER_VERSION}")
  # The GUI tests reach the stand-in server through the same helpers as the Windows tests.
  target_sources(gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/win32/net_test_server.cpp)
  if(VELLUMAR_RUN_TESTS AND TEST gui_tests AND TEST net_server_start)
    set_property(TEST gui_tests APPEND PROPERTY FIXTURES_REQUIRED net_server)
    # Both suites save and restore the maker's registry key: the Windows tests run in a Wine
    # prefix and on a display of their own (a clipboard too), so they run beside the GUI tests.
    set_property(TARGET win_tests PROPERTY CROSSCOMPILING_EMULATOR
                 ${CMAKE_SOURCE_DIR}/cmake/with-xvfb ${CMAKE_SOURCE_DIR}/cmake/wine-run
                 --prefix=${CMAKE_BINARY_DIR}/wineprefix-win)
  endif()
endif()
