# The transport's extra build steps: OpenSSL for Windows beside the program and the tests,
# and the local test server around the Windows tests.

if(WIN32 AND CMAKE_CROSSCOMPILING)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_openssl_arch win64)
    set(_openssl_suffix -x64)
    set(_openssl_default ON)
  else()
    set(_openssl_arch win32)
    set(_openssl_suffix "")
    # Packaging a 32-bit release turns this on; the tests cannot run 32-bit code here.
    set(_openssl_default OFF)
  endif()
  option(VELLUMAR_OPENSSL "Cross-build OpenSSL and place its DLLs beside the program" ${_openssl_default})
  set(VELLUMAR_OPENSSL_CACHE ${CMAKE_SOURCE_DIR}/build/openssl-${_openssl_arch}
      CACHE PATH "Where the OpenSSL cross-build is kept between builds")
  if(VELLUMAR_OPENSSL)
    set(_openssl_dlls ${CMAKE_BINARY_DIR}/libcrypto-3${_openssl_suffix}.dll ${CMAKE_BINARY_DIR}/libssl-3${_openssl_suffix}.dll)
    add_custom_command(
      OUTPUT ${_openssl_dlls}
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-openssl ${_openssl_arch} ${VELLUMAR_OPENSSL_CACHE}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different
              ${VELLUMAR_OPENSSL_CACHE}/bin/libcrypto-3${_openssl_suffix}.dll
              ${VELLUMAR_OPENSSL_CACHE}/bin/libssl-3${_openssl_suffix}.dll ${CMAKE_BINARY_DIR}
      DEPENDS ${CMAKE_SOURCE_DIR}/scripts/build-openssl
      COMMENT "OpenSSL for ${_openssl_arch} (built once, then taken from ${VELLUMAR_OPENSSL_CACHE})"
      USES_TERMINAL)
    add_custom_target(openssl_dlls ALL DEPENDS ${_openssl_dlls})
    if(VELLUMAR_RUN_TESTS)
      # The DLLs' built-in folders (configuration, engines, modules) are fixed Windows folders.
      get_filename_component(_openssl_cache_real ${VELLUMAR_OPENSSL_CACHE} REALPATH)
      add_test(NAME openssl_fixed_dirs
               COMMAND ${CMAKE_COMMAND} "-DDLLS=${_openssl_dlls}"
                       "-DBUILD_PATHS=${CMAKE_SOURCE_DIR};${CMAKE_BINARY_DIR};${VELLUMAR_OPENSSL_CACHE};${_openssl_cache_real};$ENV{HOME}"
                       -P ${CMAKE_SOURCE_DIR}/tests/net/openssl_dirs.cmake)
    endif()
  endif()
endif()

# The Windows tests talk to a server on 127.0.0.1 that ctest starts around them.
if(TARGET win_tests AND VELLUMAR_RUN_TESTS)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(_net_server ${CMAKE_SOURCE_DIR}/tests/support/http_test_server.py)
  add_test(NAME net_server_start COMMAND ${Python3_EXECUTABLE} ${_net_server} start ${CMAKE_BINARY_DIR}/net-server)
  add_test(NAME net_server_stop COMMAND ${Python3_EXECUTABLE} ${_net_server} stop ${CMAKE_BINARY_DIR}/net-server)
  set_tests_properties(net_server_start PROPERTIES FIXTURES_SETUP net_server)
  set_tests_properties(net_server_stop PROPERTIES FIXTURES_CLEANUP net_server)
  set_tests_properties(win_tests PROPERTIES FIXTURES_REQUIRED net_server)
endif()

# A module that a planted TLS library configuration would load: the tests show it never is.
if(TARGET win_tests)
  add_library(planted_module MODULE ${CMAKE_SOURCE_DIR}/tests/support/win32/planted_module/planted_module.c)
  set_target_properties(planted_module PROPERTIES PREFIX "")
  add_dependencies(win_tests planted_module)
  target_compile_definitions(win_tests PRIVATE
    VELLUMAR_PLANTED_MODULE="${TEST_PATH_PREFIX}$<TARGET_FILE:planted_module>")
endif()

# Download throughput of the transport; scripts/bench-net compares it with curl.
if(WIN32 AND EXISTS ${CMAKE_SOURCE_DIR}/bench/win32/http_download.cpp)
  add_executable(net_bench ${CMAKE_SOURCE_DIR}/bench/win32/http_download.cpp)
  target_link_libraries(net_bench PRIVATE ${WIN_LIBS} vellumar_warnings)
  target_link_options(net_bench PRIVATE -municode)
endif()
