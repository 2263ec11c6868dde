# Sources are found by folder, so a new file needs no edit here:
#   src/<sub>/*.cpp          portable core (never includes <windows.h>)
#   src/<sub>/win32/*.cpp    the Windows half of a portable subsystem
#   src/views, src/shell     Windows only
# tests/ mirrors src/; tests/support holds shared test helpers.
set(PORTABLE_SUBSYSTEMS common wireless sim net update survey sitesurvey console)
set(SRC ${CMAKE_SOURCE_DIR}/src)
set(TESTS ${CMAKE_SOURCE_DIR}/tests)

function(vellumar_glob out)
  set(files)
  foreach(pattern IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${pattern})
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()

set(portable_patterns)
set(win_patterns)
set(portable_test_patterns ${TESTS}/support/*.cpp)
set(win_test_patterns ${TESTS}/support/win32/*.cpp)
foreach(sub IN LISTS PORTABLE_SUBSYSTEMS)
  list(APPEND portable_patterns ${SRC}/${sub}/*.cpp)
  list(APPEND win_patterns ${SRC}/${sub}/win32/*.cpp ${SRC}/${sub}/win32/*.rc)
  list(APPEND portable_test_patterns ${TESTS}/${sub}/*.cpp)
  list(APPEND win_test_patterns ${TESTS}/${sub}/win32/*.cpp)
endforeach()

# Wine runs the 64-bit tests; this kernel cannot execute 32-bit code, so the win32 flavour only builds them.
set(VELLUMAR_RUN_TESTS ON)
if(CMAKE_CROSSCOMPILING)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINEPREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run --prefix=${WINEPREFIX_DIR})
  else()
    set(VELLUMAR_RUN_TESTS OFF)
  endif()
endif()

# Paths that tests hand to the program: under Wine a Unix path is reached through drive Z:.
if(WIN32)
  set(TEST_PATH_PREFIX "Z:")
else()
  set(TEST_PATH_PREFIX "")
endif()
set(TEST_RESULTS_DIR ${CMAKE_BINARY_DIR}/test-results)

# --- portable core --------------------------------------------------------
vellumar_glob(core_sources ${portable_patterns})
add_library(vellumar_core STATIC ${core_sources})
# Only the files that include common/product_version.h see the version, so a build of
# another version recompiles those alone.
set(GENERATED_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${SRC}/common/version_number.h.in ${GENERATED_INCLUDE_DIR}/common/version_number.h @ONLY)
target_include_directories(vellumar_core PUBLIC ${SRC} ${GENERATED_INCLUDE_DIR})
target_link_libraries(vellumar_core PUBLIC nlohmann_json_headers PRIVATE vellumar_warnings)
target_compile_definitions(vellumar_core PUBLIC
  VELLUMAR_MAKER_HOST="${VELLUMAR_MAKER_HOST}"
  VELLUMAR_MAKER_MAIL="${VELLUMAR_MAKER_MAIL}")
if(VELLUMAR_TEST_BUILD)
  # One file reads the override: toggling it rebuilds that file alone.
  set_property(SOURCE ${SRC}/net/maker_server.cpp APPEND PROPERTY COMPILE_DEFINITIONS VELLUMAR_SERVER_OVERRIDE)
endif()

# Most files parse the same standard headers (and GoogleTest, <windows.h>) again: a precompiled
# header per target parses them once. A compiler cache refuses objects built with one (ccache,
# unless told to be sloppy about them), so a build through ccache goes without and caches each file.
set(VELLUMAR_STD_PCH <algorithm> <array> <cstdint> <cstring> <functional> <map> <memory> <optional>
    <span> <string> <string_view> <utility> <vector>)
set(VELLUMAR_WIN_PCH <windows.h> <commctrl.h>)
set(VELLUMAR_TEST_PCH <gtest/gtest.h> <filesystem> <fstream> <set> <sstream>)
function(vellumar_precompile target)
  if(NOT CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()
vellumar_precompile(vellumar_core ${VELLUMAR_STD_PCH})

# name SOURCES... LIBS... [LABEL l] [ARGS...] [PCH header...]: a GoogleTest program and its ctest entry.
function(vellumar_add_test_exe name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS;ARGS;PCH" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${TESTS})
  vellumar_precompile(${name} ${VELLUMAR_STD_PCH} ${VELLUMAR_TEST_PCH} ${T_PCH})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main vellumar_warnings vellumar_test_code)
  target_compile_definitions(${name} PRIVATE
    VELLUMAR_TEST_SOURCE_DIR="${TEST_PATH_PREFIX}${CMAKE_SOURCE_DIR}"
    VELLUMAR_TEST_BINARY_DIR="${TEST_PATH_PREFIX}${CMAKE_BINARY_DIR}")
  if(VELLUMAR_RUN_TESTS)
    add_test(NAME ${name}
             COMMAND ${name} --gtest_output=xml:${TEST_PATH_PREFIX}${TEST_RESULTS_DIR}/${name}.xml ${T_ARGS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 1800)
    if(T_LABEL)
      set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL})
    endif()
  endif()
endfunction()

vellumar_glob(core_test_sources ${portable_test_patterns})
vellumar_add_test_exe(core_tests SOURCES ${core_test_sources} LIBS vellumar_core LABEL core)

# --- Windows layer and program --------------------------------------------
if(WIN32)
  enable_language(RC)
  vellumar_glob(win_sources ${win_patterns} ${SRC}/views/*.cpp ${SRC}/shell/*.cpp ${SRC}/shell/*.rc)
  list(FILTER win_sources EXCLUDE REGEX "/(shell/(main\\.cpp|vellumar\\.rc)|console/win32/console_main\\.cpp)$")
  set(WIN_SYSTEM_LIBS comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 uuid advapi32 user32 gdi32
      version ws2_32 crypt32 wintrust netapi32 oleacc windowscodecs bcrypt winmm kernel32)
  if(win_sources)
    add_library(vellumar_win STATIC ${win_sources})
    target_link_libraries(vellumar_win PUBLIC vellumar_core ${WIN_SYSTEM_LIBS} PRIVATE vellumar_warnings)
    # Only <windows.h>: with the standard headers precompiled too, GCC 12 reports its false
    # -Warray-bounds on std::string inside them at -O2.
    vellumar_precompile(vellumar_win ${VELLUMAR_WIN_PCH})
    set(WIN_LIBS vellumar_win)
  else()
    set(WIN_LIBS vellumar_core ${WIN_SYSTEM_LIBS})
  endif()

  # A release may carry the public key (SubjectPublicKeyInfo, DER) that will sign the next
  # releases; its own signature covers it, and it accepts installers signed with either key.
  set(VELLUMAR_NEXT_SIGN_KEY "" CACHE FILEPATH "The next signing key's public key, DER (empty: none)")
  if(VELLUMAR_NEXT_SIGN_KEY)
    if(NOT EXISTS ${VELLUMAR_NEXT_SIGN_KEY})
      message(FATAL_ERROR "VELLUMAR_NEXT_SIGN_KEY: no file ${VELLUMAR_NEXT_SIGN_KEY}")
    endif()
    set(_next_key_rc "NEXTSIGNERKEY RCDATA \"${VELLUMAR_NEXT_SIGN_KEY}\"\n")
  else()
    set(_next_key_rc "// no next signing key\n")
  endif()
  file(CONFIGURE OUTPUT ${GENERATED_INCLUDE_DIR}/next_signer_key.rc CONTENT "${_next_key_rc}")

  if(EXISTS ${SRC}/shell/main.cpp)
    set(program_sources ${SRC}/shell/main.cpp)
    if(EXISTS ${SRC}/shell/vellumar.rc)
      list(APPEND program_sources ${SRC}/shell/vellumar.rc)
    endif()
    add_executable(vellumar WIN32 ${program_sources})
    target_link_libraries(vellumar PRIVATE ${WIN_LIBS} vellumar_warnings)
    target_link_options(vellumar PRIVATE -municode)
  endif()
  # The console program beside it: "vellumar" typed in a console finds vellumar.com first.
  if(EXISTS ${SRC}/console/win32/console_main.cpp)
    add_executable(vellumar_console ${SRC}/console/win32/console_main.cpp)
    set_target_properties(vellumar_console PROPERTIES OUTPUT_NAME vellumar SUFFIX .com)
    target_link_libraries(vellumar_console PRIVATE ${WIN_LIBS} vellumar_warnings)
    target_link_options(vellumar_console PRIVATE -municode)
  endif()

  vellumar_glob(win_test_sources ${win_test_patterns})
  if(win_test_sources)
    vellumar_add_test_exe(win_tests SOURCES ${win_test_sources} LIBS ${WIN_LIBS} LABEL windows
                          PCH ${VELLUMAR_WIN_PCH})
  endif()
  # Real windows: these need a display (Xvfb in scripts/test).
  vellumar_glob(gui_test_sources ${TESTS}/views/*.cpp ${TESTS}/shell/*.cpp)
  if(gui_test_sources)
    # The suites that use the local server or the browser stand-in; the rest run beside
    # them in a prefix and on a display of their own (gui_tests_2, cmake/extra/gui.cmake).
    set(GUI_SERVER_SUITES "UpdateTest.*:MainWindow.*:Dialogs.*:AccessPointRadio.*")
    vellumar_add_test_exe(gui_tests SOURCES ${gui_test_sources} LIBS ${WIN_LIBS} LABEL gui
                          ARGS --gtest_filter=${GUI_SERVER_SUITES} PCH ${VELLUMAR_WIN_PCH})
  endif()
else()
  # Benchmarks print their figures; they are run by scripts/bench, never timed in tests.
  find_package(benchmark REQUIRED)
  vellumar_glob(bench_sources ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(bench_source IN LISTS bench_sources)
    get_filename_component(bench_name ${bench_source} NAME_WE)
    add_executable(bench_${bench_name} ${bench_source})
    target_link_libraries(bench_${bench_name} PRIVATE vellumar_core benchmark::benchmark vellumar_warnings)
    target_include_directories(bench_${bench_name} PRIVATE ${TESTS})  # the tests' shared inputs
  endforeach()
endif()

# Subsystems with build steps of their own (test resources, third-party builds) add a file here.
file(GLOB extra_cmake CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/extra/*.cmake)
list(SORT extra_cmake)
foreach(extra IN LISTS extra_cmake)
  include(${extra})
endforeach()
