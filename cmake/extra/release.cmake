# The release installer's end-to-end tests: built with the 64-bit flavour and run by
# tests/release/run-installer-tests (scripts/test installer) in a Wine prefix of their own,
# never by ctest beside the other suites.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  vellumar_glob(installer_test_sources ${TESTS}/release/win32/*.cpp)
  if(installer_test_sources)
    add_executable(installer_tests ${installer_test_sources})
    target_include_directories(installer_tests PRIVATE ${TESTS})
    vellumar_precompile(installer_tests ${VELLUMAR_STD_PCH} ${VELLUMAR_TEST_PCH} ${VELLUMAR_WIN_PCH})
    target_link_libraries(installer_tests PRIVATE ${WIN_LIBS} GTest::gtest_main vellumar_warnings vellumar_test_code)
  endif()
endif()

# The program as a newer version for the update tests: the same objects, only its version
# resource compiled again with that version's numbers, so no second build of the program.
set(VELLUMAR_TEST_NEWER_VERSION 1.6.3.19 CACHE STRING "The version the installer tests update to")
function(vellumar_add_newer_program)
  if(NOT VELLUMAR_TEST_NEWER_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VELLUMAR_TEST_NEWER_VERSION must be four numbers joined by dots")
  endif()
  set(PROJECT_VERSION ${VELLUMAR_TEST_NEWER_VERSION})
  set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
  set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
  set(PROJECT_VERSION_PATCH ${CMAKE_MATCH_3})
  set(PROJECT_VERSION_TWEAK ${CMAKE_MATCH_4})
  set(dir ${CMAKE_BINARY_DIR}/newer)
  configure_file(${SRC}/common/version_number.h.in ${dir}/generated/common/version_number.h @ONLY)
  add_executable(vellumar_newer WIN32 ${SRC}/shell/main.cpp ${SRC}/shell/vellumar.rc)
  target_include_directories(vellumar_newer BEFORE PRIVATE ${dir}/generated)
  target_link_libraries(vellumar_newer PRIVATE ${WIN_LIBS} vellumar_warnings)
  target_link_options(vellumar_newer PRIVATE -municode)
  set_target_properties(vellumar_newer PROPERTIES OUTPUT_NAME vellumar RUNTIME_OUTPUT_DIRECTORY ${dir})
  add_custom_command(TARGET vellumar_newer POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/set-load-config ${CMAKE_NM} $<TARGET_FILE:vellumar_newer>
    VERBATIM)
  add_dependencies(installer_tests vellumar_newer)
endfunction()
if(TARGET installer_tests AND TARGET vellumar)
  vellumar_add_newer_program()
endif()
