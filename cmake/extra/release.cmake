# The release installer's end-to-end tests: built with the 64-bit flavour and run by
# tests/release/run-installer-tests (scripts/test installer) in a Wine prefix of their own,
# never by ctest beside the other suites.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  vellumar_glob(installer_test_sources ${TESTS}/release/win32/*.cpp)
  if(installer_test_sources)
    add_executable(installer_tests ${installer_test_sources})
    target_include_directories(installer_tests PRIVATE ${TESTS})
    target_link_libraries(installer_tests PRIVATE ${WIN_LIBS} GTest::gtest_main vellumar_warnings)
  endif()
endif()
